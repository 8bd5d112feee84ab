#include "photo/PhotoComposer.h"

#include "photo/PhotoCanvas.h"
#include "photo/PhotoEditError.h"
#include "photo/PhotoFiles.h"
#include "photo/PhotoWriteQueue.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/Resample.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace quavel::PhotoComposer {

namespace {

constexpr double writeQuality = 0.97;

// The extension of the hidden sibling: the format's own.
QString siblingExtension(ImageIO::Format format)
{
    switch (format) {
    case ImageIO::Format::Png:
        return QStringLiteral("png");
    case ImageIO::Format::Tiff:
        return QStringLiteral("tiff");
    case ImageIO::Format::Heif:
        return QStringLiteral("heic");
    case ImageIO::Format::WebP:
        return QStringLiteral("webp");
    case ImageIO::Format::Jpeg:
        break;
    }
    return QStringLiteral("jpg");
}

} // namespace

std::optional<FloatImage> loadFullOrientedImage(const QString& path)
{
    return ImageIO::decode(path);
}

std::optional<FloatImage> loadImage(const QString& path, std::optional<int> maxPixel)
{
    return ImageIO::decode(path, maxPixel);
}

FloatImage resampled(const FloatImage& image, const QSizeF& size)
{
    const int width = std::max(1, int(std::lround(size.width())));
    const int height = std::max(1, int(std::lround(size.height())));
    if (image.size() == QSize(width, height))
        return image;
    return Resample::lanczos3(image, width, height);
}

FloatImage withBottomWatermark(const FloatImage& image, const FloatImage& watermark)
{
    const QRectF target = watermarkRect(watermark.size(), QSizeF(image.size()));
    const FloatImage scaled = resampled(watermark, target.size());
    return PhotoCanvas::drawOver(image, scaled.isNull() ? watermark : scaled, target);
}

FloatImage composeCrop(const FloatImage& image, PrintFormat format, double zoom, const QSizeF& offset,
    double angle, const FloatImage* watermark)
{
    if (image.isNull())
        throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    const CropLayout layout = cropLayout(image.size(), format, zoom, offset, angle);
    QTransform toCanvas = layout.imageToCanvas;
    const double scale = (layout.canvas.width() / std::max(layout.crop.width(), 1.0)
                             + layout.canvas.height() / std::max(layout.crop.height(), 1.0))
        / 2;

    // A reduced crop is first brought near the canvas's scale by lanczos3 (the bilinear draw then
    // filters nothing away), and only the part of the photo the canvas shows is resampled.
    FloatImage source = image;
    if (scale < 1) {
        const QRectF shown = toCanvas.inverted().mapRect(QRectF(QPointF(0, 0), QSizeF(layout.canvas)));
        const double margin = 4 / scale;
        const QRect region = shown.adjusted(-margin, -margin, margin, margin)
                                 .toAlignedRect()
                                 .intersected(QRect(QPoint(0, 0), image.size()));
        if (region.isEmpty()) {
            source = FloatImage();
        } else {
            const FloatImage part
                = region.size() == image.size() ? image : PhotoCanvas::cropped(image, region);
            const int width = std::max(1, int(std::lround(region.width() * scale)));
            const int height = std::max(1, int(std::lround(region.height() * scale)));
            source = Resample::lanczos3(part, width, height);
            if (source.isNull())
                throw PhotoEditError(PhotoEditError::Kind::composeFailed);
            QTransform fromSource;
            fromSource.translate(region.x(), region.y());
            fromSource.scale(double(region.width()) / width, double(region.height()) / height);
            toCanvas = fromSource * toCanvas;
        }
    }
    FloatImage canvas
        = PhotoCanvas::drawOnBlack(source, toCanvas, layout.canvas).withIccProfile(image.iccProfile());
    if (canvas.isNull())
        throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    if (watermark && !watermark->isNull())
        canvas = withBottomWatermark(canvas, *watermark);
    return canvas;
}

void write(const FloatImage& image, const QString& path)
{
    // A JPEG under a camera RAW name would be a corrupted photo.
    if (CameraRaw::isCameraRaw(path))
        throw PhotoEditError(PhotoEditError::Kind::rawNotRewritten);
    const ImageIO::Format format = ImageIO::formatForPath(path);
    PhotoWriteQueue::shared().run(path, [&] {
        PhotoFiles::replace(path, siblingExtension(format), [&](int, const QString& openable) {
            if (!ImageIO::encode(image, openable, format, writeQuality))
                throw FileError(EIO,
                    QStringLiteral("Le fichier « %1 » n’a pas pu être enregistré.")
                        .arg(QFileInfo(path).fileName()));
        });
    });
}

} // namespace quavel::PhotoComposer
