#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/stat.h>

namespace quavel {

// A file of the user's disk opened for reading, only when it is a regular file: the one way files are
// opened to be read. Order folders are shared and synced: a FIFO, a device or a link to one may stand
// under a photo's or a journal's name, and opened the ordinary way its open or first read would wait for
// ever. The open never waits (O_NONBLOCK), and anything but a regular file is refused before a byte is
// read. A link standing at the name reads the file it names, unless the caller refuses links (a folder
// whose files are never reached through one: the open then fails with ELOOP). Libraries that only take a
// file name are handed openablePath(), which names this very file: no name can turn into a FIFO between
// the check and the read. The descriptor is closed with the object. One object belongs to one thread at
// a time.
class RegularFile
{
public:
    // What a symbolic link standing at the name's last component does.
    enum class Links { follow, refuse };

    explicit RegularFile(const QString& path);
    // `name` in the folder open as `folderFd` (openat(2)): the folder stays the one opened, whatever
    // links stand on the way to it by then.
    RegularFile(int folderFd, const QByteArray& name, Links links);
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // 0 when open, else the errno value of the failure: EISDIR for a folder, EINVAL for a FIFO, a
    // device or a socket, ELOOP for a link refused.
    int error() const { return m_error; }
    // At the file's start until read.
    int fd() const { return m_fd; }
    const struct stat& status() const { return m_stat; }

    // "/proc/self/fd/<n>": opening it opens this file again, whatever its name has become since.
    QByteArray openablePath() const;

    // The whole content from the start; absent when the file is not open or a read fails.
    std::optional<QByteArray> readAll() const;

private:
    int m_fd = -1;
    int m_error = 0;
    struct stat m_stat
    {
    };
};

} // namespace quavel
