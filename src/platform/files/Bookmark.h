#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A remembered folder (or file) the application can find again: an opaque blob of our own holding the
// absolute path and the identity (device and inode) the item had when it was remembered. There is no
// sandbox on Linux, so access to a resolved item is always granted; staleness only tells the caller
// that the item at that path is no longer the one remembered and the blob should be made again.
namespace quavel::Bookmark {

// The blob of an existing item, absent when the path cannot be examined. Relative paths are taken
// from the current folder and cleaned.
std::optional<QByteArray> create(const QString& path);

struct Resolved
{
    QString path;
    // The item at the path is not the one remembered (another device or inode).
    bool isStale = false;

    bool operator==(const Resolved&) const = default;
};

// The item a blob designates: its path exists and is of the same kind (folder or not). Absent for a
// missing item, an item of the other kind, and any data that is not one of our blobs.
std::optional<Resolved> resolve(const QByteArray& data);

} // namespace quavel::Bookmark
