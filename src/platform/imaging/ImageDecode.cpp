#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/DecodeMemory.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

namespace quavel::ImageIO {

namespace {

using vips::VImage;
using vips::VOption;

// Where the rows of a decode go: the image's planes, filled strip by strip as libvips produces them,
// each stored pixel put where the orientation turns it.
struct Sink
{
    int width = 0; // as stored
    int height = 0;
    int bands = 0; // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    VipsBandFormat format = VIPS_FORMAT_UCHAR;
    int orientation = 1; // EXIF, 1 to 8
    float* planes[4] = {}; // upright
    std::vector<float> strip; // a strip's rows before they are turned
};

template <typename Sample>
void convertRow(const Sample* in, int bands, int width, float scale, float* r, float* g, float* b, float* a)
{
    switch (bands) {
    case 1:
        for (int x = 0; x < width; ++x)
            r[x] = g[x] = b[x] = float(in[x]) * scale;
        break;
    case 2:
        for (int x = 0; x < width; ++x) {
            r[x] = g[x] = b[x] = float(in[2 * x]) * scale;
            a[x] = float(in[2 * x + 1]) * scale;
        }
        break;
    case 3:
        for (int x = 0; x < width; ++x) {
            r[x] = float(in[3 * x]) * scale;
            g[x] = float(in[3 * x + 1]) * scale;
            b[x] = float(in[3 * x + 2]) * scale;
        }
        break;
    default:
        for (int x = 0; x < width; ++x) {
            r[x] = float(in[4 * x]) * scale;
            g[x] = float(in[4 * x + 1]) * scale;
            b[x] = float(in[4 * x + 2]) * scale;
            a[x] = float(in[4 * x + 3]) * scale;
        }
        break;
    }
}

void convertLine(const Sink& sink, const unsigned char* line, float* const out[4])
{
    switch (sink.format) {
    case VIPS_FORMAT_USHORT:
        convertRow(reinterpret_cast<const std::uint16_t*>(line), sink.bands, sink.width, 1.0f / 65535.0f,
            out[0], out[1], out[2], out[3]);
        break;
    case VIPS_FORMAT_FLOAT:
        convertRow(reinterpret_cast<const float*>(line), sink.bands, sink.width, 1.0f, out[0], out[1], out[2],
            out[3]);
        break;
    default:
        convertRow(line, sink.bands, sink.width, 1.0f / 255.0f, out[0], out[1], out[2], out[3]);
        break;
    }
}

// Stored pixel (x, y) of a W × H photo goes to (u, v) of the upright one: mirrored (2), half turned (3),
// flipped (4), transposed (5), turned a quarter clockwise (6), transversed (7), turned a quarter
// anticlockwise (8). From 5 on, the upright width is the stored height.
struct Turn
{
    bool transposed; // u comes from y and v from x
    bool reverseU; // u counts down
    bool reverseV;

    static Turn of(int orientation)
    {
        switch (orientation) {
        case 2:
            return { false, true, false };
        case 3:
            return { false, true, true };
        case 4:
            return { false, false, true };
        case 5:
            return { true, false, false };
        case 6:
            return { true, true, false };
        case 7:
            return { true, true, true };
        case 8:
            return { true, false, true };
        default:
            return { false, false, false };
        }
    }
};

// The strip's rows converted side by side, then put in their upright places: a transposing turn writes,
// for each stored column, one run of the strip's height into one upright row.
void turnStrip(Sink& sink, VipsRegion* region, const VipsRect& area)
{
    const int w = sink.width;
    const int h = sink.height;
    const int rows = area.height;
    const int n = sink.planes[3] ? 4 : 3;
    const std::size_t planeSize = std::size_t(w) * std::size_t(rows);
    float* strip = quavel::scratch(sink.strip, std::size_t(n) * planeSize);
    RowPool::run(
        rows,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                float* out[4] = {};
                for (int c = 0; c < n; ++c)
                    out[c] = strip + std::size_t(c) * planeSize + std::size_t(i) * std::size_t(w);
                convertLine(sink,
                    reinterpret_cast<const unsigned char*>(VIPS_REGION_ADDR(region, 0, area.top + i)), out);
            }
        },
        16);
    const Turn turn = Turn::of(sink.orientation);
    const int uprightWidth = turn.transposed ? h : w;
    const int uprightHeight = turn.transposed ? w : h;
    if (!turn.transposed) {
        RowPool::run(
            rows,
            [&](int begin, int end) {
                for (int i = begin; i < end; ++i) {
                    const int y = area.top + i;
                    const int v = turn.reverseV ? uprightHeight - 1 - y : y;
                    for (int c = 0; c < n; ++c) {
                        const float* in
                            = strip + std::size_t(c) * planeSize + std::size_t(i) * std::size_t(w);
                        float* out = sink.planes[c] + std::size_t(v) * std::size_t(uprightWidth);
                        if (turn.reverseU)
                            std::reverse_copy(in, in + w, out);
                        else
                            std::copy_n(in, w, out);
                    }
                }
            },
            16);
        return;
    }
    RowPool::run(
        w,
        [&](int begin, int end) {
            for (int x = begin; x < end; ++x) {
                const int v = turn.reverseV ? uprightHeight - 1 - x : x;
                for (int c = 0; c < n; ++c) {
                    const float* in = strip + std::size_t(c) * planeSize + std::size_t(x);
                    float* out = sink.planes[c] + std::size_t(v) * std::size_t(uprightWidth);
                    for (int i = 0; i < rows; ++i) {
                        const int y = area.top + i;
                        out[turn.reverseU ? uprightWidth - 1 - y : y] = in[std::size_t(i) * std::size_t(w)];
                    }
                }
            }
        },
        64);
}

int writeStrip(VipsRegion* region, VipsRect* area, void* context)
{
    Sink& sink = *static_cast<Sink*>(context);
    if (sink.orientation != 1) {
        turnStrip(sink, region, *area);
        return 0;
    }
    RowPool::run(
        area->height,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                const int y = area->top + i;
                const std::size_t offset = std::size_t(y) * std::size_t(sink.width);
                float* const out[4] = { sink.planes[0] + offset, sink.planes[1] + offset,
                    sink.planes[2] + offset, sink.planes[3] ? sink.planes[3] + offset : nullptr };
                convertLine(
                    sink, reinterpret_cast<const unsigned char*>(VIPS_REGION_ADDR(region, 0, y)), out);
            }
        },
        16);
    return 0;
}

// Brings any decoded image to RGB(A) or grey(+alpha) samples of 8 or 16 bits or floats.
VImage normalised(VImage image, QByteArray& profile)
{
    profile = VipsSupport::iccProfile(image);
    switch (image.interpretation()) {
    case VIPS_INTERPRETATION_CMYK:
        // The photo's own profile when it has one; the output is sRGB and carries that profile.
        image = image.icc_transform(
            "srgb", VImage::option()->set("embedded", true)->set("input_profile", "cmyk")->set("depth", 8));
        profile = VipsSupport::iccProfile(image);
        break;
    case VIPS_INTERPRETATION_LAB:
    case VIPS_INTERPRETATION_LABQ:
    case VIPS_INTERPRETATION_LABS:
    case VIPS_INTERPRETATION_LCH:
    case VIPS_INTERPRETATION_CMC:
    case VIPS_INTERPRETATION_XYZ:
    case VIPS_INTERPRETATION_YXY:
    case VIPS_INTERPRETATION_scRGB:
    case VIPS_INTERPRETATION_HSV:
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
        profile.clear();
        break;
    default:
        break;
    }
    if (image.bands() > 4)
        image = image.extract_band(0, VImage::option()->set("n", 4));
    if (image.bands() == 4 && image.interpretation() == VIPS_INTERPRETATION_B_W)
        image = image.extract_band(0, VImage::option()->set("n", 2));
    switch (image.format()) {
    case VIPS_FORMAT_UCHAR:
    case VIPS_FORMAT_USHORT:
    case VIPS_FORMAT_FLOAT:
        break;
    case VIPS_FORMAT_DOUBLE:
        image = image.cast(VIPS_FORMAT_FLOAT);
        break;
    case VIPS_FORMAT_SHORT:
    case VIPS_FORMAT_UINT:
    case VIPS_FORMAT_INT:
        image = image.cast(VIPS_FORMAT_USHORT);
        break;
    default:
        image = image.cast(VIPS_FORMAT_UCHAR);
        break;
    }
    return image;
}

// Streams the decode into float planes, upright by the EXIF orientation (1 to 8; any other value is
// taken as 1). A decode that fails part way (a truncated file under a strict read reports at the end of
// its stream) gives nothing, with the reason in failure.
std::optional<FloatImage> toFloatImage(VImage image, ReadFailure& failure, int orientation = 1)
{
    QByteArray profile;
    image = normalised(image, profile);
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0)
        return std::nullopt;
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    const bool alpha = image.bands() == 2 || image.bands() == 4;
    const int uprightWidth = orientation >= 5 ? h : w;
    const int uprightHeight = orientation >= 5 ? w : h;
    FloatPlane r(uprightWidth, uprightHeight), g(uprightWidth, uprightHeight), b(uprightWidth, uprightHeight),
        a;
    if (alpha)
        a = FloatPlane(uprightWidth, uprightHeight);
    Sink sink;
    sink.width = w;
    sink.height = h;
    sink.orientation = orientation;
    sink.bands = image.bands();
    sink.format = image.format();
    sink.planes[0] = r.data();
    sink.planes[1] = g.data();
    sink.planes[2] = b.data();
    sink.planes[3] = alpha ? a.data() : nullptr;
    if (vips_sink_disc(image.get_image(), writeStrip, &sink) != 0) {
        failure = VipsSupport::takeFailure();
        return std::nullopt;
    }
    return FloatImage(std::move(r), std::move(g), std::move(b), std::move(a), profile);
}

// What a strict read refuses: truncation and decoding errors, never a mere warning.
VOption* strict()
{
    return VImage::option()->set("fail_on", VIPS_FAIL_ON_ERROR);
}

std::optional<FloatImage> failed(ReadFailure* out, const ReadFailure& failure)
{
    if (out)
        *out = failure;
    return std::nullopt;
}

// A BMP, read whole by Qt's reader, then brought down to maxPixelSize if need be.
std::optional<FloatImage> decodeBmp(const QByteArray& name, std::optional<int> side, ReadFailure* failure)
{
    ReadFailure reason;
    const std::optional<QSize> size = VipsSupport::bmpSize(name);
    if (!size)
        return failed(failure, reason);
    const qint64 pixels = qint64(size->width()) * size->height();
    DecodeBudget::Hold hold;
    if (side) {
        if (!(hold = VipsSupport::previewHold(pixels, DecodeMemory::bmp(pixels), reason)))
            return failed(failure, reason);
    } else if (const auto refused = VipsSupport::refusal(pixels, DecodeMemory::write({}, pixels, 0, 0))) {
        return failed(failure, *refused);
    }
    std::optional<VImage> image = VipsSupport::bmp(name, reason);
    if (!image)
        return failed(failure, reason);
    if (side)
        *image = image->thumbnail_image(
            *side, VImage::option()->set("height", *side)->set("size", VIPS_SIZE_DOWN));
    std::optional<FloatImage> decoded = toFloatImage(*image, reason);
    if (!decoded)
        return failed(failure, reason);
    return decoded;
}

} // namespace

std::optional<FloatImage> decode(const QString& path, std::optional<int> maxPixelSize, ReadFailure* failure)
{
    if (CameraRaw::isCameraRaw(path))
        return CameraRaw::decode(path, maxPixelSize, failure);
    // Open for as long as libvips reads: it opens this very file again by the descriptor's name.
    const RegularFile file(path);
    JpegFrame frame;
    const std::optional<ImageContent::Format> format = ImageContent::examine(file, &frame);
    if (!format)
        return failed(failure, {});
    VipsSupport::ensureStarted();
    const QByteArray name = file.openablePath();
    std::optional<int> side;
    if (maxPixelSize)
        side = std::max(1, *maxPixelSize);
    try {
        if (*format == ImageContent::Format::bmp)
            return decodeBmp(name, side, failure);
        const VImage header = VipsSupport::load(name, *format, strict());
        const qint64 pixels = VipsSupport::decodedPixels(header, side);
        // A preview (shrunk while it decodes) waits for its memory among the thumbnails and previews; a
        // whole decode is a write's, within the write's memory.
        DecodeBudget::Hold hold;
        if (side) {
            ReadFailure refused;
            hold
                = VipsSupport::previewHold(pixels, DecodeMemory::shrinkingRead(frame, header, side), refused);
            if (!hold)
                return failed(failure, refused);
        } else if (const auto refused = VipsSupport::refusal(
                       pixels, DecodeMemory::write(frame, pixels, header.width(), header.height()))) {
            return failed(failure, *refused);
        }
        ReadFailure sinkFailure;
        std::optional<FloatImage> image;
        VipsSupport::LoadWatch watch;
        if (side)
            image = toFloatImage(
                VipsSupport::fitted(name, *format, header, *side, VIPS_FAIL_ON_ERROR, &watch), sinkFailure);
        else // Streamed straight into the planes, each pixel put upright there: a turn made by libvips
             // would hold the whole decoded photo (in memory, or on disc past its threshold) beside them.
            image = toFloatImage(watch.watch(VipsSupport::load(
                                     name, *format, strict()->set("access", VIPS_ACCESS_SEQUENTIAL))),
                sinkFailure, VipsSupport::orientationOf(header));
        if (!image)
            return failed(failure, sinkFailure);
        if (watch.failed())
            return failed(failure, {});
        return image;
    } catch (...) {
        return failed(failure, VipsSupport::caughtFailure());
    }
}

} // namespace quavel::ImageIO
