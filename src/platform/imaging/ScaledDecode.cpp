#include "platform/imaging/ScaledDecode.h"

#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
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

// The JPEG decoded by libjpeg's DCT scaling at eighths/8 of its size, as stored (not turned), RGB;
// nothing for a file libjpeg does not read or whose colours are not grey or YCbCr/RGB. C only between the
// jump and its target: nothing there has a destructor to skip.
VImage decodeJpegScaled(const QByteArray& name, int eighths)
{
    std::FILE* file = std::fopen(name.constData(), "rb");
    if (!file)
        return VImage();
    jpeg_decompress_struct info;
    JpegErrors errors;
    unsigned char* volatile pixels = nullptr;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    errors.manager.output_message = jpegQuiet;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        g_free(pixels);
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
    info.out_color_space = JCS_RGB;
    info.scale_num = unsigned(eighths);
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    const std::size_t width = info.output_width;
    const std::size_t height = info.output_height;
    pixels = static_cast<unsigned char*>(g_malloc(width * height * 3));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + std::size_t(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
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

bool reduce(const QString& path, const Drawing& drawing, Pipeline& out)
{
    if (CameraRaw::isCameraRaw(path) || !(drawing.scale > 0) || drawing.canvasSize.isEmpty())
        return false;
    VipsSupport::ensureStarted();
    const QByteArray name = VipsSupport::fileName(path);
    VImage header = VImage::new_from_file(name.constData());
    if (!eightBitRgbOrGrey(header))
        return false;
    out.profile = VipsSupport::iccProfile(header);
    const int orientation
        = header.get_typeof(VIPS_META_ORIENTATION) ? header.get_int(VIPS_META_ORIENTATION) : 1;
    const bool turned = orientation > 1 && orientation <= 8;
    const char* loader = nullptr;
    const bool jpeg = vips_image_get_string(header.get_image(), "vips-loader", &loader) == 0 && loader
        && std::strcmp(loader, "jpegload") == 0 && (header.bands() == 1 || header.bands() == 3);

    // A JPEG reduced in its DCT: the smallest eighth that still holds the detail the canvas shows.
    const int eighths = std::clamp(int(std::ceil(8 * drawing.scale - 1e-9)), 1, 8);
    if (jpeg && eighths < 8) {
        VImage scaled = decodeJpegScaled(name, eighths);
        if (!scaled.is_null()) {
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
                return false;
            out.image = scaled.extract_area(part.x(), part.y(), part.width(), part.height());
            QTransform partToImage;
            partToImage.scale(1 / f, 1 / f);
            partToImage.translate(part.x(), part.y());
            reduceFurther(out.image, partToImage, drawing.scale / f);
            out.toCanvas = partToImage * drawing.imageToCanvas;
            return true;
        }
    }

    // Any other photo: the region reduced by lanczos3 while it decodes (rows stream when upright).
    VImage image = turned
        ? header.autorot()
        : VImage::new_from_file(name.constData(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    const QRect area = drawing.region.intersected(QRect(0, 0, image.width(), image.height()));
    if (area.isEmpty())
        return false;
    out.image = image.extract_area(area.x(), area.y(), area.width(), area.height());
    QTransform partToImage = QTransform::fromTranslate(area.x(), area.y());
    reduceFurther(out.image, partToImage, drawing.scale);
    out.toCanvas = partToImage * drawing.imageToCanvas;
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

std::optional<Reduced> decode(const QString& source, const Drawing& drawing)
{
    try {
        Pipeline pipeline;
        if (!reduce(source, drawing, pipeline))
            return std::nullopt;
        std::optional<FloatImage> image = toFloat(pipeline.image, pipeline.profile);
        if (!image)
            return std::nullopt;
        return Reduced { std::move(*image), pipeline.toCanvas };
    } catch (const vips::VError&) {
        vips_error_clear();
    } catch (const std::bad_alloc&) { }
    return std::nullopt;
}

} // namespace quavel::ScaledDecode
