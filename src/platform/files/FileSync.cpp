#include "platform/files/FileSync.h"

#include "platform/files/NativeName.h"

#include <QFile>
#include <QMutex>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quavel::FileSync {

namespace {

QMutex& recorderMutex()
{
    static QMutex mutex;
    return mutex;
}

std::function<int(const Flush&)>& recorder()
{
    static std::function<int(const Flush&)> function;
    return function;
}

QString descriptorPath(int fd)
{
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target);
    return n > 0 ? NativeName::decode(QByteArray(target, n)) : QString();
}

// What the recorder says of the flush about to run: 0 to run it.
int recorded(Flush::Kind kind, const std::function<QString()>& path)
{
    QMutexLocker lock(&recorderMutex());
    if (!recorder())
        return 0;
    return recorder()(Flush { kind, path() });
}

int retrying(int (*operation)(int), int fd)
{
    while (operation(fd) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int withFolder(const QString& path, Flush::Kind kind, int (*operation)(int))
{
    if (const int e = recorded(kind, [&] { return path; }))
        return e;
    const int fd = ::open(NativeName::encode(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int e = retrying(operation, fd);
    ::close(fd);
    return e;
}

} // namespace

int syncFileSystem(const QString& path)
{
    return withFolder(path, Flush::Kind::fileSystem, &::syncfs);
}

int syncFolder(const QString& path)
{
    return withFolder(path, Flush::Kind::folder, &::fsync);
}

int syncFolderAt(int folderFd)
{
    if (const int e = recorded(Flush::Kind::folder, [&] { return descriptorPath(folderFd); }))
        return e;
    // fsync refuses a path-only descriptor: a readable one of its own.
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int e = retrying(&::fsync, fd);
    ::close(fd);
    return e;
}

int syncFile(int fd)
{
    if (const int e = recorded(Flush::Kind::file, [&] { return descriptorPath(fd); }))
        return e;
    return retrying(&::fsync, fd);
}

void setRecorderForTesting(std::function<int(const Flush&)> function)
{
    QMutexLocker lock(&recorderMutex());
    recorder() = std::move(function);
}

} // namespace quavel::FileSync
