#include "orders/OrderListing.h"

#include "library/MediaFile.h"
#include "library/PhotoNumber.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/text/Text.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quavel::OrderListing {

namespace {

enum class Kind { Folder, Other, Unknown };

struct Entry
{
    QString name;
    Kind kind;
};

[[noreturn]] void throwListing(const QString& folder, int e)
{
    const QString name = folder.mid(folder.lastIndexOf(u'/') + 1);
    throw FileError(e, QStringLiteral("Impossible de lire le dossier « %1 » : %2").arg(name, frenchDescription(e)));
}

// The visible entries of the folder with what the directory itself says of their kind; a file system
// that does not say gets an lstat, and an entry that cannot be examined is of unknown kind.
QList<Entry> visibleEntries(const QString& folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir)
        throwListing(folder, errno);
    QList<Entry> entries;
    errno = 0;
    while (const dirent* d = ::readdir(dir.get())) {
        if (d->d_name[0] == '.')
            continue;
        Kind kind = d->d_type == DT_DIR ? Kind::Folder : Kind::Other;
        if (d->d_type == DT_UNKNOWN) {
            struct stat st { };
            if (::fstatat(::dirfd(dir.get()), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                kind = Kind::Unknown;
            else
                kind = S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
        }
        entries.append(Entry { QFile::decodeName(d->d_name), kind });
        errno = 0;
    }
    if (errno != 0)
        throwListing(folder, errno);
    return entries;
}

// The indices of the names in the file manager's order; the sort keys are made once per name.
QList<qsizetype> fileManagerOrder(const QList<QString>& names)
{
    QList<QByteArray> keys;
    keys.reserve(names.size());
    for (const QString& name : names)
        keys.append(text::localizedStandardSortKey(name));
    QList<qsizetype> order(names.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int c = std::strcmp(keys[a].constData(), keys[b].constData());
        if (c != 0)
            return c < 0;
        return names[a].compare(names[b]) < 0;
    });
    return order;
}

QString childPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace

QList<OrderFolder> directories(const QString& folder)
{
    QList<QString> names;
    for (Entry& e : visibleEntries(folder))
        if (e.kind == Kind::Folder)
            names.append(std::move(e.name));
    QList<OrderFolder> out;
    out.reserve(names.size());
    for (qsizetype i : fileManagerOrder(names))
        out.append(OrderFolder { names[i], childPath(folder, names[i]) });
    return out;
}

QList<OrderMedia> media(const QString& folder)
{
    QList<QString> names;
    QList<bool> videos;
    for (Entry& e : visibleEntries(folder)) {
        if (e.kind == Kind::Folder)
            continue;
        const QString extension = pathExtension(e.name).toLower();
        const bool video = MediaFile::videoExtensions().contains(extension);
        if (!video && !PhotoFile::extensions().contains(extension))
            continue;
        names.append(std::move(e.name));
        videos.append(video);
    }
    QList<OrderMedia> out;
    out.reserve(names.size());
    for (qsizetype i : fileManagerOrder(names))
        out.append(OrderMedia { childPath(folder, names[i]), videos[i] });
    return out;
}

} // namespace quavel::OrderListing
