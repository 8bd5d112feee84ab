#include "platform/files/SafeCopy.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/files/UnnamedFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <new>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::SafeCopy {

namespace {

constexpr size_t kernelChunk = size_t(1) << 30;
constexpr size_t bufferSize = size_t(1) << 20;

// copy_file_range refuses some pairs of files (other file systems on older kernels, special files,
// file systems without support): those errors mean "copy it by hand", not "the copy failed".
bool kernelCopyUnsupported(int e)
{
    return e == EXDEV || e == EINVAL || e == ENOSYS || e == EOPNOTSUPP || e == EBADF || e == EPERM
        || e == ETXTBSY;
}

// Continues from the current offsets of both descriptors until the end of the source.
int readWriteCopy(int in, int out)
{
    static thread_local std::unique_ptr<char[]> buffer;
    if (!buffer)
        buffer.reset(new (std::nothrow) char[bufferSize]);
    if (!buffer)
        return ENOMEM;
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), bufferSize);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (int e = writeAll(out, buffer.get(), size_t(n)))
            return e;
    }
}

} // namespace

int copyMode(int fd, mode_t mode) noexcept
{
    if (::fchmod(fd, mode & 0777) != 0 && errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    return 0;
}

int copyAttributes(int fd, const struct stat& st) noexcept
{
    if (const int e = copyMode(fd, st.st_mode))
        return e;
    const struct timespec times[2] = { st.st_atim, st.st_mtim };
    if (::futimens(fd, times) != 0)
        return errno;
    return 0;
}

int writeAll(int fd, const char* data, size_t size) noexcept
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= size_t(n);
    }
    return 0;
}

int copyContent(int in, int out) noexcept
{
    if (::ioctl(out, FICLONE, in) == 0)
        return 0;
    // A failed clone leaves the target empty and both offsets at zero.
    bool kernel = true;
    while (kernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kernelChunk, 0);
        if (n == 0)
            return 0;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (!kernelCopyUnsupported(errno))
            return errno;
        kernel = false;
    }
    return readWriteCopy(in, out);
}

Source::Source(const QString& path)
    : RegularFile(path)
{
    // Photos are read once from start to end (a memory card, a disk): a wider read-ahead helps.
    if (isOpen())
        ::posix_fadvise(fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

namespace {

// The copy, complete and unnamed, then the names in turn until one is free.
int copyInto(const QString& source, const QString& folder, const std::function<QString(int)>& nameFor,
    int& attempt, bool onlyFirst) noexcept
{
    try {
        const Source in(source);
        if (in.error())
            return in.error();
        UnnamedFile out;
        if (const int e = out.open(folder, 0600))
            return e;
        if (const int e = copyContent(in.fd(), out.fd()))
            return e;
        if (const int e = copyAttributes(out.fd(), in.status()))
            return e;
        for (;; ++attempt) {
            const int e = out.publish(nameFor(attempt));
            if (e != EEXIST || onlyFirst)
                return e;
        }
    } catch (...) {
        return ENOMEM; // a name could not be made
    }
}

} // namespace

int tryCopyFile(const QString& source, const QString& target) noexcept
{
    const qsizetype slash = target.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".")
        : slash == 0                 ? QStringLiteral("/")
                                     : target.left(slash);
    const QString name = target.mid(slash + 1);
    if (name.isEmpty())
        return EISDIR;
    int attempt = 0;
    return copyInto(
        source, folder, [&](int) { return name; }, attempt, true);
}

int tryCopyToFreeName(const QString& source, const QString& folder,
    const std::function<QString(int)>& nameFor, int& attempt) noexcept
{
    return copyInto(source, folder, nameFor, attempt, false);
}

void copyFile(const QString& source, const QString& target)
{
    if (const int e = tryCopyFile(source, target))
        throw FileError(e, frenchDescription(e));
}

} // namespace quavel::SafeCopy
