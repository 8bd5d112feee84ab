#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace quavel::ImageIO {

namespace {

using vips::VImage;
using vips::VOption;

// Where the rows of a decode go: the image's planes, filled strip by strip as libvips produces them.
struct Sink
{
    int width = 0;
    int bands = 0; // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    VipsBandFormat format = VIPS_FORMAT_UCHAR;
    float* planes[4] = {};
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

int writeStrip(VipsRegion* region, VipsRect* area, void* context)
{
    const Sink& sink = *static_cast<const Sink*>(context);
    RowPool::run(
        area->height,
        [&](int begin, int end) {
            for (int i = begin; i < end; ++i) {
                const int y = area->top + i;
                const auto* line = reinterpret_cast<const unsigned char*>(VIPS_REGION_ADDR(region, 0, y));
                const std::size_t offset = std::size_t(y) * std::size_t(sink.width);
                float* r = sink.planes[0] + offset;
                float* g = sink.planes[1] + offset;
                float* b = sink.planes[2] + offset;
                float* a = sink.planes[3] ? sink.planes[3] + offset : nullptr;
                switch (sink.format) {
                case VIPS_FORMAT_USHORT:
                    convertRow(reinterpret_cast<const std::uint16_t*>(line), sink.bands, sink.width,
                        1.0f / 65535.0f, r, g, b, a);
                    break;
                case VIPS_FORMAT_FLOAT:
                    convertRow(
                        reinterpret_cast<const float*>(line), sink.bands, sink.width, 1.0f, r, g, b, a);
                    break;
                default:
                    convertRow(line, sink.bands, sink.width, 1.0f / 255.0f, r, g, b, a);
                    break;
                }
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

// Streams the decode into float planes. A decode that fails part way (a truncated file under a strict
// read reports at the end of its stream) gives nothing, with the reason in failure.
std::optional<FloatImage> toFloatImage(VImage image, ReadFailure& failure)
{
    QByteArray profile;
    image = normalised(image, profile);
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0)
        return std::nullopt;
    const bool alpha = image.bands() == 2 || image.bands() == 4;
    FloatPlane r(w, h), g(w, h), b(w, h), a;
    if (alpha)
        a = FloatPlane(w, h);
    Sink sink;
    sink.width = w;
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

} // namespace

std::optional<FloatImage> decode(const QString& path, std::optional<int> maxPixelSize, ReadFailure* failure)
{
    if (CameraRaw::isCameraRaw(path))
        return CameraRaw::decode(path, maxPixelSize, failure);
    // Open for as long as libvips reads: it opens this very file again by the descriptor's name.
    const RegularFile file(path);
    if (!file.isOpen())
        return failed(failure, {});
    VipsSupport::ensureStarted();
    const QByteArray name = file.openablePath();
    try {
        const VImage header = VImage::new_from_file(name.constData(), strict());
        std::optional<int> side;
        if (maxPixelSize)
            side = std::max(1, *maxPixelSize);
        if (const auto refused = VipsSupport::refusal(VipsSupport::decodedPixels(header, side)))
            return failed(failure, *refused);
        ReadFailure sinkFailure;
        std::optional<FloatImage> image;
        VipsSupport::LoadWatch watch;
        const int orientation = VipsSupport::orientationOf(header);
        if (side)
            image = toFloatImage(
                VipsSupport::fitted(name, header, *side, VIPS_FAIL_ON_ERROR, &watch), sinkFailure);
        else if (orientation > 1 && orientation <= 8)
            image = toFloatImage(watch.watch(header).autorot(), sinkFailure);
        else // Upright already: stream the decode straight into the planes.
            image = toFloatImage(watch.watch(VImage::new_from_file(
                                     name.constData(), strict()->set("access", VIPS_ACCESS_SEQUENTIAL))),
                sinkFailure);
        if (!image)
            return failed(failure, sinkFailure);
        if (watch.failed())
            return failed(failure, {});
        return image;
    } catch (const vips::VError& e) {
        const ReadFailure reason = VipsSupport::failureOf(e.what());
        vips_error_clear();
        return failed(failure, reason);
    } catch (const std::bad_alloc&) {
        return failed(failure, { ReadFailure::Kind::outOfMemory, 0 });
    }
}

std::optional<QSize> orientedPixelSize(const QString& path)
{
    if (CameraRaw::isCameraRaw(path))
        return CameraRaw::orientedPixelSize(path);
    const RegularFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    VipsSupport::ensureStarted();
    try {
        const VImage header = VImage::new_from_file(file.openablePath().constData());
        const int orientation = VipsSupport::orientationOf(header);
        if (orientation >= 5 && orientation <= 8)
            return QSize(header.height(), header.width());
        return QSize(header.width(), header.height());
    } catch (const vips::VError&) {
        vips_error_clear();
    }
    return std::nullopt;
}

} // namespace quavel::ImageIO
