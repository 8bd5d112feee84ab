#include "platform/files/UnnamedFile.h"

#include "platform/files/NativeName.h"
#include "platform/files/TemporarySweep.h"

#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel {

namespace {

constexpr char hiddenPrefix[] = ".quavel-partial-";
constexpr qsizetype prefixLength = sizeof hiddenPrefix - 1;
constexpr qsizetype randomLength = 12;
constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";

std::atomic<int> g_firstMethod { int(UnnamedFile::Method::unnamedLink) };

bool isFirst(UnnamedFile::Method method)
{
    return g_firstMethod.load() <= int(method);
}

QByteArray randomHiddenName()
{
    QByteArray name(hiddenPrefix);
    for (qsizetype i = 0; i < randomLength; ++i)
        name += alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))];
    return name;
}

// An unnamed file is linked through its /proc/self/fd entry (linkat with AT_EMPTY_PATH needs a
// capability that desktop users do not have); without /proc, unnamed files are not used at all.
bool canLinkUnnamed()
{
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted;
}

QByteArray procPath(int fd)
{
    char path[32];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    return QByteArray(path);
}

// The file system has no unnamed files (EOPNOTSUPP), or the kernel does not know O_TMPFILE at all
// (it then reads as O_DIRECTORY on a folder opened for writing: EISDIR).
bool unnamedUnsupported(int e)
{
    return e == EOPNOTSUPP || e == EISDIR || e == EINVAL;
}

// RENAME_NOREPLACE refused by the file system (FUSE and network file systems without it).
bool noReplaceUnsupported(int e)
{
    return e == EINVAL || e == ENOSYS || e == EOPNOTSUPP;
}

// Hard links refused by the file system (FAT, exFAT and many FUSE ones).
bool linksUnsupported(int e)
{
    return e == EPERM || e == EOPNOTSUPP || e == ENOSYS || e == EMLINK;
}

} // namespace

UnnamedFile::~UnnamedFile()
{
    discard();
}

UnnamedFile::UnnamedFile(UnnamedFile&& other) noexcept
{
    *this = std::move(other);
}

UnnamedFile& UnnamedFile::operator=(UnnamedFile&& other) noexcept
{
    if (this != &other) {
        discard();
        m_dir = std::exchange(other.m_dir, -1);
        m_fd = std::exchange(other.m_fd, -1);
        m_temporaryName = std::move(other.m_temporaryName);
        m_temporary = std::move(other.m_temporary);
        m_method = other.m_method;
        other.m_temporaryName.clear();
        other.m_temporary.clear();
    }
    return *this;
}

int UnnamedFile::open(const QString& folder, mode_t mode)
{
    discard();
    m_dir = ::open(NativeName::encode(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0)
        return errno;
    return openIn(mode);
}

int UnnamedFile::openAt(int folderFd, mode_t mode)
{
    discard();
    m_dir = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (m_dir < 0)
        return errno;
    return openIn(mode);
}

int UnnamedFile::openIn(mode_t mode)
{
    if (isFirst(Method::unnamedLink) && canLinkUnnamed()) {
        m_fd = ::openat(m_dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (m_fd >= 0) {
            m_method = Method::unnamedLink;
            return 0;
        }
        if (!unnamedUnsupported(errno)) {
            const int e = errno;
            close();
            return e;
        }
    }
    return openHidden(mode);
}

int UnnamedFile::openHidden(mode_t mode)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = randomHiddenName();
        const int fd
            = ::openat(m_dir, name.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOCTTY, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            const int e = errno;
            close();
            return e;
        }
        if (!TemporarySweep::lockCreated(fd)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_temporary = name;
        m_temporaryName = QString::fromLatin1(name);
        m_method = Method(std::max(g_firstMethod.load(), int(Method::noReplaceRename)));
        return 0;
    }
    close();
    return EEXIST;
}

int UnnamedFile::publish(const QString& name)
{
    if (!isOpen())
        return EBADF;
    const QByteArray target = NativeName::encode(name);
    if (m_temporary.isEmpty()) {
        if (::linkat(AT_FDCWD, procPath(m_fd).constData(), m_dir, target.constData(), AT_SYMLINK_FOLLOW)
            != 0) {
            const int e = errno;
            if (e != EEXIST)
                discard();
            return e;
        }
    } else if (const int e = publishHidden(target)) {
        if (e != EEXIST)
            discard();
        return e;
    }
    m_temporary.clear();
    m_temporaryName.clear();
    const int dir = std::exchange(m_dir, -1);
    const int e = close();
    if (e != 0)
        ::unlinkat(dir, target.constData(), 0);
    ::close(dir);
    return e;
}

int UnnamedFile::publishHidden(const QByteArray& target)
{
    const char* temporary = m_temporary.constData();
    if (m_method == Method::noReplaceRename) {
        if (::renameat2(m_dir, temporary, m_dir, target.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        if (!noReplaceUnsupported(errno))
            return errno;
        m_method = Method::linkThenUnlink;
    }
    if (m_method == Method::linkThenUnlink) {
        if (::linkat(m_dir, temporary, m_dir, target.constData(), 0) == 0) {
            ::unlinkat(m_dir, temporary, 0);
            return 0;
        }
        if (!linksUnsupported(errno))
            return errno;
        m_method = Method::placeholderRename;
    }
    // The name is taken by exclusive creation, then the complete file replaces that empty placeholder
    // in one rename: only a kill between the two leaves an empty file under the name.
    const int placeholder
        = ::openat(m_dir, target.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOCTTY, 0600);
    if (placeholder < 0)
        return errno;
    ::close(placeholder);
    if (::renameat(m_dir, temporary, m_dir, target.constData()) != 0) {
        const int e = errno;
        ::unlinkat(m_dir, target.constData(), 0);
        return e;
    }
    return 0;
}

int UnnamedFile::replace(const QString& name)
{
    if (!isOpen())
        return EBADF;
    const QByteArray target = NativeName::encode(name);
    if (m_temporary.isEmpty()) {
        // rename(2) needs a name to move: a hidden one, under this file's lock so no sweep takes it.
        ::flock(m_fd, LOCK_EX);
        for (int attempt = 0; attempt < 100 && m_temporary.isEmpty(); ++attempt) {
            const QByteArray hidden = randomHiddenName();
            if (::linkat(AT_FDCWD, procPath(m_fd).constData(), m_dir, hidden.constData(), AT_SYMLINK_FOLLOW)
                == 0)
                m_temporary = hidden;
            else if (errno != EEXIST) {
                const int e = errno;
                discard();
                return e;
            }
        }
        if (m_temporary.isEmpty()) {
            discard();
            return EEXIST;
        }
        m_temporaryName = QString::fromLatin1(m_temporary);
    }
    if (::renameat(m_dir, m_temporary.constData(), m_dir, target.constData()) != 0) {
        const int e = errno;
        discard();
        return e;
    }
    m_temporary.clear();
    m_temporaryName.clear();
    return close();
}

void UnnamedFile::discard()
{
    if (m_fd >= 0 && !m_temporary.isEmpty())
        ::unlinkat(m_dir, m_temporary.constData(), 0);
    m_temporary.clear();
    m_temporaryName.clear();
    close();
}

int UnnamedFile::close()
{
    int e = 0;
    if (m_fd >= 0 && ::close(m_fd) != 0 && errno != EINTR)
        e = errno;
    m_fd = -1;
    if (m_dir >= 0)
        ::close(m_dir);
    m_dir = -1;
    return e;
}

bool UnnamedFile::isTemporaryName(QStringView name)
{
    if (name.size() != prefixLength + randomLength || !name.startsWith(QLatin1String(hiddenPrefix)))
        return false;
    for (const QChar c : name.sliced(prefixLength))
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

int UnnamedFile::removeLeftovers(const QString& folder)
{
    return TemporarySweep::sweepFolder(folder, &UnnamedFile::isTemporaryName);
}

void UnnamedFile::startFromForTesting(Method first)
{
    g_firstMethod = int(first);
}

} // namespace quavel
