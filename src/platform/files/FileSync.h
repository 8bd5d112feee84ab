#pragma once

#include <QString>

#include <functional>

// Flushing written files to the storage device, for the moments a result is reported as saved. Every
// flush of the application goes through here, so that the order and presence of flushes can be watched.
namespace quavel::FileSync {

// Flushes every file of the file system that holds `path` (syncfs(2)): one call after a run of
// copies, instead of one fsync per file. 0, or the errno value (EIO when write-back failed).
int syncFileSystem(const QString& path);

// Flushes a folder's entries (fsync(2) of the folder), so that names just created or renamed in it
// survive a crash. 0 or the errno value.
int syncFolder(const QString& path);
// The same for a folder already open (any descriptor of it, a path-only one included).
int syncFolderAt(int folderFd);

// Flushes the content of an open file (fsync(2)). 0 or the errno value.
int syncFile(int fd);

// Tests: one flush about to run. `path` is what /proc says the descriptor is (for an unnamed file, the
// folder's path, "/#<inode>" and " (deleted)"), or the path asked for.
struct Flush
{
    enum class Kind { file, folder, fileSystem };
    Kind kind = Kind::file;
    QString path;
};
// Tests: called before every flush (from the flushing thread); a non-zero return is the errno value
// the flush then fails with, without running. Process-wide; an empty function removes it.
void setRecorderForTesting(std::function<int(const Flush&)> recorder);

} // namespace quavel::FileSync
