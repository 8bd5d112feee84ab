#include "platform/imaging/ImageThumbnail.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/DecodeMemory.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/RawDecoder.h"
#include "platform/imaging/UnloweredCompanion.h"
#include "platform/imaging/VipsSerial.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <cstring>
#include <new>

namespace quavel::ImageThumbnail {

namespace {

using vips::VImage;

// What every thumbnail asks of libvips: the box, never enlarged, and the photo left as stored, since
// libvips' own turning copies the image to memory on its worker threads (toQImage turns it here).
vips::VOption* boxed(int maxPixel)
{
    return VImage::option()->set("height", maxPixel)->set("size", VIPS_SIZE_DOWN)->set("no_rotate", true);
}

VImage fitted(const VImage& image, int maxPixel)
{
    return image.thumbnail_image(maxPixel, boxed(maxPixel));
}

int storedOrientation(const VImage& image)
{
    if (!image.get_typeof(VIPS_META_ORIENTATION))
        return 1;
    const int orientation = image.get_int(VIPS_META_ORIENTATION);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// The 8-bit pixels of a thumbnail as stored, computed on the calling thread and turned upright there by
// the file's orientation: thumbnails run on lowered threads, which must start no libvips worker (see
// VipsSerial). width and height become the upright size.
QByteArray uprightPixels(const VImage& stored, int orientation, int& width, int& height)
{
    QByteArray pixels = VipsSerial::pixels(stored);
    width = stored.width();
    height = stored.height();
    if (orientation == 1)
        return pixels;
    // libvips' own copy: nothing it keeps can outlive the bytes it reads.
    VipsImage* copy = vips_image_new_from_memory_copy(
        pixels.constData(), std::size_t(pixels.size()), width, height, stored.bands(), VIPS_FORMAT_UCHAR);
    if (!copy)
        throw vips::VError();
    VImage computed(copy);
    computed.set(VIPS_META_ORIENTATION, orientation);
    const VImage upright = computed.autorot();
    width = upright.width();
    height = upright.height();
    return VipsSerial::pixels(upright);
}

// The thumbnail with its file decoded: by the thread's companion at normal priority when the loader
// decodes through a sink of its own, which would start libvips workers from this lowered thread.
VImage decoded(const VImage& thumbnail, const char* loader, const QByteArray& name)
{
    if (loader && VipsSerial::loadsThroughSink(loader, name))
        UnloweredCompanion::run([&] { VipsSerial::decodeSources(thumbnail); });
    return thumbnail;
}

// 8-bit sRGB with three or four bands, copied into a QImage of its own.
QImage toQImage(VImage image)
{
    const int orientation = storedOrientation(image);
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
    int width = 0;
    int height = 0;
    const QByteArray pixels = uprightPixels(image, orientation, width, height);
    QImage result(width, height, bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (!result.isNull() && size_t(pixels.size()) >= size_t(width) * height * bands) {
        const auto* source = reinterpret_cast<const uchar*>(pixels.constData());
        for (int y = 0; y < height; ++y)
            std::memcpy(result.scanLine(y), source + size_t(y) * width * bands, size_t(width) * bands);
    } else {
        result = QImage();
    }
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
        JpegFrame frame;
        const std::optional<ImageContent::Format> format = ImageContent::examine(file, &frame);
        if (!format)
            return {};
        const QByteArray name = file.openablePath();
        if (*format == ImageContent::Format::bmp) {
            const std::optional<QSize> size = VipsSupport::bmpSize(name);
            if (!size)
                return {};
            const DecodeBudget::Hold hold
                = DecodeBudget::previews().acquire(DecodeMemory::bmp(qint64(size->width()) * size->height()));
            if (!hold)
                return {};
            ReadFailure failure;
            const std::optional<VImage> image = VipsSupport::bmp(name, failure);
            return image ? toQImage(fitted(*image, maxPixel)) : QImage();
        }
        // A printed page refuses what a strict read refuses: truncation and decoding errors, never a
        // mere warning. A HEIF file gives its primary image, never the preview it embeds.
        const VipsFailOn failOn = damage == Damage::refused ? VIPS_FAIL_ON_ERROR : VIPS_FAIL_ON_NONE;
        const VImage header = VipsSupport::load(name, *format, VImage::option()->set("fail_on", failOn));
        if (VipsSupport::refusal(VipsSupport::decodedPixels(header, maxPixel)))
            return {};
        // Held until the thumbnail is made: the decode's memory, shared with the other thumbnails and
        // previews running (a progressive JPEG's coefficients are held whatever the thumbnail's size).
        const DecodeBudget::Hold hold
            = DecodeBudget::previews().acquire(DecodeMemory::shrinkingRead(frame, header, maxPixel));
        if (!hold)
            return {};
        // What decodes is shown as it is: only a strict read needs to see every failure of the load.
        VipsSupport::LoadWatch watch;
        const bool strict = damage == Damage::refused;
        // Left as stored: toQImage turns it on this thread, which must start no libvips worker.
        const VImage fitted
            = VipsSupport::fitted(name, *format, header, maxPixel, failOn, strict ? &watch : nullptr, false);
        QImage image = toQImage(decoded(fitted, ImageContent::loaderName(*format), name));
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
