// The readers of ImageIO that read a file's header only, never its pixels.
#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/DecodeMemory.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

namespace quavel::ImageIO {

using vips::VImage;

std::optional<qint64> wholeDecodeBytes(const QString& path)
{
    if (CameraRaw::isCameraRaw(path)) {
        const std::optional<QSize> size = CameraRaw::orientedPixelSize(path);
        if (!size)
            return std::nullopt;
        const qint64 pixels = qint64(size->width()) * size->height();
        return DecodeMemory::write({}, pixels, size->width(), size->height());
    }
    const RegularFile file(path);
    JpegFrame frame;
    const std::optional<ImageContent::Format> format = ImageContent::examine(file, &frame);
    if (!format)
        return std::nullopt;
    if (*format == ImageContent::Format::bmp) {
        const std::optional<QSize> size = VipsSupport::bmpSize(file.openablePath());
        if (!size)
            return std::nullopt;
        return DecodeMemory::write({}, qint64(size->width()) * size->height(), size->width(), size->height());
    }
    VipsSupport::ensureStarted();
    try {
        const VImage header = VipsSupport::load(file.openablePath(), *format);
        const qint64 pixels = VipsSupport::decodedPixels(header);
        return DecodeMemory::write(frame, pixels, header.width(), header.height());
    } catch (const vips::VError&) {
        vips_error_clear();
    }
    return std::nullopt;
}

std::optional<QSize> orientedPixelSize(const QString& path)
{
    if (CameraRaw::isCameraRaw(path))
        return CameraRaw::orientedPixelSize(path);
    const RegularFile file(path);
    const std::optional<ImageContent::Format> format = ImageContent::examine(file);
    if (!format)
        return std::nullopt;
    if (*format == ImageContent::Format::bmp)
        return VipsSupport::bmpSize(file.openablePath());
    VipsSupport::ensureStarted();
    try {
        const VImage header = VipsSupport::load(file.openablePath(), *format);
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
