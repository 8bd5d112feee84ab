#include "photo/CropSessionFolder.h"

#include "platform/UuidText.h"
#include "platform/files/SafeCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::CropSessionFolder {

namespace {

// The lock file every running instance holds shared; the sweep needs it exclusively.
constexpr char lockName[] = ".lock";

// Kept open (and locked) for the life of the process once sweepAtStart has run.
int heldLock = -1;

QString cacheHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    // A relative value is invalid by the base-directory rules and is ignored.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.cache");
}

} // namespace

QString path()
{
    return QDir::cleanPath(cacheHome() + QStringLiteral("/QUAVEL/quavel-crop-session"));
}

std::optional<QString> ensure()
{
    const QString folder = path();
    const QByteArray native = QFile::encodeName(folder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()))
        return std::nullopt;
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    // Opened without following a link: the copies go into this very folder or nowhere.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st
    {
    };
    bool ok = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid();
    if (ok && (st.st_mode & 07777) != 0700)
        ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return folder;
}

std::optional<QString> makeCopy(const QString& source)
{
    const auto folder = ensure();
    if (!folder)
        return std::nullopt;
    const QString name = uuidText(QUuid::createUuid()) + QLatin1Char('.') + QFileInfo(source).suffix();
    const QString target = *folder + QLatin1Char('/') + name;
    if (SafeCopy::tryCopyFile(source, target) != 0)
        return std::nullopt;
    return target;
}

int sweepAtStart()
{
    if (heldLock >= 0)
        return 0;
    const auto folder = ensure();
    if (!folder)
        return 0;
    const QByteArray lockPath = QFile::encodeName(*folder + QLatin1Char('/') + QLatin1String(lockName));
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return 0;
    heldLock = fd;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another instance is running and may still use its copies.
        ::flock(fd, LOCK_SH);
        return 0;
    }

    int removed = 0;
    const QByteArray native = QFile::encodeName(*folder);
    if (DIR* dir = ::opendir(native.constData())) {
        const int dirFd = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == ".." || name == lockName)
                continue;
            struct stat st
            {
            };
            if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
                continue;
            if (::unlinkat(dirFd, entry->d_name, 0) == 0)
                ++removed;
        }
        ::closedir(dir);
    }
    ::flock(fd, LOCK_SH);
    return removed;
}

void releaseForTesting()
{
    if (heldLock >= 0)
        ::close(heldLock);
    heldLock = -1;
}

} // namespace quavel::CropSessionFolder
