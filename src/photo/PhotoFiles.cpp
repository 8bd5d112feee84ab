#include "photo/PhotoFiles.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/UuidText.h"
#include "platform/files/SafeCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <QUuid>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::PhotoFiles {

namespace {

// A hidden name nothing has written to for this long is a leftover even if another process made it.
constexpr time_t leftoverAgeSeconds = 30;

std::atomic<bool> g_noTmpFile { false };
std::atomic<bool> g_noRenameNoReplace { false };
std::atomic<bool> g_noHardLinks { false };

[[noreturn]] void fail(int e)
{
    throw FileError(e, frenchDescription(e));
}

// The hidden names this process is writing right now; the leftover sweep of another write in the same
// folder must not take them.
QMutex& inFlightMutex()
{
    static QMutex mutex;
    return mutex;
}

QSet<QByteArray>& inFlightNames()
{
    static QSet<QByteArray> names;
    return names;
}

class InFlight
{
public:
    explicit InFlight(QByteArray path)
        : m_path(std::move(path))
    {
        QMutexLocker lock(&inFlightMutex());
        inFlightNames().insert(m_path);
    }
    ~InFlight()
    {
        QMutexLocker lock(&inFlightMutex());
        inFlightNames().remove(m_path);
    }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;

private:
    QByteArray m_path;
};

bool isInFlight(const QByteArray& path)
{
    QMutexLocker lock(&inFlightMutex());
    return inFlightNames().contains(path);
}

QByteArray sanitizedExtension(const QString& ext)
{
    const QByteArray lower = ext.toLower().toLatin1();
    if (lower.isEmpty())
        return QByteArrayLiteral("tmp");
    for (char c : lower) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return QByteArrayLiteral("tmp");
    }
    return lower;
}

QByteArray hiddenPath(const QByteArray& folder, const QByteArray& ext)
{
    return folder + "/." + uuidText(QUuid::createUuid()).toLatin1() + '.' + ext;
}

QByteArray folderOf(const QString& path)
{
    return QFile::encodeName(QFileInfo(path).absolutePath());
}

void fsyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int fsyncPath(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int e = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return e;
}

// The new file while it is being made: unnamed (O_TMPFILE) or under its hidden name. Whatever happens
// before release(), the descriptor is closed and a hidden name removed.
class Sibling
{
public:
    Sibling() = default;
    ~Sibling()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    Sibling(const Sibling&) = delete;
    Sibling& operator=(const Sibling&) = delete;

    void openIn(const QByteArray& folder, const QByteArray& ext)
    {
        if (!g_noTmpFile.load()) {
            m_fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return;
            // Kernels or file systems without unnamed files answer one of these.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS)
                fail(errno);
        }
        nameAs(hiddenPath(folder, ext));
        m_fd = ::open(m_name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            const int e = errno;
            m_name.clear();
            fail(e);
        }
    }

    int fd() const { return m_fd; }

    // Gives an unnamed file its hidden name; a named one keeps it.
    void link(const QByteArray& folder, const QByteArray& ext)
    {
        if (!m_name.isEmpty())
            return;
        const QByteArray name = hiddenPath(folder, ext);
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(m_fd);
        m_inFlight.emplace(name);
        // Through /proc where it is mounted; AT_EMPTY_PATH needs a capability on older kernels.
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0
            && ::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) != 0)
            fail(errno);
        m_name = name;
    }

    // Moves the finished file over target in one step; from then on the file is the photo.
    void renameOver(const QByteArray& target)
    {
        if (::rename(m_name.constData(), target.constData()) != 0)
            fail(errno);
        m_name.clear();
    }

private:
    void nameAs(const QByteArray& name)
    {
        m_inFlight.emplace(name);
        m_name = name;
    }

    int m_fd = -1;
    QByteArray m_name;
    std::optional<InFlight> m_inFlight;
};

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

// Copies the rest of in to out: in the kernel where it can, else through a buffer.
int copyAll(int in, int out)
{
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (n == 0)
            return 0;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF
            && errno != EPERM)
            return errno;
        break;
    }
    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), 1 << 20);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (const int e = writeAll(out, buffer.get(), size_t(n)))
            return e;
    }
}

void replaceImpl(const QString& target, const QString& ext, const std::function<void(int fd)>& content,
    bool keepTargetMode)
{
    const QByteArray to = QFile::encodeName(QFileInfo(target).absoluteFilePath());
    const QByteArray folder = folderOf(target);
    const QByteArray extension = sanitizedExtension(ext);
    removeLeftovers(QFile::decodeName(folder));

    struct stat st
    {
    };
    const bool existing = ::stat(to.constData(), &st) == 0 && S_ISREG(st.st_mode);

    Sibling sibling;
    sibling.openIn(folder, extension);
    content(sibling.fd());
    if (keepTargetMode && existing && ::fchmod(sibling.fd(), st.st_mode & 07777) != 0)
        fail(errno);
    if (::fsync(sibling.fd()) != 0)
        fail(errno);
    sibling.link(folder, extension);
    sibling.renameOver(to);
    fsyncFolder(folder);
}

} // namespace

void replace(const QString& target, const QString& ext, const std::function<void(int fd)>& content)
{
    replaceImpl(target, ext, content, true);
}

void replaceWithBytes(const QString& target, const QString& ext, const QByteArray& bytes)
{
    replaceImpl(
        target, ext,
        [&](int fd) {
            if (const int e = writeAll(fd, bytes.constData(), size_t(bytes.size())))
                fail(e);
        },
        true);
}

void replaceWithCopy(const QString& target, const QString& source)
{
    const QByteArray from = QFile::encodeName(source);
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0)
        fail(errno);
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    struct stat st
    {
    };
    if (::fstat(in, &st) != 0)
        fail(errno);
    if (!S_ISREG(st.st_mode))
        fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    replaceImpl(
        target, QFileInfo(target).suffix(),
        [&](int out) {
            if (const int e = copyAll(in, out))
                fail(e);
            if (::fchmod(out, st.st_mode & 07777) != 0)
                fail(errno);
            // Last: nothing written afterwards moves the times again.
            const struct timespec times[2] = { st.st_atim, st.st_mtim };
            if (::futimens(out, times) != 0)
                fail(errno);
        },
        false);
}

void copyNoReplace(const QString& source, const QString& target)
{
    const QByteArray to = QFile::encodeName(QFileInfo(target).absoluteFilePath());
    const QByteArray folder = folderOf(target);
    removeLeftovers(QFile::decodeName(folder));
    if (::access(to.constData(), F_OK) == 0)
        fail(EEXIST);

    const QByteArray temporary = hiddenPath(folder, sanitizedExtension(QFileInfo(target).suffix()));
    const InFlight inFlight(temporary);
    if (const int e = SafeCopy::tryCopyFile(source, QFile::decodeName(temporary)))
        fail(e);
    const auto dropTemporary = [&](int e) {
        ::unlink(temporary.constData());
        fail(e);
    };
    if (const int e = fsyncPath(temporary))
        dropTemporary(e);

    // Into place without ever replacing: renameat2, else a hard link, else (no hard links on the file
    // system) a direct exclusive copy, which is the only step a kill can leave unfinished.
    bool placed = false;
    if (!g_noRenameNoReplace.load()) {
        if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            placed = true;
        else if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            dropTemporary(errno);
    }
    if (!placed && !g_noHardLinks.load()) {
        if (::link(temporary.constData(), to.constData()) == 0) {
            ::unlink(temporary.constData());
            placed = true;
        } else if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK) {
            dropTemporary(errno);
        }
    }
    if (!placed) {
        ::unlink(temporary.constData());
        SafeCopy::copyFile(source, target);
        if (const int e = fsyncPath(to)) {
            ::unlink(to.constData());
            fail(e);
        }
    }
    fsyncFolder(folder);
}

bool isTemporaryName(QStringView name)
{
    if (name.size() < 39 || name[0] != u'.' || name[37] != u'.')
        return false;
    for (qsizetype i = 0; i < 36; ++i) {
        const char16_t c = name[1 + i].unicode();
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return false;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    for (qsizetype i = 38; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

int removeLeftovers(const QString& folder)
{
    const QByteArray dir = QFile::encodeName(folder);
    DIR* stream = ::opendir(dir.constData());
    if (!stream)
        return 0;
    const time_t now = ::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(stream)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!isTemporaryName(name))
            continue;
        const QByteArray path = dir + '/' + entry->d_name;
        struct stat st
        {
        };
        if (isInFlight(path) || ::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (st.st_mtim.tv_sec > now - leftoverAgeSeconds)
            continue;
        if (::unlink(path.constData()) == 0)
            ++removed;
    }
    ::closedir(stream);
    return removed;
}

void setFallbacksForTesting(const Fallbacks& fallbacks)
{
    g_noTmpFile = fallbacks.noTmpFile;
    g_noRenameNoReplace = fallbacks.noRenameNoReplace;
    g_noHardLinks = fallbacks.noHardLinks;
}

} // namespace quavel::PhotoFiles
