#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/stat.h>

namespace quavel {

// A file of the user's disk opened for reading, only when it is a regular file. Order folders are
// shared and synced: a FIFO, a device or a link to one may stand under a photo's or a journal's name,
// and opened the ordinary way its open or first read would wait for ever. The open never waits
// (O_NONBLOCK), and anything but a regular file is refused before a byte is read; a link to a regular
// file reads that file. Libraries that only take a file name are handed openablePath(), which names this
// very file: no name can turn into a FIFO between the check and the read. The descriptor is closed with
// the object. One object belongs to one thread at a time.
class RegularFile
{
public:
    explicit RegularFile(const QString& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // 0 when open, else the errno value of the failure: EISDIR for a folder, EINVAL for a FIFO, a
    // device or a socket.
    int error() const { return m_error; }
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
