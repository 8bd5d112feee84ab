#include "orders/OrderListing.h"

#include "library/MediaFile.h"
#include "library/PhotoNumber.h"
#include "orders/OrderListingCache.h"
#include "orders/OrderListingDetail.h"
#include "photo/PhotoFiles.h"
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

// The media extensions as bytes, for the names whose extension is plain ASCII.
struct ByteExtension
{
    QByteArray text;
    Kind kind;
};

const QList<ByteExtension>& byteExtensions()
{
    static const QList<ByteExtension> table = [] {
        QList<ByteExtension> out;
        for (const QString& e : MediaFile::videoExtensions())
            out.append(ByteExtension { e.toLatin1(), Kind::Video });
        for (const QString& e : PhotoFile::extensions())
            out.append(ByteExtension { e.toLatin1(), Kind::Photo });
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
        m_keys.reserve(m_keys.size() + qsizetype(missing.size()));
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
    char lower[8];
    bool ascii = extLength < sizeof lower;
    for (size_t i = 0; ascii && i < extLength; ++i) {
        const unsigned char c = static_cast<unsigned char>(dot[1 + i]);
        ascii = c < 0x80;
        lower[i] = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    if (ascii) {
        for (const ByteExtension& e : byteExtensions())
            if (size_t(e.text.size()) == extLength && std::memcmp(e.text.constData(), lower, extLength) == 0)
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
