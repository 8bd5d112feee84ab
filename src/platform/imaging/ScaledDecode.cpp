#include "platform/imaging/ScaledDecode.h"

#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/VipsEncode.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace quavel::ScaledDecode {

namespace {

using vips::VImage;

QByteArray profileOf(const VImage& image)
{
    if (image.get_typeof(VIPS_META_ICC_NAME) == 0)
        return QByteArray();
    std::size_t length = 0;
    const void* data = image.get_blob(VIPS_META_ICC_NAME, &length);
    return QByteArray(static_cast<const char*>(data), qsizetype(length));
}

bool eightBitRgbOrGrey(const VImage& image)
{
    if (image.format() != VIPS_FORMAT_UCHAR || image.coding() != VIPS_CODING_NONE)
        return false;
    const VipsInterpretation space = image.interpretation();
    return (space == VIPS_INTERPRETATION_sRGB && (image.bands() == 3 || image.bands() == 4))
        || (space == VIPS_INTERPRETATION_B_W && (image.bands() == 1 || image.bands() == 2));
}

} // namespace

namespace {

// The reduced region as a libvips pipeline, nothing decoded yet; false when the fast way does not apply.
bool reducedRegion(
    const QString& path, const QRect& region, const QSize& size, VImage& out, QByteArray& profile)
{
    if (CameraRaw::isCameraRaw(path) || size.isEmpty())
        return false;
    VipsSupport::ensureStarted();
    const QByteArray name = VipsSupport::fileName(path);
    VImage image = VImage::new_from_file(name.constData());
    if (!eightBitRgbOrGrey(image))
        return false;
    profile = profileOf(image);
    const int orientation
        = image.get_typeof(VIPS_META_ORIENTATION) ? image.get_int(VIPS_META_ORIENTATION) : 1;
    if (orientation > 1 && orientation <= 8)
        image = image.autorot();
    else // upright: the rows stream from the decoder through the reduction
        image = VImage::new_from_file(
            name.constData(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    const QRect area = region.intersected(QRect(0, 0, image.width(), image.height()));
    if (area.isEmpty())
        return false;
    image = image.extract_area(area.x(), area.y(), area.width(), area.height());
    if (area.size() != size)
        image = image.resize(double(size.width()) / area.width(),
            VImage::option()
                ->set("vscale", double(size.height()) / area.height())
                ->set("kernel", VIPS_KERNEL_LANCZOS3));
    // The rounding of the reduction may leave a row or column more or less than asked.
    if (image.width() != size.width() || image.height() != size.height())
        image = image.embed(
            0, 0, size.width(), size.height(), VImage::option()->set("extend", VIPS_EXTEND_COPY));
    out = image;
    return true;
}

// Runs the pipeline into float planes (grey spread to the three colours).
std::optional<FloatImage> toFloat(const VImage& image, const QByteArray& profile)
{
    const bool grey = image.bands() <= 2;
    const bool alpha = image.bands() == 2 || image.bands() == 4;
    const int bands = image.bands();
    const int width = image.width();
    const int height = image.height();
    std::size_t length = 0;
    auto* memory = static_cast<unsigned char*>(image.write_to_memory(&length));
    if (length < std::size_t(width) * std::size_t(height) * std::size_t(bands)) {
        g_free(memory);
        return std::nullopt;
    }
    FloatPlane r(width, height), g(width, height), b(width, height), a;
    if (alpha)
        a = FloatPlane(width, height);
    RowPool::run(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const unsigned char* in = memory + std::size_t(y) * std::size_t(width) * std::size_t(bands);
            float* rr = r.row(y);
            float* gg = g.row(y);
            float* bb = b.row(y);
            float* aa = alpha ? a.row(y) : nullptr;
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = in + std::size_t(x) * std::size_t(bands);
                rr[x] = PixelMath::fromByte(p[0]);
                gg[x] = PixelMath::fromByte(grey ? p[0] : p[1]);
                bb[x] = PixelMath::fromByte(grey ? p[0] : p[2]);
                if (aa)
                    aa[x] = PixelMath::fromByte(p[bands - 1]);
            }
        }
    });
    g_free(memory);
    return FloatImage(std::move(r), std::move(g), std::move(b), std::move(a), profile);
}

} // namespace

std::optional<FloatImage> decodeRegion(const QString& path, const QRect& region, const QSize& size)
{
    try {
        VImage image;
        QByteArray profile;
        if (reducedRegion(path, region, size, image, profile))
            return toFloat(image, profile);
    } catch (const vips::VError&) {
        vips_error_clear();
    } catch (const std::bad_alloc&) { }
    return std::nullopt;
}

namespace {

VImage onBlack(VImage image, const QTransform& t, const QSize& canvasSize)
{
    // Transparent pixels lend no colour to their neighbours, and what is left over black is the
    // premultiplied colour.
    const bool alpha = image.bands() == 2 || image.bands() == 4;
    if (alpha)
        image = image.premultiply();
    // libvips puts pixel centres on whole coordinates: shift in by half a pixel and out again.
    image = image.affine({ t.m11(), t.m21(), t.m12(), t.m22() },
        VImage::option()
            ->set("interpolate", vips::VInterpolate::new_from_name("bilinear"))
            ->set("oarea", std::vector<int> { 0, 0, canvasSize.width(), canvasSize.height() })
            ->set("idx", 0.5)
            ->set("idy", 0.5)
            ->set("odx", t.dx() - 0.5)
            ->set("ody", t.dy() - 0.5)
            ->set("extend", VIPS_EXTEND_BACKGROUND)
            ->set("background", std::vector<double> { 0.0 }));
    if (alpha)
        image = image.extract_band(0, VImage::option()->set("n", image.bands() - 1)).cast(VIPS_FORMAT_UCHAR);
    if (image.bands() == 1)
        image = image.bandjoin({ image, image });
    return image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// The overlay (already at its drawn size) as 8-bit RGBA, cut to the part inside the canvas; its position
// comes back in at.
VImage overlayImage(const FloatImage& overlay, QPoint& at, const QSize& canvasSize)
{
    const QRect inside = QRect(at, overlay.size()).intersected(QRect(QPoint(0, 0), canvasSize));
    if (inside.isEmpty())
        return VImage();
    const QImage rgba
        = overlay.toQImage().convertToFormat(QImage::Format_RGBA8888).copy(inside.translated(-at));
    at = inside.topLeft();
    const std::size_t rowBytes = std::size_t(rgba.width()) * 4;
    std::vector<unsigned char> bytes(rowBytes * std::size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(bytes.data() + rowBytes * std::size_t(y), rgba.constScanLine(y), rowBytes);
    return VImage::new_from_memory(
        bytes.data(), bytes.size(), rgba.width(), rgba.height(), 4, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .copy_memory();
}

} // namespace

std::optional<FloatImage> renderOnBlack(const QString& path, const QRect& region, const QSize& size,
    const QTransform& regionToCanvas, const QSize& canvasSize)
{
    try {
        VImage image;
        QByteArray profile;
        if (!reducedRegion(path, region, size, image, profile))
            return std::nullopt;
        return toFloat(onBlack(image, regionToCanvas, canvasSize), profile);
    } catch (const vips::VError&) {
        vips_error_clear();
    } catch (const std::bad_alloc&) { }
    return std::nullopt;
}

Streamed writeCanvas(const QString& source, const QRect& region, const QSize& size,
    const QTransform& regionToCanvas, const QSize& canvasSize, const FloatImage* overlay,
    const QPoint& overlayAt, const QString& path, ImageIO::Format format, double quality)
{
    try {
        VImage image;
        QByteArray profile;
        if (!reducedRegion(source, region, size, image, profile))
            return Streamed::notApplicable;
        VImage canvas = onBlack(image, regionToCanvas, canvasSize);
        if (overlay && !overlay->isNull()) {
            QPoint at = overlayAt;
            const VImage mark = overlayImage(*overlay, at, canvasSize);
            if (!mark.is_null()) {
                // Only the strip under the overlay is composited (in float, by libvips), then put back.
                const VImage strip
                    = canvas.extract_area(at.x(), at.y(), mark.width(), mark.height())
                          .bandjoin_const({ 255 })
                          .composite2(mark, VIPS_BLEND_MODE_OVER,
                              VImage::option()->set("compositing_space", VIPS_INTERPRETATION_sRGB))
                          .extract_band(0, VImage::option()->set("n", 3))
                          .cast(VIPS_FORMAT_UCHAR);
                canvas = canvas.insert(strip, at.x(), at.y());
            }
        }
        canvas = VipsEncode::withProfileOnly(canvas);
        if (!profile.isEmpty())
            vips_image_set_blob_copy(
                canvas.get_image(), VIPS_META_ICC_NAME, profile.constData(), std::size_t(profile.size()));
        const int q = std::clamp(int(std::lround(quality * 100)), 1, 100);
        return VipsEncode::write(canvas, path, format, q) ? Streamed::written : Streamed::failed;
    } catch (const vips::VError&) {
        vips_error_clear();
    } catch (const std::bad_alloc&) { }
    return Streamed::failed;
}

} // namespace quavel::ScaledDecode
