#include "photo/PhotoComposer.h"

#include "photo/PhotoCanvas.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWork.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoFiles.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/Resample.h"
#include "platform/imaging/ScaledDecode.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quavel::PhotoComposer {

namespace {

constexpr double writeQuality = 0.97;

} // namespace

std::optional<FloatImage> loadFullOrientedImage(const QString& path)
{
    PhotoWork::beforeDecode(path);
    return ImageIO::decode(path);
}

std::optional<FloatImage> loadImage(const QString& path, std::optional<int> maxPixel, ReadFailure* failure)
{
    PhotoWork::beforeDecode(path);
    return ImageIO::decode(path, maxPixel, failure);
}

FloatImage resampled(const FloatImage& image, const QSizeF& size)
{
    const int width = std::max(1, int(std::lround(size.width())));
    const int height = std::max(1, int(std::lround(size.height())));
    if (image.size() == QSize(width, height))
        return image;
    return Resample::lanczos3(image, width, height);
}

FloatImage withBottomWatermark(FloatImage image, const FloatImage& watermark)
{
    const QRectF target = watermarkRect(watermark.size(), QSizeF(image.size()));
    const QSize size(
        std::max(1, int(std::lround(target.width()))), std::max(1, int(std::lround(target.height()))));
    if (watermark.size() == size)
        return PhotoCanvas::drawOver(std::move(image), watermark, target);
    // Scaled to the photo's width, the watermark would be a good part of the photo again: it is resampled
    // and drawn band after band.
    return PhotoCanvas::drawOverResampled(std::move(image), watermark, size, target);
}

namespace {

// What a validated crop takes from the photo, and how it lands on the canvas.
struct CropPlan
{
    CropLayout layout;
    // A reduced crop is first brought near the canvas's scale by lanczos3 (the bilinear draw then
    // filters nothing away), and only the part of the photo the canvas shows is resampled.
    bool prescale = false;
    double scale = 1;
    QRect region;
    QSize scaledSize;
    // Nothing of the photo shows on the canvas.
    bool empty = false;
    // From the pixels of the source the canvas is drawn from (the prescaled region, or the photo).
    QTransform sourceToCanvas;
};

CropPlan planCrop(const QSize& imageSize, PrintFormat format, double zoom, const QSizeF& offset, double angle)
{
    CropPlan plan;
    plan.layout = cropLayout(imageSize, format, zoom, offset, angle);
    plan.sourceToCanvas = plan.layout.imageToCanvas;
    const double scale = (plan.layout.canvas.width() / std::max(plan.layout.crop.width(), 1.0)
                             + plan.layout.canvas.height() / std::max(plan.layout.crop.height(), 1.0))
        / 2;
    plan.scale = scale;
    if (scale >= 1)
        return plan;
    const QRectF shown
        = plan.layout.imageToCanvas.inverted().mapRect(QRectF(QPointF(0, 0), QSizeF(plan.layout.canvas)));
    const double margin = 4 / scale;
    plan.region = shown.adjusted(-margin, -margin, margin, margin)
                      .toAlignedRect()
                      .intersected(QRect(QPoint(0, 0), imageSize));
    if (plan.region.isEmpty()) {
        plan.empty = true;
        return plan;
    }
    plan.prescale = true;
    plan.scaledSize = QSize(std::max(1, int(std::lround(plan.region.width() * scale))),
        std::max(1, int(std::lround(plan.region.height() * scale))));
    QTransform fromSource;
    fromSource.translate(plan.region.x(), plan.region.y());
    fromSource.scale(double(plan.region.width()) / plan.scaledSize.width(),
        double(plan.region.height()) / plan.scaledSize.height());
    plan.sourceToCanvas = fromSource * plan.layout.imageToCanvas;
    return plan;
}

ScaledDecode::Drawing drawingOf(const CropPlan& plan)
{
    return { plan.layout.imageToCanvas, plan.region, plan.scale, plan.layout.canvas };
}

FloatImage finishCanvas(const FloatImage& source, const QTransform& sourceToCanvas, const CropPlan& plan,
    const QByteArray& profile, const FloatImage* watermark)
{
    FloatImage canvas
        = PhotoCanvas::drawOnBlack(source, sourceToCanvas, plan.layout.canvas).withIccProfile(profile);
    if (canvas.isNull())
        throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    if (watermark && !watermark->isNull())
        canvas = withBottomWatermark(std::move(canvas), *watermark);
    return canvas;
}

} // namespace

FloatImage composeCrop(const FloatImage& image, PrintFormat format, double zoom, const QSizeF& offset,
    double angle, const FloatImage* watermark)
{
    if (image.isNull())
        throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    const CropPlan plan = planCrop(image.size(), format, zoom, offset, angle);
    FloatImage source;
    if (plan.prescale) {
        // Straight from the region: a copy of it would be most of the photo again.
        source = Resample::lanczos3(image, plan.region, plan.scaledSize.width(), plan.scaledSize.height());
        if (source.isNull())
            throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    } else if (!plan.empty) {
        source = image;
    }
    return finishCanvas(source, plan.sourceToCanvas, plan, image.iccProfile(), watermark);
}

FloatImage composeCrop(const QString& sourcePath, PrintFormat format, double zoom, const QSizeF& offset,
    double angle, const FloatImage* watermark)
{
    const std::optional<QSize> size = ImageIO::orientedPixelSize(sourcePath);
    if (size && !size->isEmpty()) {
        const CropPlan plan = planCrop(*size, format, zoom, offset, angle);
        if (plan.prescale) {
            std::optional<ReadFailure> failure;
            if (const std::optional<ScaledDecode::Reduced> reduced
                = ScaledDecode::decode(sourcePath, drawingOf(plan), &failure))
                return finishCanvas(
                    reduced->image, reduced->toCanvas, plan, reduced->image.iccProfile(), watermark);
            // A photo that cannot be read at a reduced size is not read whole either.
            if (failure)
                throw PhotoReads::photoError(*failure);
        }
    }
    return composeCrop(PhotoReads::photo(sourcePath), format, zoom, offset, angle, watermark);
}

namespace {

// Why an encode into the new file failed, as far as the file system tells (the encoder writes from
// threads of its own, and its errno is theirs): a flush of the file reports the write-back errors of a
// disk gone or full; else one byte written past the file's last block asks the disk for room as the
// encoder did (the file is abandoned anyway); else a file system without free space. 0 when nothing
// tells.
int encodeFailure(int fd)
{
    if (::fsync(fd) != 0)
        return errno;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        return errno;
    const off_t block = st.st_blksize > 0 ? st.st_blksize : 4096;
    const off_t past = (st.st_size / block + 1) * block;
    if (::pwrite(fd, "", 1, past) < 0)
        return errno;
    struct statvfs fs
    {
    };
    if (::fstatvfs(fd, &fs) == 0 && fs.f_bavail == 0)
        return ENOSPC;
    return 0;
}

[[noreturn]] void writeFailed(const QString& path, int reason)
{
    QString message = QStringLiteral("Le fichier « %1 » n’a pas pu être enregistré.")
                          .arg(NativeName::displayed(QFileInfo(path).fileName()));
    if (reason != 0) {
        // The file system's own words, as a failed publish gives them.
        QString detail = frenchDescription(reason);
        if (!detail.isEmpty())
            detail[0] = detail[0].toLower();
        message.chop(1);
        message += QStringLiteral(" : ") + detail;
    }
    throw FileError(reason != 0 ? reason : EIO, message);
}

} // namespace

void write(const FloatImage& image, const QString& path, const std::function<void()>& beforeReplace)
{
    // A JPEG under a camera RAW name would be a corrupted photo.
    if (CameraRaw::isCameraRaw(path))
        throw PhotoEditError(PhotoEditError::Kind::rawNotRewritten);
    const ImageIO::Format format = ImageIO::formatForPath(path);
    PhotoFiles::replace(
        path,
        [&](int fd, const QString& openable) {
            if (!ImageIO::encode(image, openable, format, writeQuality))
                writeFailed(path, encodeFailure(fd));
        },
        beforeReplace);
}

} // namespace quavel::PhotoComposer
