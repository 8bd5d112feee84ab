#include "platform/files/UnnamedFile.h"

#include "platform/files/FileSync.h"
#include "platform/files/NativeName.h"
#include "platform/files/PlaceholderRecord.h"
#include "platform/files/TemporarySweep.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel {

namespace {

using Method = UnnamedFile::Method;

std::atomic<int> g_firstMethod { int(Method::unnamedLink) };

bool isFirst(Method method)
{
    return g_firstMethod.load() <= int(method);
}

// The first method a file with a hidden name (or an entry that has a name) may use.
Method firstNamedMethod()
{
    return Method(std::max(g_firstMethod.load(), int(Method::noReplaceRename)));
}

// An unnamed file is linked through its /proc/self/fd entry (linkat with AT_EMPTY_PATH needs a
// capability that desktop users do not have); without /proc, unnamed files are not used at all.
bool procMounted()
{
    static const bool mounted = ::access("/proc/self/fd", X_OK) == 0;
    return mounted;
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

// Hard links refused by the file system (FAT, exFAT and many FUSE ones) or by the file (EPERM: an
// immutable file, or a link the kernel protects).
bool linksUnsupported(int e)
{
    return e == EPERM || e == EOPNOTSUPP || e == ENOSYS || e == EMLINK || e == EXDEV;
}

std::function<void(UnnamedFile::PlaceholderStep)>& placeholderHook()
{
    static std::function<void(UnnamedFile::PlaceholderStep)> hook;
    return hook;
}

void atPlaceholderStep(UnnamedFile::PlaceholderStep step)
{
    if (placeholderHook())
        placeholderHook()(step);
}

// The last way (FAT, exFAT): the name is taken by exclusive creation, then the entry replaces that
// empty placeholder in one rename. A kill between the two leaves the placeholder under the name: it is
// locked while its writer lives, recorded before it exists and marked once it does, so that a later
// sweep knows it for what it is, whenever the kill falls.
int renameOverPlaceholder(int dir, const char* from, const char* to)
{
    // Removed when this returns: by then the placeholder is gone or replaced by the whole file.
    PlaceholderRecord record;
    if (const int e = record.write(dir, QByteArray(to)))
        return e;
    int placeholder = -1;
    for (;;) {
        placeholder = ::openat(dir, to, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOCTTY, 0600);
        if (placeholder < 0)
            return errno;
        if (TemporarySweep::lockCreated(placeholder))
            break;
        ::close(placeholder);
    }
    atPlaceholderStep(UnnamedFile::PlaceholderStep::created);
    // Unmarked it is still known by its record; marked, also by the sweeps that read no record and
    // by the next file given its name.
    TemporarySweep::markPlaceholder(placeholder);
    atPlaceholderStep(UnnamedFile::PlaceholderStep::marked);
    const int e = ::renameat(dir, from, dir, to) == 0 ? 0 : errno;
    if (e != 0)
        ::unlinkat(dir, to, 0);
    ::close(placeholder);
    return e;
}

// Moves `from` to `to` in dir without ever replacing what has `to`, from `method` on; a method the file
// system refuses moves `method` on to the next one.
int moveNoReplaceOnce(int dir, const char* from, const char* to, Method& method)
{
    if (method <= Method::noReplaceRename) {
        method = Method::noReplaceRename;
        if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0)
            return 0;
        if (!noReplaceUnsupported(errno))
            return errno;
        method = Method::linkThenUnlink;
    }
    if (method == Method::linkThenUnlink) {
        if (::linkat(dir, from, dir, to, 0) == 0) {
            if (::unlinkat(dir, from, 0) == 0)
                return 0;
            const int e = errno;
            ::unlinkat(dir, to, 0);
            return e;
        }
        if (!linksUnsupported(errno))
            return errno;
        method = Method::placeholderRename;
    }
    return renameOverPlaceholder(dir, from, to);
}

// A name held by the placeholder a killed writer left is free: the entry takes it by one rename under
// the placeholder's lock, so that no other writer's file can be put there meanwhile. EEXIST otherwise.
int takeOverPlaceholder(int dir, const char* from, const char* to)
{
    const int lock = TemporarySweep::lockAbandonedPlaceholder(dir, to);
    if (lock < 0)
        return EEXIST;
    const int e = ::renameat(dir, from, dir, to) == 0 ? 0 : errno;
    ::close(lock);
    return e;
}

bool isPlaceholderAt(int dir, const char* name)
{
    struct stat st
    {
    };
    return ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && TemporarySweep::isPlaceholder(st);
}

int moveNoReplace(int dir, const char* from, const char* to, Method& method)
{
    const int e = moveNoReplaceOnce(dir, from, to, method);
    return e == EEXIST ? takeOverPlaceholder(dir, from, to) : e;
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
        m_folder = std::exchange(other.m_folder, QString());
        m_temporaryName = std::exchange(other.m_temporaryName, QString());
        m_temporary = std::exchange(other.m_temporary, QByteArray());
        m_method = other.m_method;
    }
    return *this;
}

int UnnamedFile::open(const QString& folder, mode_t mode)
{
    discard();
    m_dir = ::open(NativeName::encode(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0)
        return errno;
    m_folder = folder;
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
    if (isFirst(Method::unnamedLink) && procMounted()) {
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
        const QByteArray name = TemporarySweep::temporaryName();
        const int fd = ::openat(
            m_dir, name.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            const int e = errno;
            close();
            return e;
        }
        // A sweep that took the name between creation and lock: another name.
        if (!TemporarySweep::lockCreated(fd)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_temporary = name;
        m_temporaryName = QString::fromLatin1(name);
        m_method = firstNamedMethod();
        return 0;
    }
    close();
    return EEXIST;
}

QString UnnamedFile::path() const
{
    if (m_fd < 0)
        return {};
    if (procMounted())
        return QString::fromLatin1(procPath(m_fd));
    return m_folder.isEmpty() || m_temporaryName.isEmpty() ? QString() : m_folder + u'/' + m_temporaryName;
}

int UnnamedFile::flush(Sync sync)
{
    if (sync == Sync::later)
        return 0;
    return FileSync::syncFile(m_fd);
}

int UnnamedFile::publish(const QString& name, Sync sync)
{
    if (!isOpen())
        return EBADF;
    const QByteArray target = NativeName::encode(name);
    int e = flush(sync);
    if (e == 0 && m_temporary.isEmpty()) {
        if (::linkat(AT_FDCWD, procPath(m_fd).constData(), m_dir, target.constData(), AT_SYMLINK_FOLLOW) != 0)
            e = errno;
    } else if (e == 0) {
        e = moveNoReplace(m_dir, m_temporary.constData(), target.constData(), m_method);
    }
    if (e == EEXIST && m_temporary.isEmpty() && isPlaceholderAt(m_dir, target.constData())) {
        // A killed writer's placeholder: rename(2) over it needs a name to move.
        e = nameHidden();
        if (e == 0)
            e = takeOverPlaceholder(m_dir, m_temporary.constData(), target.constData());
    }
    if (e != 0) {
        if (e != EEXIST)
            discard();
        return e;
    }
    // The name was free: a name that may not survive a crash is no success, and the new file goes again.
    return finish(target, sync, Failure::removesName);
}

// rename(2) needs a name to move: an unnamed file gets a hidden one, under its lock so no sweep takes it.
int UnnamedFile::nameHidden()
{
    ::flock(m_fd, LOCK_EX);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray hidden = TemporarySweep::temporaryName();
        if (::linkat(AT_FDCWD, procPath(m_fd).constData(), m_dir, hidden.constData(), AT_SYMLINK_FOLLOW)
            == 0) {
            m_temporary = hidden;
            m_temporaryName = QString::fromLatin1(hidden);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int UnnamedFile::replace(const QString& name, Sync sync)
{
    if (!isOpen())
        return EBADF;
    const QByteArray target = NativeName::encode(name);
    int e = flush(sync);
    if (e == 0 && m_temporary.isEmpty())
        e = nameHidden();
    if (e == 0 && ::renameat(m_dir, m_temporary.constData(), m_dir, target.constData()) != 0)
        e = errno;
    if (e != 0) {
        discard();
        return e;
    }
    // The file stands under its name whatever the flush or closing says: it replaced what was there.
    // A failed flush still fails the write: the replacement may not survive a crash.
    return finish(target, sync, Failure::keepsName);
}

int UnnamedFile::finish(const QByteArray& name, Sync sync, Failure failure)
{
    m_temporary.clear();
    m_temporaryName.clear();
    int e = sync == Sync::now ? FileSync::syncFolderAt(m_dir) : 0;
    const int dir = std::exchange(m_dir, -1);
    if (const int closed = close(); e == 0)
        e = closed;
    if (e != 0 && failure == Failure::removesName)
        ::unlinkat(dir, name.constData(), 0);
    ::close(dir);
    return e;
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
    m_folder.clear();
    return e;
}

int UnnamedFile::renameNoReplace(int folderFd, const QByteArray& from, const QByteArray& to)
{
    Method method = firstNamedMethod();
    return moveNoReplace(folderFd, from.constData(), to.constData(), method);
}

bool UnnamedFile::isTemporaryName(QStringView name)
{
    if (TemporarySweep::isTemporaryName(name))
        return true;
    // Earlier versions: ".quavel-partial-" and twelve lower-case letters or digits.
    constexpr QLatin1String partial(".quavel-partial-");
    if (name.size() != partial.size() + 12 || !name.startsWith(partial))
        return false;
    for (const QChar c : name.sliced(partial.size()))
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

void UnnamedFile::setPlaceholderHookForTesting(std::function<void(PlaceholderStep)> hook)
{
    placeholderHook() = std::move(hook);
}

} // namespace quavel
