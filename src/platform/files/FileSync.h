#pragma once

#include <QString>

// Flushing written files to the storage device, for the moments a result is reported as saved.
namespace quavel::FileSync {

// Flushes every file of the file system that holds `path` (syncfs(2)): one call after a run of
// copies, instead of one fsync per file. 0, or the errno value (EIO when write-back failed).
int syncFileSystem(const QString& path);

// Flushes a folder's entries (fsync(2) of the folder), so that names just created or renamed in it
// survive a crash. 0 or the errno value.
int syncFolder(const QString& path);
// The same for a folder already open (any descriptor of it, a path-only one included).
int syncFolderAt(int folderFd);

} // namespace quavel::FileSync
