#include "platform/imaging/JpegWriter.h"

#include "platform/files/SafeCopy.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"

#include <QtEndian>

#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include <jpeglib.h>

namespace quavel::JpegWriter {

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void silent(j_common_ptr, int) { }

struct Strip
{
    int y0 = 0;
    int y1 = 0;
    unsigned char* data = nullptr; // the whole file libjpeg wrote for the strip (malloc'ed)
    unsigned long size = 0;
    bool ok = false;
};

// Compresses rows [y0, y1) as a JPEG of their own. Only the first strip's headers are kept (its profile
// among them); the others give their entropy-coded data.
void compress(const FloatImage& image, Strip& strip, int quality, bool first)
{
    ErrorManager errors;
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = silent;
    std::vector<unsigned char> line(std::size_t(image.width()) * 3);
    // Nothing with a destructor lives between setjmp and a longjmp back to it.
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &strip.data, &strip.size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(strip.y1 - strip.y0);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (quality >= 90)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    info.optimize_coding = FALSE; // the standard tables: the same in every strip
    info.write_JFIF_header = first ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (first && !image.iccProfile().isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(image.iccProfile().constData()),
            unsigned(image.iccProfile().size()));
    for (int y = strip.y0; y < strip.y1; ++y) {
        const float* r = image.row(0, y);
        const float* g = image.row(1, y);
        const float* b = image.row(2, y);
        for (int x = 0; x < image.width(); ++x) {
            line[std::size_t(3 * x)] = PixelMath::toByte(r[x]);
            line[std::size_t(3 * x + 1)] = PixelMath::toByte(g[x]);
            line[std::size_t(3 * x + 2)] = PixelMath::toByte(b[x]);
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    strip.ok = true;
}

// Where the start-of-scan segment of a JPEG ends (the entropy-coded data begins), and where its
// start-of-frame segment is; -1 when the markers are not as libjpeg writes them.
struct Layout
{
    qsizetype frame = -1; // offset of the SOF0 marker
    qsizetype scanHeader = -1; // offset of the SOS marker
    qsizetype data = -1; // first byte after the SOS segment
};

Layout layoutOf(const unsigned char* p, qsizetype size)
{
    Layout l;
    qsizetype at = 2;
    while (at + 4 <= size && p[at] == 0xFF) {
        const unsigned char marker = p[at + 1];
        const qsizetype length = qFromBigEndian<quint16>(p + at + 2);
        if (marker == 0xC0)
            l.frame = at;
        if (marker == 0xDA) {
            l.scanHeader = at;
            l.data = at + 2 + length;
            return l;
        }
        at += 2 + length;
    }
    return Layout();
}

// Hands the file to put in order, strip after strip: each strip as soon as it and every strip before
// it are compressed, its memory freed at once. A strip is begun only within a window of strips past
// the first one not yet handed on: when the thread compressing that one is held back (a loaded
// machine), the others wait rather than run ahead, so that no more than the window's strips are ever
// held, whatever the scheduling (compressed and unemitted, the whole file would be). Strips are claimed
// in order, so the thread that holds the first unemitted strip never waits and the window always moves.
bool compressAndEmit(
    const FloatImage& image, int quality, const std::function<bool(const char*, qsizetype)>& put)
{
    if (image.isNull() || image.width() > 65500 || image.height() > 65500)
        return false;
    const int mcu = quality >= 90 ? 8 : 16;
    const int mcusAcross = (image.width() + mcu - 1) / mcu;
    // Strips of whole MCU rows, enough for every thread, each a restart interval the format can count.
    const int mcuRows = (image.height() + mcu - 1) / mcu;
    int rowsPerStrip = std::max(1, mcuRows / (4 * RowPool::concurrency()));
    rowsPerStrip = std::max(rowsPerStrip, (mcuRows + 199) / 200); // a few hundred strips at most
    rowsPerStrip = std::min(rowsPerStrip, std::max(1, 65535 / mcusAcross));
    if (mcusAcross * rowsPerStrip > 65535)
        return false;
    const int stripHeight = rowsPerStrip * mcu;
    std::vector<Strip> strips(std::size_t((image.height() + stripHeight - 1) / stripHeight));
    for (std::size_t i = 0; i < strips.size(); ++i) {
        strips[i].y0 = int(i) * stripHeight;
        strips[i].y1 = std::min(image.height(), strips[i].y0 + stripHeight);
    }

    std::mutex mutex;
    std::condition_variable moved; // `next` went on
    std::vector<bool> done(strips.size(), false);
    std::size_t next = 0; // the first strip not yet emitted
    const std::size_t window = 2 * std::size_t(RowPool::concurrency());
    bool ok = true;
    // With the mutex held: the strip's entropy-coded data, after the file's headers for the first.
    auto emitStrip = [&](std::size_t i) {
        const Strip& s = strips[i];
        const Layout l = layoutOf(s.data, qsizetype(s.size));
        const qsizetype end = qsizetype(s.size) - 2; // before the EOI marker
        if (!s.ok || s.size <= 4 || l.data <= 0 || end < l.data || s.data[end] != 0xFF
            || s.data[end + 1] != 0xD9)
            return false;
        if (i == 0) {
            if (l.frame <= 0)
                return false;
            // The first strip's headers with the whole height, then a DRI segment before the scan.
            QByteArray header(reinterpret_cast<const char*>(s.data), l.scanHeader);
            qToBigEndian<quint16>(quint16(image.height()), header.data() + l.frame + 5);
            const unsigned char restart[6]
                = { 0xFF, 0xDD, 0x00, 0x04, static_cast<unsigned char>((mcusAcross * rowsPerStrip) >> 8),
                      static_cast<unsigned char>((mcusAcross * rowsPerStrip) & 0xFF) };
            header.append(reinterpret_cast<const char*>(restart), 6);
            header.append(reinterpret_cast<const char*>(s.data) + l.scanHeader, l.data - l.scanHeader);
            if (!put(header.constData(), header.size()))
                return false;
        }
        const unsigned char marker[2]
            = { 0xFF, static_cast<unsigned char>(i + 1 < strips.size() ? 0xD0 + (i % 8) : 0xD9) };
        return put(reinterpret_cast<const char*>(s.data) + l.data, end - l.data)
            && put(reinterpret_cast<const char*>(marker), 2);
    };
    RowPool::run(
        int(strips.size()),
        [&](int s0, int s1) {
            for (int s = s0; s < s1; ++s) {
                {
                    std::unique_lock lock(mutex);
                    moved.wait(lock, [&] { return std::size_t(s) < next + window; });
                }
                // A strip that cannot be compressed fails the file, but the window still moves.
                try {
                    compress(image, strips[std::size_t(s)], quality, s == 0);
                } catch (...) {
                    strips[std::size_t(s)].ok = false;
                }
                std::lock_guard lock(mutex);
                done[std::size_t(s)] = true;
                const std::size_t before = next;
                while (next < strips.size() && done[next]) {
                    ok = ok && emitStrip(next);
                    std::free(strips[next].data);
                    strips[next].data = nullptr;
                    ++next;
                }
                if (next != before)
                    moved.notify_all();
            }
        },
        1);
    for (Strip& s : strips)
        std::free(s.data);
    return ok && next == strips.size();
}

} // namespace

std::optional<QByteArray> encode(const FloatImage& image, int quality)
{
    QByteArray out;
    if (!compressAndEmit(image, quality, [&](const char* data, qsizetype size) {
            out.append(data, size);
            return true;
        }))
        return std::nullopt;
    return out;
}

bool write(const FloatImage& image, int quality, int fd)
{
    return compressAndEmit(image, quality, [fd](const char* data, qsizetype size) {
        return SafeCopy::writeAll(fd, data, std::size_t(size)) == 0;
    });
}

} // namespace quavel::JpegWriter
