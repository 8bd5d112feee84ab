#include "platform/AtomicFile.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/RegularFile.h"
#include "platform/files/TemporarySweep.h"

#include <QFile>
#include <QFileInfo>

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

void fsyncFolder(const QByteArray& folder)
{
    int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void write(const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    // The temporary sibling is locked while it is written (TemporarySweep), so that the start-up
    // sweep can tell one left by a killed process from one being written.
    QByteArray pattern;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        pattern = target + ".tmp-XXXXXX";
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            fail(errno);
        if (!TemporarySweep::lockCreated(fd)) {
            ::close(fd);
            fd = -1;
            if (attempt == 100)
                fail(EEXIST);
        }
    }

    // Keep the permissions of the file being replaced; a new file gets what open(2) would give it
    // (0666 less the umask), not mkostemp's 0600.
    struct stat st
    {
    };
    const mode_t mode
        = (::stat(target.constData(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~currentUmask());
    ::fchmod(fd, mode);

    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            ::unlink(pattern.constData());
            fail(e);
        }
        data += n;
        left -= n;
    }
    if (::fsync(fd) != 0) {
        int e = errno;
        ::close(fd);
        ::unlink(pattern.constData());
        fail(e);
    }
    // Renamed while still open and locked; fsync has reported any write-back error, so closing after
    // the rename cannot lose the content.
    if (::rename(pattern.constData(), target.constData()) != 0) {
        int e = errno;
        ::unlink(pattern.constData());
        ::close(fd);
        fail(e);
    }
    ::close(fd);
    fsyncFolder(folder);
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
    const QByteArray source = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::lstat(source.constData(), &st) != 0)
        return std::nullopt;
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString base = path + QStringLiteral(".unreadable-") + stamp;
    QString candidate = base;
    for (int n = 2;; ++n) {
        // link + unlink instead of rename: never replace an earlier set-aside copy of the same second.
        const QByteArray target = QFile::encodeName(candidate);
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return candidate;
        }
        if (errno != EEXIST) {
            // Hard links not possible (another file system type): fall back to a checked rename.
            if (::access(target.constData(), F_OK) != 0
                && ::rename(source.constData(), target.constData()) == 0)
                return candidate;
            return std::nullopt;
        }
        candidate = base + QStringLiteral("-%1").arg(n);
        if (n > 1000)
            return std::nullopt;
    }
}

} // namespace quavel::AtomicFile
