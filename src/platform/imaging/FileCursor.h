#pragma once

#include <QtGlobal>

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace quavel {

// Internal to the structural checks of ImageContent. The file read forwards through a buffer of its own, by
// pread: the descriptor's offset stays where the decoder expects it.
class FileCursor
{
public:
    explicit FileCursor(int fd, qint64 offset = 0)
        : m_fd(fd)
        , m_position(offset)
    { }

    qint64 position() const { return m_position; }

    // The next byte, or -1 at the end of the file (or a failed read).
    int get()
    {
        if (m_begin == m_end && !refill())
            return -1;
        ++m_position;
        return m_buffer[m_begin++];
    }

    // Skips to just past the next byte of that value; false at the end of the file.
    bool skipPast(unsigned char value)
    {
        for (;;) {
            if (m_begin == m_end && !refill())
                return false;
            const void* found = std::memchr(m_buffer.data() + m_begin, value, m_end - m_begin);
            if (found) {
                const std::size_t at = static_cast<const unsigned char*>(found) - m_buffer.data();
                m_position += qint64(at - m_begin) + 1;
                m_begin = at + 1;
                return true;
            }
            m_position += qint64(m_end - m_begin);
            m_begin = m_end;
        }
    }

    // Moves to offset, forwards or backwards.
    void seek(qint64 offset)
    {
        if (offset >= m_position)
            return skip(offset - m_position);
        m_begin = m_end = 0;
        m_readAt = m_position = offset;
    }

    void skip(qint64 bytes)
    {
        const qint64 held = qint64(m_end - m_begin);
        if (bytes <= held) {
            m_begin += std::size_t(bytes);
        } else {
            m_begin = m_end = 0;
            m_readAt = m_position + bytes;
        }
        m_position += bytes;
    }

    // Fills out with the next bytes; false when the file ends first.
    bool read(unsigned char* out, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            const int c = get();
            if (c < 0)
                return false;
            out[i] = static_cast<unsigned char>(c);
        }
        return true;
    }

private:
    bool refill()
    {
        for (;;) {
            const ssize_t n = ::pread(m_fd, m_buffer.data(), m_buffer.size(), m_readAt);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            m_begin = 0;
            m_end = std::size_t(n);
            m_readAt += n;
            return true;
        }
    }

    int m_fd;
    qint64 m_position;
    qint64 m_readAt = m_position; // where the buffer's next fill starts
    std::array<unsigned char, 65536> m_buffer {};
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};

} // namespace quavel
