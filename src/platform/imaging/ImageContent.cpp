#include "platform/imaging/ImageContent.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/FileCursor.h"
#include "platform/imaging/TiffDirectories.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace quavel::ImageContent {

namespace {

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
int markerCode(FileCursor& in)
{
    int code = in.get();
    while (code == 0xFF)
        code = in.get();
    return code;
}

// The start-of-frame markers: baseline, extended, progressive and lossless frames, Huffman or arithmetic
// coded (0xC4, 0xC8 and 0xCC are other segments).
bool isFrame(int code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

bool isProgressive(int code)
{
    return code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
}

// Reads the frame header (the segment's first length bytes) into frame, the first one only.
void readFrame(FileCursor& in, int code, int length, JpegFrame& frame)
{
    unsigned char bytes[6 + 3 * JpegFrame::kMaxComponents] = {};
    const int size = std::min<int>(length, int(sizeof bytes));
    if (frame.isKnown() || size < 6 || !in.read(bytes, std::size_t(size))) {
        in.skip(length);
        return;
    }
    in.skip(length - size);
    const int components = std::min<int>(bytes[5], (size - 6) / 3);
    for (int c = 0; c < components; ++c) {
        frame.horizontal[std::size_t(c)] = std::clamp(bytes[6 + 3 * c + 1] >> 4, 1, 4);
        frame.vertical[std::size_t(c)] = std::clamp(bytes[6 + 3 * c + 1] & 15, 1, 4);
    }
    frame.height = bytes[1] << 8 | bytes[2];
    frame.width = bytes[3] << 8 | bytes[4];
    frame.components = components;
    frame.multiScan = frame.multiScan || isProgressive(code);
}

// Walks the marker segments, the entropy-coded data of each scan passed over up to the marker after it
// (0xFF is followed there only by a stuffed 0x00 or a restart marker). What lies inside a segment, such
// as the JPEG thumbnail of an EXIF block, is skipped whole; the frame is read into frame.
bool jpegWithinLimits(int fd, JpegFrame& frame)
{
    FileCursor in(fd, 2);
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
        if (isFrame(code))
            readFrame(in, code, size - 2, frame);
        else
            in.skip(size - 2);
        if (code != 0xDA)
            continue;
        if (++scans > kMaxJpegScans)
            return false;
        frame.multiScan = frame.multiScan || scans > 1;
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

// The PNG's chunks, walked by their lengths up to IEND: the text and profile chunks added up.
bool pngWithinLimits(int fd)
{
    FileCursor in(fd, 8);
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

std::optional<Format> examine(const RegularFile& file, JpegFrame* frame)
{
    JpegFrame read;
    if (frame)
        *frame = {};
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
        if (!jpegWithinLimits(file.fd(), read))
            return std::nullopt;
        if (frame)
            *frame = read;
        return format;
    case Format::tiff:
        return TiffDirectories::withinLimits(file.fd()) ? format : std::nullopt;
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
