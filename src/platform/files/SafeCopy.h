#pragma once

#include <QString>

// Copies that can never overwrite anything. The target is created with O_EXCL, so a name already
// taken (by an earlier copy, another run at the same moment, or any other program) fails with EEXIST
// instead of being replaced. The content is cloned where the file system shares extents (FICLONE),
// else copied in the kernel (copy_file_range), else read and written; the source's permission bits,
// access and modification times are carried over (photographers sort by date). A copy that fails part
// way removes the target it created, so no half-written photo is ever left behind.
// Safe to call from any thread: it touches no shared state.
namespace quavel::SafeCopy {

// Throws FileError (errnoValue() tells the cause; EEXIST when the target name is taken) with the
// French description of the failure. A source that is not a regular file fails with EISDIR or EINVAL.
void copyFile(const QString& source, const QString& target);

// The same without exceptions: 0 on success, else the errno value of the failure.
int tryCopyFile(const QString& source, const QString& target) noexcept;

} // namespace quavel::SafeCopy
