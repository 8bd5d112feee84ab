#include "platform/imaging/ScaledDecode.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/DecodeMemory.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quavel::ScaledDecode {

namespace {

using vips::VImage;

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

struct JpegErrors
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFailed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void jpegQuiet(j_common_ptr) { }

// Warnings and traces. A file that ends before its last scan (libjpeg makes the rest up in grey) fails,
// as libvips' strict reads fail it; other warnings (stray bytes before a marker, a damaged segment) are
// what every viewer passes over, unless the file is made of them.
void jpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    if (info->err->msg_code == JWRN_JPEG_EOF || ++info->err->num_warnings >= 100)
        jpegFailed(info);
}

enum class JpegOutcome { decoded, notTaken, failed, outOfMemory };

// The JPEG decoded by libjpeg's DCT scaling at eighths/8 of its size, as stored (not turned), RGB.
// notTaken for a file libjpeg does not read or whose colours are not grey or YCbCr/RGB; failed for a
// damaged file. C only between the jump and its target: nothing there has a destructor to skip.
VImage decodeJpegScaled(const QByteArray& name, int eighths, JpegOutcome& outcome)
{
    outcome = JpegOutcome::notTaken;
    std::FILE* file = std::fopen(name.constData(), "rb");
    if (!file)
        return VImage();
    jpeg_decompress_struct info;
    JpegErrors errors;
    unsigned char* volatile pixels = nullptr;
    volatile bool started = false;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    errors.manager.output_message = jpegQuiet;
    errors.manager.emit_message = jpegMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        g_free(pixels);
        // Past the header the file is damaged; before, libjpeg does not take it.
        outcome = started ? JpegOutcome::failed : JpegOutcome::notTaken;
        return VImage();
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    if (info.num_components != 1 && info.num_components != 3) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return VImage();
    }
    started = true;
    info.out_color_space = JCS_RGB;
    info.scale_num = unsigned(eighths);
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    const std::size_t width = info.output_width;
    const std::size_t height = info.output_height;
    pixels = static_cast<unsigned char*>(g_try_malloc(width * height * 3));
    if (!pixels) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        outcome = JpegOutcome::outOfMemory;
        return VImage();
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + std::size_t(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    outcome = JpegOutcome::decoded;
    return VImage::new_from_memory_steal(
        pixels, width * height * 3, int(width), int(height), 3, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// The photo reduced for the drawing, as a libvips pipeline, with the map from its pixels to the canvas.
struct Pipeline
{
    VImage image;
    QTransform toCanvas;
    QByteArray profile;
    // The loader's failures, which the reduction's caches may drop.
    VipsSupport::LoadWatch watch;
};

// Brings image (of the part at partToImage) down by residual with lanczos3 when that is a real
// reduction, keeping the exact map of the result.
void reduceFurther(VImage& image, QTransform& partToImage, double residual)
{
    if (residual >= 0.95)
        return;
    const int width = std::max(1, int(std::lround(image.width() * residual)));
    const int height = std::max(1, int(std::lround(image.height() * residual)));
    const double sx = double(width) / image.width();
    const double sy = double(height) / image.height();
    image = image.resize(sx, VImage::option()->set("vscale", sy)->set("kernel", VIPS_KERNEL_LANCZOS3));
    // The rounding of the reduction may leave a row or column more or less than asked.
    if (image.width() != width || image.height() != height)
        image = image.embed(0, 0, width, height, VImage::option()->set("extend", VIPS_EXTEND_COPY));
    QTransform scaled;
    scaled.scale(1 / sx, 1 / sy);
    partToImage = scaled * partToImage;
}

enum class Reduction { made, notTaken, failed };

Reduction refuse(ReadFailure& failure, const ReadFailure& why)
{
    failure = why;
    return Reduction::failed;
}

// name is the file libvips and libjpeg open: the photo's descriptor, held open by the caller, of that
// format (never BMP), whose JPEG frame (when it is one) is frame.
Reduction reduce(const QByteArray& name, ImageContent::Format format, const JpegFrame& frame,
    const Drawing& drawing, Pipeline& out, ReadFailure& failure)
{
    // Strict, as every decode of a write: truncation and decoding errors fail it, warnings do not.
    const auto options = [] { return VImage::option()->set("fail_on", VIPS_FAIL_ON_ERROR); };
    VImage header = VipsSupport::load(name, format, options());
    if (!eightBitRgbOrGrey(header))
        return Reduction::notTaken;
    out.profile = VipsSupport::iccProfile(header);
    const int orientation = VipsSupport::orientationOf(header);
    const bool turned = orientation > 1 && orientation <= 8;
    const bool jpeg = VipsSupport::loaderOf(header).startsWith("jpegload")
        && (header.bands() == 1 || header.bands() == 3);

    // A JPEG reduced in its DCT: the smallest eighth that still holds the detail the canvas shows.
    const int eighths = std::clamp(int(std::ceil(8 * drawing.scale - 1e-9)), 1, 8);
    if (jpeg && eighths < 8) {
        const qint64 scaledPixels
            = ((qint64(header.width()) * eighths + 7) / 8) * ((qint64(header.height()) * eighths + 7) / 8);
        // libjpeg keeps the coefficients of a progressive photo at full size whatever it decodes at.
        if (const auto refused = VipsSupport::refusal(
                scaledPixels, DecodeMemory::write(frame, scaledPixels, header.width(), header.height())))
            return refuse(failure, *refused);
        JpegOutcome outcome = JpegOutcome::notTaken;
        VImage scaled = decodeJpegScaled(name, eighths, outcome);
        if (outcome == JpegOutcome::failed)
            return refuse(failure, {});
        if (outcome == JpegOutcome::outOfMemory)
            return refuse(failure, { ReadFailure::Kind::outOfMemory, 0 });
        if (outcome == JpegOutcome::decoded) {
            if (turned) {
                scaled.set(VIPS_META_ORIENTATION, orientation);
                scaled = scaled.autorot();
            }
            // Scaled pixel centres (i + ½) sit at (i + ½) · 8 / eighths in the photo.
            const double f = eighths / 8.0;
            const QRect part = QRectF(drawing.region.x() * f, drawing.region.y() * f,
                drawing.region.width() * f, drawing.region.height() * f)
                                   .toAlignedRect()
                                   .intersected(QRect(0, 0, scaled.width(), scaled.height()));
            if (part.isEmpty())
                return Reduction::notTaken;
            out.image = scaled.extract_area(part.x(), part.y(), part.width(), part.height());
            QTransform partToImage;
            partToImage.scale(1 / f, 1 / f);
            partToImage.translate(part.x(), part.y());
            reduceFurther(out.image, partToImage, drawing.scale / f);
            out.toCanvas = partToImage * drawing.imageToCanvas;
            return Reduction::made;
        }
    }

    // Any other photo: the region reduced by lanczos3 while it decodes (rows stream when upright). Its
    // format shrinks nothing on load: every pixel it declares is decoded.
    const qint64 pixels = VipsSupport::decodedPixels(header);
    if (const auto refused
        = VipsSupport::refusal(pixels, DecodeMemory::write(frame, pixels, header.width(), header.height())))
        return refuse(failure, *refused);
    VImage image = turned
        ? out.watch.watch(header).autorot()
        : out.watch.watch(VipsSupport::load(name, format, options()->set("access", VIPS_ACCESS_SEQUENTIAL)));
    const QRect area = drawing.region.intersected(QRect(0, 0, image.width(), image.height()));
    if (area.isEmpty())
        return Reduction::notTaken;
    out.image = image.extract_area(area.x(), area.y(), area.width(), area.height());
    QTransform partToImage = QTransform::fromTranslate(area.x(), area.y());
    reduceFurther(out.image, partToImage, drawing.scale);
    out.toCanvas = partToImage * drawing.imageToCanvas;
    return Reduction::made;
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

std::optional<Reduced> decode(
    const QString& source, const Drawing& drawing, std::optional<ReadFailure>* failure)
{
    if (CameraRaw::isCameraRaw(source) || !(drawing.scale > 0) || drawing.canvasSize.isEmpty())
        return std::nullopt;
    ReadFailure reason;
    // Open for as long as the decode reads: libvips and libjpeg open this very file again by its name.
    const RegularFile file(source);
    JpegFrame frame;
    const std::optional<ImageContent::Format> format = ImageContent::examine(file, &frame);
    if (!format) {
        if (failure)
            *failure = reason;
        return std::nullopt;
    }
    // A BMP is read whole by Qt's reader: the whole-photo decode takes it.
    if (*format == ImageContent::Format::bmp)
        return std::nullopt;
    VipsSupport::ensureStarted();
    try {
        Pipeline pipeline;
        switch (reduce(file.openablePath(), *format, frame, drawing, pipeline, reason)) {
        case Reduction::notTaken:
            return std::nullopt;
        case Reduction::failed:
            if (failure)
                *failure = reason;
            return std::nullopt;
        case Reduction::made:
            break;
        }
        std::optional<FloatImage> image = toFloat(pipeline.image, pipeline.profile);
        if (image && !pipeline.watch.failed())
            return Reduced { std::move(*image), pipeline.toCanvas };
        reason = {};
    } catch (...) {
        reason = VipsSupport::caughtFailure();
    }
    if (failure)
        *failure = reason;
    return std::nullopt;
}

} // namespace quavel::ScaledDecode
