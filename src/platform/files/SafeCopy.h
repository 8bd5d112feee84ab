#pragma once

#include "platform/files/RegularFile.h"

#include <QString>

#include <cstddef>
#include <functional>

#include <sys/stat.h>

// Copies that can never overwrite anything nor show a partial file. The content is written into an
// UnnamedFile in the target's folder (no name at all, or a hidden locked temporary one) and only the
// complete file is given its name, by a link that fails on a name already taken (by an earlier copy,
// another run at the same moment, or any other program) instead of replacing it. A copy killed part
// way leaves nothing under a final name. The content is cloned where the file system shares extents
// (FICLONE), else copied in the kernel (copy_file_range), else read and written; the source's
// permission bits (where the file system keeps them), access and modification times are carried over
// (photographers sort by date). Nothing is flushed to the device here: a run of copies ends with one
// FileSync::syncFileSystem. Safe to call from any thread: it touches no shared state.
namespace quavel::SafeCopy {

// Throws FileError (errnoValue() tells the cause; EEXIST when the target name is taken) with the
// French description of the failure. A source that is not a regular file fails with EISDIR or EINVAL.
void copyFile(const QString& source, const QString& target);

// The same without exceptions: 0 on success, else the errno value of the failure.
int tryCopyFile(const QString& source, const QString& target) noexcept;

// Copies source into folder under the first free name of nameFor(attempt), for attempt from its given
// value on: the content is written once, and a name found taken moves on to the next one. 0 on success,
// else the errno value of the failure; `attempt` is left at the last name tried.
int tryCopyToFreeName(const QString& source, const QString& folder,
    const std::function<QString(int)>& nameFor, int& attempt) noexcept;

// The steps beneath, for writers that name and flush their copies their own way.

// A file opened to be copied: a regular file (RegularFile: the open never waits, and a FIFO or a device
// under a photo's name is refused before anything is read), read once from start to end.
class Source : public RegularFile
{
public:
    explicit Source(const QString& path);
};

// Copies the whole of in, just opened (at offset 0), into out, a new empty file: cloned, copied in the
// kernel, or read and written. 0 on success, else the errno value of the failure.
int copyContent(int in, int out) noexcept;

// Writes all of data through fd, resuming after interruptions. 0, or the errno value of the failure.
int writeAll(int fd, const char* data, size_t size) noexcept;

// The permission bits of `mode` (read, write and execute of owner, group and others) on the file fd.
// A file system that cannot keep them leaves the file with what it gives, and that is no failure: FAT
// and exFAT refuse them (EPERM), some FUSE file systems answer EOPNOTSUPP or ENOSYS. 0, or the errno
// value of another failure.
int copyMode(int fd, mode_t mode) noexcept;

// copyMode, then the access and modification times of `st` on fd: last, so that nothing written
// afterwards moves them again (photographers sort by date). 0, or the errno value of the failure.
int copyAttributes(int fd, const struct stat& st) noexcept;

} // namespace quavel::SafeCopy
