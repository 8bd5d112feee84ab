#include "platform/files/SafeCopy.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
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

int writeAll(int fd, const char* data, size_t size)
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

// Continues from the current offsets of both descriptors until the end of the source.
int readWriteCopy(int in, int out)
{
    static thread_local std::unique_ptr<char[]> buffer(new char[bufferSize]);
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

int copyContent(int in, int out)
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

// Removes the target only while it is still the file this copy created.
void removeCreated(const QByteArray& target, int out)
{
    struct stat mine
    {
    };
    struct stat now
    {
    };
    if (::fstat(out, &mine) == 0 && ::lstat(target.constData(), &now) == 0 && mine.st_dev == now.st_dev
        && mine.st_ino == now.st_ino)
        ::unlink(target.constData());
}

} // namespace

int tryCopyFile(const QString& source, const QString& target) noexcept
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);

    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0)
        return errno;
    struct stat st
    {
    };
    if (::fstat(in, &st) != 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(in);
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }

    // Photos are read once from start to end (a memory card, a disk): a wider read-ahead helps.
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);

    // Owner-only until the content is complete; the source's bits are applied at the end.
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }

    int e = copyContent(in, out);
    if (e == 0 && ::fchmod(out, st.st_mode & 0777) != 0)
        e = errno;
    if (e == 0) {
        // Last, so that nothing written afterwards moves the modification time again.
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        if (::futimens(out, times) != 0)
            e = errno;
    }
    if (e != 0)
        removeCreated(to, out);
    ::close(in);
    if (::close(out) != 0 && e == 0) {
        e = errno;
        ::unlink(to.constData());
    }
    return e;
}

void copyFile(const QString& source, const QString& target)
{
    if (const int e = tryCopyFile(source, target))
        throw FileError(e, frenchDescription(e));
}

} // namespace quavel::SafeCopy
