#include "orders/OrderListing.h"

#include "library/MediaFile.h"
#include "library/PhotoNumber.h"
#include "orders/OrderListingCache.h"
#include "orders/OrderListingDetail.h"
#include "photo/originals/PhotoFiles.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <QHash>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace quavel::OrderListing {

namespace detail {

namespace {

Kind kindOfExtension(const QString& lowerCased)
{
    if (MediaFile::videoExtensions().contains(lowerCased))
        return Kind::Video;
    return PhotoFile::extensions().contains(lowerCased) ? Kind::Photo : Kind::None;
}

// An ASCII extension of up to 7 bytes, lower-cased, packed in one integer with its length.
quint64 packedExtension(const char* p, size_t length)
{
    quint64 code = 0;
    for (size_t i = 0; i < length; ++i) {
        const char c = p[i];
        code = code << 8 | quint8(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return code << 8 | quint8(length);
}

constexpr size_t kPackedLongest = 7;

// The media extensions packed, for the names whose extension is plain ASCII.
struct ByteExtension
{
    quint64 code;
    Kind kind;
};

const std::vector<ByteExtension>& byteExtensions()
{
    static const std::vector<ByteExtension> table = [] {
        std::vector<ByteExtension> out;
        const auto add = [&](const QSet<QString>& extensions, Kind kind) {
            for (const QString& e : extensions)
                if (e.size() <= qsizetype(kPackedLongest)) {
                    const QByteArray bytes = e.toLatin1();
                    out.push_back(
                        ByteExtension { packedExtension(bytes.constData(), size_t(bytes.size())), kind });
                }
        };
        add(MediaFile::videoExtensions(), Kind::Video);
        add(PhotoFile::extensions(), Kind::Photo);
        return out;
    }();
    return table;
}

// Collation keys of the names met so far, by the names' bytes: an order is listed again at each
// change on disk and each time the screen is shown, by stores that come and go, and making a key
// costs far more than finding it. Bounded by clearing.
class SortKeyCache
{
public:
    // Found under one lock, the missing ones made outside it.
    void fill(const std::vector<KeyRequest>& requests)
    {
        std::vector<const KeyRequest*> missing;
        {
            std::lock_guard lock(m_mutex);
            for (const KeyRequest& r : requests) {
                const auto it = m_keys.constFind(QByteArray::fromRawData(r.bytes, qsizetype(r.length)));
                if (it != m_keys.cend())
                    *r.key = *it;
                else
                    missing.push_back(&r);
            }
        }
        if (missing.empty())
            return;
        for (const KeyRequest* r : missing)
            *r->key = text::localizedStandardSortKey(r->name);
        std::lock_guard lock(m_mutex);
        if (m_keys.size() + qsizetype(missing.size()) > 200000)
            m_keys.clear();
        // Grown by doubling: a reserve of just what each listing adds rehashes the whole table at every
        // folder of an order.
        const qsizetype needed = m_keys.size() + qsizetype(missing.size());
        if (m_keys.capacity() < needed)
            m_keys.reserve(std::max(needed, 2 * m_keys.capacity()));
        for (const KeyRequest* r : missing)
            m_keys.insert(QByteArray(r->bytes, qsizetype(r->length)), *r->key);
    }

    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_keys.clear();
    }

private:
    std::mutex m_mutex;
    QHash<QByteArray, QByteArray> m_keys;
};

SortKeyCache& keyCache()
{
    static SortKeyCache cache;
    return cache;
}

} // namespace

// Names with a plain ASCII extension (nearly all) are told from their bytes, before any text is made;
// others take the general rule.
Kind mediaKind(const char* name, size_t length)
{
    const char* dot = static_cast<const char*>(::memrchr(name, '.', length));
    if (!dot || dot == name || dot + 1 == name + length)
        return Kind::None;
    const size_t extLength = size_t(name + length - dot - 1);
    bool ascii = true;
    for (size_t i = 0; ascii && i < extLength; ++i)
        ascii = static_cast<unsigned char>(dot[1 + i]) < 0x80;
    if (ascii) {
        if (extLength > kPackedLongest)
            return Kind::None; // no media extension is that long
        const quint64 code = packedExtension(dot + 1, extLength);
        for (const ByteExtension& e : byteExtensions())
            if (e.code == code)
                return e.kind;
        return Kind::None;
    }
    return kindOfExtension(pathExtension(NativeName::decode(name, qsizetype(length))).toLower());
}

bool isLeftoverName(const char* name)
{
    char16_t wide[96];
    qsizetype n = 0;
    for (; name[n] != '\0'; ++n) {
        if (static_cast<unsigned char>(name[n]) >= 0x80)
            return false; // every temporary name of the application is plain ASCII
        if (n == qsizetype(std::size(wide)))
            return PhotoFiles::isPhotoFolderTemporary(QString::fromLatin1(name));
        wide[n] = char16_t(name[n]);
    }
    return PhotoFiles::isPhotoFolderTemporary(QStringView(wide, n));
}

QString childPath(const QString& prefix, const char* name, size_t length)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(name);
    size_t ascii = 0;
    while (ascii < length && bytes[ascii] < 0x80)
        ++ascii;
    if (ascii < length)
        return prefix + NativeName::decode(name, qsizetype(length));
    // Plain ASCII (nearly every name): widened straight into the path.
    QString path(prefix.size() + qsizetype(length), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(path.data());
    std::memcpy(out, prefix.utf16(), size_t(prefix.size()) * sizeof(char16_t));
    out += prefix.size();
    for (size_t i = 0; i < length; ++i)
        out[i] = char16_t(bytes[i]);
    return path;
}

void throwListing(const QString& folder, int error)
{
    const QString name = NativeName::displayed(folder.mid(folder.lastIndexOf(u'/') + 1));
    throw FileError(error,
        QStringLiteral("Impossible de lire le dossier « %1 » : %2").arg(name, frenchDescription(error)));
}

void sortKeys(const std::vector<KeyRequest>& requests)
{
    if (!requests.empty())
        keyCache().fill(requests);
}

} // namespace detail

Contents contents(const QString& folder, bool wantFolders, bool wantMedia)
{
    // A listing of its own, kept nowhere: only the keys of its names stay for the process.
    return OrderListingCache().contents(folder, wantFolders, wantMedia);
}

QList<OrderFolder> directories(const QString& folder)
{
    return contents(folder, true, false).folders;
}

QList<OrderMedia> media(const QString& folder)
{
    return contents(folder, false, true).media;
}

void clearSortKeyCache()
{
    detail::keyCache().clear();
}

} // namespace quavel::OrderListing
