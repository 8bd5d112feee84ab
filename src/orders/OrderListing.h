#pragma once

#include "orders/OrderFolder.h"
#include "orders/OrderMedia.h"

#include <QByteArray>
#include <QList>
#include <QString>

// How the orders tree is listed: direct entries only, hidden names (starting with ".") skipped, sorted
// in the file manager's order (case ignored, runs of digits by value), entries that compare equal in
// listing order. No folder is a package on Linux, so none is skipped for being one. Symbolic links are
// taken as the links they are (a link is not a folder). Names are decoded with NativeName: a path keeps
// the bytes of a name that is not UTF-8, and a folder's shown name has U+FFFD for them.
namespace quavel::OrderListing {

struct Contents
{
    QList<OrderFolder> folders;
    QList<OrderMedia> media;
    // Hidden entries of the application's own temporary names in a photo folder
    // (PhotoFiles::isPhotoFolderTemporary), by their bytes: the candidates of the sweep of leftovers.
    QList<QByteArray> leftovers;
    // Whether the folder holds ".quavel-originals".
    bool hasOriginals = false;
    // The identity of the folder the listing read (ListedFolder).
    quint64 device = 0;
    quint64 inode = 0;
};

// The sub-folders and the media of a folder from one listing (what is not wanted stays empty). Throws
// FileError (French message) when the folder cannot be listed.
Contents contents(const QString& folder, bool wantFolders = true, bool wantMedia = true);

// The visible sub-folders. Throws FileError (French message) when the folder cannot be listed.
QList<OrderFolder> directories(const QString& folder);

// The visible entries that are not folders and whose lower-cased extension is a photo or a video one.
// Throws FileError when the folder cannot be listed.
QList<OrderMedia> media(const QString& folder);

// Forgets the collation keys kept of the names listed so far, so that the next listing makes the key of
// every name again, as the first listing of the process does. For benchmarks and tests: the order of a
// listing never depends on it.
void clearSortKeyCache();

} // namespace quavel::OrderListing
