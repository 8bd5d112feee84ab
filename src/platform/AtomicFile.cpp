#include "platform/AtomicFile.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/files/RegularFile.h"
#include "platform/files/TemporarySweep.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::AtomicFile {

namespace {

[[noreturn]] void fail(int e)
{
    throw FileError(e, frenchDescription(e));
}

// The process's file-creation mask, read without changing it (umask(2) can only be read by setting it,
// which would race with other threads creating files).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask & 0777);
            }
        }
    }
    return 022;
}

// Opens the folder a path names (following a link there, as the path would).
int openFolderOf(const QString& path)
{
    const QByteArray folder = NativeName::encode(QFileInfo(NativeName::absolute(path)).absolutePath());
    return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The temporary sibling, created and locked (TemporarySweep) so that a sweep can tell a living
// writer's file from one left by a killed process.
int createTemporary(int folderFd, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporarySweep::temporaryName();
        const int fd = ::openat(
            folderFd, name.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            fail(errno);
        }
        if (TemporarySweep::lockCreated(fd))
            return fd;
        ::close(fd);
    }
    fail(EEXIST);
}

// Hard links refused by the file system, or by the file (EPERM: immutable, or a protected link).
bool linksRefused(int e)
{
    return e == EPERM || e == EOPNOTSUPP || e == ENOSYS || e == EMLINK || e == EXDEV;
}

bool noReplaceUnsupported(int e)
{
    return e == EINVAL || e == ENOSYS || e == EOPNOTSUPP;
}

// `name` cut to at most `room` bytes, never inside a UTF-8 sequence.
QByteArray cutTo(const QByteArray& name, qsizetype room)
{
    if (name.size() <= room)
        return name;
    qsizetype end = std::max<qsizetype>(room, 0);
    while (end > 0 && (uchar(name[end]) & 0xC0) == 0x80)
        --end;
    return name.first(end);
}

constexpr qsizetype nameMax = 255;

} // namespace

void write(const QString& path, const QByteArray& bytes)
{
    const Descriptor folder(openFolderOf(path));
    if (folder.get() < 0)
        fail(errno);
    writeAt(folder.get(), QFileInfo(path).fileName(), bytes);
}

void writeAt(int folderFd, const QString& name, const QByteArray& bytes)
{
    const QByteArray target = NativeName::encode(name);
    QByteArray temporary;
    const int fd = createTemporary(folderFd, temporary);
    const auto abandon = [&](int e) {
        ::unlinkat(folderFd, temporary.constData(), 0);
        ::close(fd);
        fail(e);
    };

    // Keep the permissions of the file being replaced; a new file gets what open(2) would give it
    // (0666 less the umask), not the temporary's 0600.
    struct stat st
    {
    };
    const mode_t mode = (::fstatat(folderFd, target.constData(), &st, 0) == 0 && S_ISREG(st.st_mode))
        ? (st.st_mode & 07777)
        : (0666 & ~currentUmask());
    ::fchmod(fd, mode);

    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        data += n;
        left -= n;
    }
    if (::fsync(fd) != 0)
        abandon(errno);
    // Renamed while still open and locked; fsync has reported any write-back error, so closing after
    // the rename cannot lose the content.
    if (::renameat(folderFd, temporary.constData(), folderFd, target.constData()) != 0)
        abandon(errno);
    ::close(fd);
    ::fsync(folderFd);
}

bool tryWrite(const QString& path, const QByteArray& bytes) noexcept
{
    try {
        write(path, bytes);
        return true;
    } catch (...) {
        return false;
    }
}

std::optional<QByteArray> read(const QString& path)
{
    // Never a FIFO or a device under the file's name: opened the ordinary way, it would never answer.
    const RegularFile file(path);
    return file.readAll();
}

std::optional<QString> setAside(const QString& path, const QDateTime& now)
{
    const Descriptor folder(openFolderOf(path));
    if (folder.get() < 0)
        return std::nullopt;
    const std::optional<QString> name = setAsideAt(folder.get(), QFileInfo(path).fileName(), now);
    if (!name)
        return std::nullopt;
    return QFileInfo(NativeName::absolute(path)).absolutePath() + u'/' + *name;
}

std::optional<QString> setAsideAt(int folderFd, const QString& name, const QDateTime& now)
{
    const QByteArray source = NativeName::encode(name);
    struct stat st
    {
    };
    if (::fstatat(folderFd, source.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    const QByteArray stamp
        = ".unreadable-" + now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
    bool links = true;
    bool noReplace = true;
    for (int n = 1; n <= 1000; ++n) {
        const QByteArray suffix = n == 1 ? stamp : stamp + '-' + QByteArray::number(n);
        const QByteArray target = cutTo(source, nameMax - suffix.size()) + suffix;
        // A new link, then the old name goes: a name already taken (an earlier set-aside copy of the
        // same second, or any file of that name) is never replaced.
        if (links) {
            if (::linkat(folderFd, source.constData(), folderFd, target.constData(), 0) == 0) {
                if (::unlinkat(folderFd, source.constData(), 0) != 0) {
                    ::unlinkat(folderFd, target.constData(), 0);
                    return std::nullopt;
                }
                return NativeName::decode(target);
            }
            if (errno == EEXIST)
                continue;
            if (!linksRefused(errno))
                return std::nullopt;
            links = false;
        }
        if (noReplace) {
            if (::renameat2(folderFd, source.constData(), folderFd, target.constData(), RENAME_NOREPLACE)
                == 0)
                return NativeName::decode(target);
            if (errno == EEXIST)
                continue;
            if (!noReplaceUnsupported(errno))
                return std::nullopt;
            noReplace = false;
        }
        // Neither links nor an exclusive rename (some FUSE file systems): a checked rename.
        struct stat taken
        {
        };
        if (::fstatat(folderFd, target.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (::renameat(folderFd, source.constData(), folderFd, target.constData()) == 0)
            return NativeName::decode(target);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace quavel::AtomicFile
