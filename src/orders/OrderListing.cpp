#include "orders/OrderListing.h"

#include "library/MediaFile.h"
#include "library/PhotoNumber.h"
#include "photo/PhotoFiles.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quavel::OrderListing {

namespace {

enum class MediaKind { None, Photo, Video };

constexpr char originalsName[] = ".quavel-originals";

[[noreturn]] void throwListing(const QString& folder, int e)
{
    const QString name = NativeName::displayed(folder.mid(folder.lastIndexOf(u'/') + 1));
    throw FileError(
        e, QStringLiteral("Impossible de lire le dossier « %1 » : %2").arg(name, frenchDescription(e)));
}

MediaKind kindOfExtension(const QString& lowerCased)
{
    if (MediaFile::videoExtensions().contains(lowerCased))
        return MediaKind::Video;
    return PhotoFile::extensions().contains(lowerCased) ? MediaKind::Photo : MediaKind::None;
}

// The media extensions as bytes, for the names whose extension is plain ASCII.
struct ByteExtension
{
    QByteArray text;
    MediaKind kind;
};

const QList<ByteExtension>& byteExtensions()
{
    static const QList<ByteExtension> table = [] {
        QList<ByteExtension> out;
        for (const QString& e : MediaFile::videoExtensions())
            out.append(ByteExtension { e.toLatin1(), MediaKind::Video });
        for (const QString& e : PhotoFile::extensions())
            out.append(ByteExtension { e.toLatin1(), MediaKind::Photo });
        return out;
    }();
    return table;
}

// What the lower-cased extension of a name makes of it. Names with a plain ASCII extension (nearly all)
// are told from their bytes, before any text is made; others take the general rule.
MediaKind mediaKind(const char* name, size_t length)
{
    const char* dot = static_cast<const char*>(::memrchr(name, '.', length));
    if (!dot || dot == name || dot + 1 == name + length)
        return MediaKind::None;
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
        return MediaKind::None;
    }
    return kindOfExtension(pathExtension(NativeName::decode(name, qsizetype(length))).toLower());
}

// Collation keys of the names met so far: an order is listed again at each change on disk and each
// time the screen is shown, and making a key costs far more than finding it. Bounded by clearing.
class SortKeyCache
{
public:
    // The keys of the names, in their order: found under one lock, the missing ones made outside it.
    QList<QByteArray> keys(const QList<QString>& names)
    {
        QList<QByteArray> out(names.size());
        QList<qsizetype> missing;
        {
            std::lock_guard lock(m_mutex);
            for (qsizetype i = 0; i < names.size(); ++i) {
                const auto it = m_keys.constFind(names[i]);
                if (it != m_keys.cend())
                    out[i] = *it;
                else
                    missing.append(i);
            }
        }
        if (missing.isEmpty())
            return out;
        for (qsizetype i : missing)
            out[i] = text::localizedStandardSortKey(names[i]);
        std::lock_guard lock(m_mutex);
        if (m_keys.size() + missing.size() > 200000)
            m_keys.clear();
        for (qsizetype i : missing)
            m_keys.insert(names[i], out[i]);
        return out;
    }

    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_keys.clear();
    }

private:
    std::mutex m_mutex;
    QHash<QString, QByteArray> m_keys;
};

SortKeyCache& sortKeys()
{
    static SortKeyCache cache;
    return cache;
}

// The indices of the names in the file manager's order.
QList<qsizetype> fileManagerOrder(const QList<QString>& names)
{
    const QList<QByteArray> keys = sortKeys().keys(names);
    struct Entry
    {
        const char* key;
        qsizetype index;
    };
    std::vector<Entry> entries(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        entries[size_t(i)] = Entry { keys[i].constData(), i };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        const int c = std::strcmp(a.key, b.key);
        if (c != 0)
            return c < 0;
        return names[a.index].compare(names[b.index]) < 0;
    });
    QList<qsizetype> order(names.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = entries[size_t(i)].index;
    return order;
}

// The sweep's name test, made without allocating (a disk written by a Mac holds a hidden "._" file
// beside every photo): every temporary name of the application is plain ASCII.
bool isLeftoverName(const char* name)
{
    char16_t wide[96];
    qsizetype n = 0;
    for (; name[n] != '\0'; ++n) {
        if (static_cast<unsigned char>(name[n]) >= 0x80)
            return false;
        if (n == qsizetype(std::size(wide)))
            return PhotoFiles::isPhotoFolderTemporary(QString::fromLatin1(name));
        wide[n] = char16_t(name[n]);
    }
    return PhotoFiles::isPhotoFolderTemporary(QStringView(wide, n));
}

QString childPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace

Contents contents(const QString& folder, bool wantFolders, bool wantMedia)
{
    const QByteArray encoded = NativeName::encode(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir)
        throwListing(folder, errno);
    QList<QString> folderNames;
    QList<QString> mediaNames;
    QList<bool> videos;
    Contents out;
    errno = 0;
    while (const dirent* d = ::readdir(dir.get())) {
        if (d->d_name[0] == '.') {
            // Hidden: never listed. Only the application's own temporaries and originals are noted.
            if (std::strcmp(d->d_name, originalsName) == 0)
                out.hasOriginals = d->d_type == DT_DIR || d->d_type == DT_UNKNOWN;
            else if (isLeftoverName(d->d_name))
                out.leftovers.append(QByteArray(d->d_name));
            errno = 0;
            continue;
        }
        bool isFolder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN) {
            // The file system does not say: an lstat does. An entry that cannot be examined is no folder.
            struct stat st
            {
            };
            isFolder = ::fstatat(::dirfd(dir.get()), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISDIR(st.st_mode);
        }
        if (isFolder) {
            if (wantFolders)
                folderNames.append(NativeName::decode(d->d_name));
        } else if (wantMedia) {
            const MediaKind kind = mediaKind(d->d_name, std::strlen(d->d_name));
            if (kind != MediaKind::None) {
                mediaNames.append(NativeName::decode(d->d_name));
                videos.append(kind == MediaKind::Video);
            }
        }
        errno = 0;
    }
    if (errno != 0)
        throwListing(folder, errno);

    out.folders.reserve(folderNames.size());
    for (qsizetype i : fileManagerOrder(folderNames))
        out.folders.append(
            OrderFolder { NativeName::displayed(folderNames[i]), childPath(folder, folderNames[i]) });
    out.media.reserve(mediaNames.size());
    for (qsizetype i : fileManagerOrder(mediaNames))
        out.media.append(OrderMedia { childPath(folder, mediaNames[i]), videos[i] });
    return out;
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
    sortKeys().clear();
}

} // namespace quavel::OrderListing
