#include "platform/imaging/ImageContent.h"

#include "platform/files/RegularFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace quavel::ImageContent {

namespace {

// The file read forwards through a buffer of its own, by pread: the descriptor's offset stays where
// the decoder expects it.
class Cursor
{
public:
    explicit Cursor(int fd, qint64 offset = 0)
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

bool startsWith(const QByteArray& head, const char* bytes, int size, int at = 0)
{
    return head.size() >= at + size && std::memcmp(head.constData() + at, bytes, std::size_t(size)) == 0;
}

// The brands libvips' HEIF loader takes: HEIC stills and sequences, and the AVIF ones of the same
// container.
bool heifBrand(const QByteArray& head)
{
    static const char* const brands[]
        = { "heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "avif", "avis" };
    if (!startsWith(head, "ftyp", 4, 4))
        return false;
    for (const char* brand : brands) {
        if (startsWith(head, brand, 4, 8))
            return true;
    }
    return false;
}

// "BM" and a DIB header of one of the sizes Qt's reader knows (core, info, the v2 to v5 headers).
bool bmpHeader(const QByteArray& head)
{
    if (!startsWith(head, "BM", 2) || head.size() < 18)
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(head.constData());
    const quint32 size = quint32(b[14]) | quint32(b[15]) << 8 | quint32(b[16]) << 16 | quint32(b[17]) << 24;
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The next marker's code after the 0xFF that begins it (fill bytes passed over); -1 at the end.
int markerCode(Cursor& in)
{
    int code = in.get();
    while (code == 0xFF)
        code = in.get();
    return code;
}

// Walks the marker segments, the entropy-coded data of each scan passed over up to the marker after it
// (0xFF is followed there only by a stuffed 0x00 or a restart marker). What lies inside a segment, such
// as the JPEG thumbnail of an EXIF block, is skipped whole.
bool jpegWithinLimits(int fd)
{
    Cursor in(fd, 2);
    int scans = 0;
    int pending = -1; // a marker found at the end of a scan's data
    for (;;) {
        int code = pending;
        pending = -1;
        if (code < 0) {
            // Stray bytes between segments are what libjpeg warns of and passes over.
            if (!in.skipPast(0xFF))
                return true;
            code = markerCode(in);
        }
        if (code < 0 || code == 0xD9) // the end of the file or of the image
            return true;
        if (code == 0x00 || code == 0x01 || code == 0xD8 || (code >= 0xD0 && code <= 0xD7))
            continue; // no length follows these
        unsigned char length[2];
        if (!in.read(length, 2))
            return true;
        const int size = length[0] << 8 | length[1];
        if (size < 2)
            return true; // libjpeg refuses it
        in.skip(size - 2);
        if (code != 0xDA)
            continue;
        if (++scans > kMaxJpegScans)
            return false;
        for (;;) {
            if (!in.skipPast(0xFF))
                return true;
            const int next = markerCode(in);
            if (next < 0)
                return true;
            if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7)) {
                pending = next;
                break;
            }
        }
    }
}

// The TIFF's first directory (the image libvips loads): the strips or tiles it declares against those
// its size needs.
bool tiffWithinLimits(int fd)
{
    Cursor in(fd);
    unsigned char header[16];
    if (!in.read(header, 8))
        return true;
    const bool little = header[0] == 'I';
    const bool big = (little ? header[2] : header[3]) == 43;
    const auto number = [little](const unsigned char* p, int bytes) {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= quint64(p[little ? i : bytes - 1 - i]) << (8 * i);
        return value;
    };
    quint64 directory = 0;
    if (big) {
        if (!in.read(header + 8, 8))
            return true;
        directory = number(header + 8, 8);
    } else {
        directory = number(header + 4, 4);
    }
    if (directory < 8 || directory > quint64(std::numeric_limits<qint64>::max()))
        return true; // libtiff refuses it
    if (qint64(directory) < in.position())
        return true;
    in.skip(qint64(directory) - in.position());
    unsigned char countBytes[8];
    const int countSize = big ? 8 : 2;
    if (!in.read(countBytes, std::size_t(countSize)))
        return true;
    const quint64 entries = number(countBytes, countSize);
    if (entries > 65535)
        return false; // more than a classic TIFF can hold: no photo
    const int entrySize = big ? 20 : 12;
    const int valueAt = big ? 12 : 8;
    const int countAt = 4;
    quint64 width = 0, height = 0, rowsPerStrip = 0xFFFFFFFFu, samples = 1, planar = 1;
    quint64 tileWidth = 0, tileHeight = 0, strips = 0, tiles = 0;
    for (quint64 i = 0; i < entries; ++i) {
        unsigned char entry[20];
        if (!in.read(entry, std::size_t(entrySize)))
            break;
        const quint64 tag = number(entry, 2);
        const quint64 type = number(entry + 2, 2);
        const quint64 count = number(entry + countAt, big ? 8 : 4);
        // The first value of a SHORT, LONG or LONG8 tag held in the entry itself.
        const quint64 value = type == 3 ? number(entry + valueAt, 2)
            : type == 4                 ? number(entry + valueAt, 4)
            : type == 16                ? number(entry + valueAt, 8)
                                        : 0;
        switch (tag) {
        case 256:
            width = value;
            break;
        case 257:
            height = value;
            break;
        case 273:
            strips = count;
            break;
        case 277:
            samples = value;
            break;
        case 278:
            rowsPerStrip = value;
            break;
        case 284:
            planar = value;
            break;
        case 322:
            tileWidth = value;
            break;
        case 323:
            tileHeight = value;
            break;
        case 324:
            tiles = count;
            break;
        default:
            break;
        }
    }
    if (width == 0 || height == 0 || samples == 0)
        return true; // libtiff refuses it
    const quint64 planes = planar == 2 ? std::min<quint64>(samples, 65535) : 1;
    const auto across = [](quint64 size, quint64 step) { return (size + step - 1) / step; };
    if (tiles > 0 || tileWidth > 0) {
        if (tileWidth == 0 || tileHeight == 0)
            return true;
        return tiles <= across(width, tileWidth) * across(height, tileHeight) * planes;
    }
    const quint64 rows = rowsPerStrip == 0 ? height : std::min(rowsPerStrip, height);
    return strips <= across(height, rows) * planes;
}

// The PNG's chunks, walked by their lengths up to IEND: the text and profile chunks added up.
bool pngWithinLimits(int fd)
{
    Cursor in(fd, 8);
    qint64 text = 0;
    for (;;) {
        unsigned char chunk[8];
        if (!in.read(chunk, 8))
            return true;
        const quint32 length
            = quint32(chunk[0]) << 24 | quint32(chunk[1]) << 16 | quint32(chunk[2]) << 8 | quint32(chunk[3]);
        if (length > 0x7FFFFFFFu)
            return true; // libpng refuses it
        const QByteArray type(reinterpret_cast<const char*>(chunk + 4), 4);
        if (type == "IEND")
            return true;
        if (type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "iCCP") {
            text += length;
            if (text > kMaxPngTextBytes)
                return false;
        }
        in.skip(qint64(length) + 4); // the data and its CRC
    }
}

} // namespace

std::optional<Format> sniff(const QByteArray& head)
{
    if (startsWith(head, "\xFF\xD8\xFF", 3))
        return Format::jpeg;
    if (startsWith(head, "\x89PNG\r\n\x1A\n", 8))
        return Format::png;
    if (startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4) || startsWith(head, "II+\0", 4)
        || startsWith(head, "MM\0+", 4))
        return Format::tiff;
    if (startsWith(head, "RIFF", 4) && startsWith(head, "WEBP", 4, 8))
        return Format::webp;
    if (heifBrand(head))
        return Format::heif;
    if (startsWith(head, "GIF87a", 6) || startsWith(head, "GIF89a", 6))
        return Format::gif;
    if (bmpHeader(head))
        return Format::bmp;
    return std::nullopt;
}

std::optional<Format> examine(const RegularFile& file)
{
    if (!file.isOpen())
        return std::nullopt;
    QByteArray head(32, '\0');
    ssize_t n = -1;
    do
        n = ::pread(file.fd(), head.data(), std::size_t(head.size()), 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return std::nullopt;
    head.truncate(qsizetype(n));
    const std::optional<Format> format = sniff(head);
    if (!format)
        return std::nullopt;
    switch (*format) {
    case Format::jpeg:
        return jpegWithinLimits(file.fd()) ? format : std::nullopt;
    case Format::tiff:
        return tiffWithinLimits(file.fd()) ? format : std::nullopt;
    case Format::png:
        return pngWithinLimits(file.fd()) ? format : std::nullopt;
    default:
        return format;
    }
}

const char* loaderName(Format format)
{
    switch (format) {
    case Format::jpeg:
        return "jpegload";
    case Format::png:
        return "pngload";
    case Format::tiff:
        return "tiffload";
    case Format::webp:
        return "webpload";
    case Format::heif:
        return "heifload";
    case Format::gif:
        return "gifload";
    case Format::bmp:
        break;
    }
    return nullptr;
}

} // namespace quavel::ImageContent
