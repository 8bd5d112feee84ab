#include "platform/files/FileSync.h"

#include "platform/files/NativeName.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quavel::FileSync {

namespace {

int withFolder(const QString& path, int (*operation)(int))
{
    const int fd = ::open(NativeName::encode(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int e = 0;
    while (operation(fd) != 0) {
        if (errno != EINTR) {
            e = errno;
            break;
        }
    }
    ::close(fd);
    return e;
}

} // namespace

int syncFileSystem(const QString& path)
{
    return withFolder(path, &::syncfs);
}

int syncFolder(const QString& path)
{
    return withFolder(path, &::fsync);
}

int syncFolderAt(int folderFd)
{
    // fsync refuses a path-only descriptor: a readable one of its own.
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int e = 0;
    while (::fsync(fd) != 0) {
        if (errno != EINTR) {
            e = errno;
            break;
        }
    }
    ::close(fd);
    return e;
}

} // namespace quavel::FileSync
