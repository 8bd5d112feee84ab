#include "platform/imaging/ImageThumbnail.h"

#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/RawDecoder.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <cstring>

namespace quavel::ImageThumbnail {

namespace {

using vips::VImage;

VImage fitted(const VImage& image, int maxPixel)
{
    return image.thumbnail_image(
        maxPixel, VImage::option()->set("height", maxPixel)->set("size", VIPS_SIZE_DOWN));
}

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
    return toQImage(fitted(image, maxPixel));
}

} // namespace

QImage fromFile(const QString& path, int maxPixel)
{
    if (maxPixel < 1)
        return {};
    VipsSupport::ensureStarted();
    const QByteArray name = VipsSupport::fileName(path);
    try {
        if (CameraRaw::isCameraRaw(path))
            return rawThumbnail(path, maxPixel);
        const char* loader = vips_foreign_find_load(name.constData());
        if (!loader) {
            vips_error_clear();
            return {};
        }
        // libvips' thumbnail would take a HEIF file's embedded thumbnail when it is larger than the
        // target: load the primary image and shrink it instead.
        if (std::strncmp(loader, "VipsForeignLoadHeif", 19) == 0) {
            const VImage primary
                = VImage::heifload(name.constData(), VImage::option()->set("thumbnail", false));
            return toQImage(fitted(primary, maxPixel));
        }
        return toQImage(VImage::thumbnail(name.constData(), maxPixel,
            VImage::option()->set("height", maxPixel)->set("size", VIPS_SIZE_DOWN)));
    } catch (const vips::VError&) {
        vips_error_clear();
        return {};
    }
}

} // namespace quavel::ImageThumbnail
