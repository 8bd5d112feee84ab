#include "platform/files/RegularFile.h"

#include "platform/files/NativeName.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace quavel {

RegularFile::RegularFile(const QString& path)
    : RegularFile(AT_FDCWD, NativeName::encode(path), Links::follow)
{ }

RegularFile::RegularFile(int folderFd, const QByteArray& name, Links links)
{
    // O_NONBLOCK: a FIFO without a writer opens at once instead of waiting for one. On a regular file
    // the flag changes nothing, so the descriptor is kept as it is.
    const int flags
        = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (links == Links::refuse ? O_NOFOLLOW : 0);
    m_fd = ::openat(folderFd, name.constData(), flags);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    if (::fstat(m_fd, &m_stat) != 0)
        m_error = errno;
    else if (!S_ISREG(m_stat.st_mode))
        m_error = S_ISDIR(m_stat.st_mode) ? EISDIR : EINVAL;
    if (m_error) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_error(other.m_error)
    , m_stat(other.m_stat)
{ }

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
        m_stat = other.m_stat;
    }
    return *this;
}

QByteArray RegularFile::openablePath() const
{
    return "/proc/self/fd/" + QByteArray::number(m_fd);
}

std::optional<QByteArray> RegularFile::readAll() const
{
    if (m_fd < 0)
        return std::nullopt;
    QByteArray bytes;
    // The size is a hint only: the file may grow or shrink while it is read.
    bytes.reserve(qsizetype(std::clamp<off_t>(m_stat.st_size, 0, off_t(64) << 20)));
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            return bytes;
        bytes.append(buffer, qsizetype(n));
        offset += n;
    }
}

} // namespace quavel
