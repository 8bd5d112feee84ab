#pragma once

#include <QString>
#include <QtGlobal>

namespace quavel {

// A folder as a listing found it: its path, and the device and inode the path named then. The same path
// naming another identity is another folder: a disk unmounted leaves the empty folder it was mounted
// on, and a folder moved away and made again under its name is a new one.
struct ListedFolder
{
    QString path;
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const ListedFolder&) const = default;

    // Whether the path still names that very folder. A path that cannot be examined (gone, or on a disk
    // gone: ENOENT, ENOTCONN, EIO) or that names anything else does not.
    bool isStillThere() const;
};

} // namespace quavel
