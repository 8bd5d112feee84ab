#include "platform/imaging/ImageThumbnail.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/RawDecoder.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <cstring>
#include <new>

namespace quavel::ImageThumbnail {

namespace {

using vips::VImage;

// 8-bit sRGB with three or four bands, copied into a QImage of its own.
QImage toQImage(VImage image)
{
    if (vips_image_get_typeof(image.get_image(), VIPS_META_ICC_NAME)) {
        // A profile that does not parse leaves the values as they are, as an untagged image would.
        try {
            image = image.icc_transform("srgb", VImage::option()->set("embedded", true));
        } catch (const vips::VError&) {
            vips_error_clear();
        }
    }
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.format() != VIPS_FORMAT_UCHAR)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.format() != VIPS_FORMAT_UCHAR)
        image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() > 4)
        image = image.extract_band(0, VImage::option()->set("n", 4));
    if (image.bands() < 3)
        image = image.extract_band(0).bandjoin({ image.extract_band(0), image.extract_band(0) });
    const int bands = image.bands();
    size_t size = 0;
    void* memory = image.write_to_memory(&size);
    const int width = image.width();
    const int height = image.height();
    QImage result(width, height, bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (!result.isNull() && size >= size_t(width) * height * bands) {
        const auto* source = static_cast<const uchar*>(memory);
        for (int y = 0; y < height; ++y)
            std::memcpy(result.scanLine(y), source + size_t(y) * width * bands, size_t(width) * bands);
    } else {
        result = QImage();
    }
    g_free(memory);
    return result;
}

QImage rawThumbnail(const QString& path, int maxPixel)
{
    const auto raw = RawDecoder::decode(path, 8, maxPixel);
    if (!raw)
        return {};
    const VImage image = VImage::new_from_memory(const_cast<char*>(raw->pixels.constData()),
        size_t(raw->pixels.size()), raw->width, raw->height, 3, VIPS_FORMAT_UCHAR);
    return toQImage(image.thumbnail_image(
        maxPixel, VImage::option()->set("height", maxPixel)->set("size", VIPS_SIZE_DOWN)));
}

} // namespace

QImage fromFile(const QString& path, int maxPixel, Damage damage)
{
    if (maxPixel < 1)
        return {};
    VipsSupport::ensureStarted();
    try {
        if (CameraRaw::isCameraRaw(path))
            return rawThumbnail(path, maxPixel);
        // Open for as long as libvips reads: it opens this very file again by the descriptor's name.
        const RegularFile file(path);
        if (!file.isOpen())
            return {};
        const QByteArray name = file.openablePath();
        // A printed page refuses what a strict read refuses: truncation and decoding errors, never a
        // mere warning. A HEIF file gives its primary image, never the preview it embeds.
        const VipsFailOn failOn = damage == Damage::refused ? VIPS_FAIL_ON_ERROR : VIPS_FAIL_ON_NONE;
        const VImage header
            = VImage::new_from_file(name.constData(), VImage::option()->set("fail_on", failOn));
        if (VipsSupport::refusal(VipsSupport::decodedPixels(header, maxPixel)))
            return {};
        // What decodes is shown as it is: only a strict read needs to see every failure of the load.
        VipsSupport::LoadWatch watch;
        const bool strict = damage == Damage::refused;
        QImage image
            = toQImage(VipsSupport::fitted(name, header, maxPixel, failOn, strict ? &watch : nullptr));
        if (strict && watch.failed())
            return {};
        return image;
    } catch (const vips::VError&) {
        vips_error_clear();
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace quavel::ImageThumbnail
