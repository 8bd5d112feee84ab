#include "photo/print/PrintPagination.h"

#include "library/MediaFile.h"
#include "library/PhotoNumber.h"
#include "platform/files/NativeName.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace quavel::PrintPagination {

namespace {

// An A5 sheet less the inset on both sides.
const QSizeF kA5LessInset(148.0 * 72.0 / 25.4 - 2 * kInset, 210.0 * 72.0 / 25.4 - 2 * kInset);

Printable inset(const QSizeF& sheet)
{
    return { QSizeF(std::max(sheet.width() - 2 * kInset, 1.0), std::max(sheet.height() - 2 * kInset, 1.0)),
        QPointF(kInset, kInset) };
}

} // namespace

QStringList photosAmong(const QStringList& files)
{
    QStringList photos;
    for (const QString& f : files)
        if (!MediaFile::isVideo(f))
            photos.append(f);
    return photos;
}

QString jobTitle(const QStringList& photos)
{
    if (photos.size() == 1)
        return deletingPathExtension(NativeName::displayed(QFileInfo(photos.first()).fileName()));
    return QStringLiteral("QUAVEL — %1 photos").arg(photos.size());
}

bool landscapeFor(const std::optional<QSize>& orientedPixelSize)
{
    return orientedPixelSize && orientedPixelSize->width() > orientedPixelSize->height();
}

Printable printableArea(const QSizeF& sheet, const QRectF& imageable)
{
    const bool usable = imageable.width() > 10 && imageable.height() > 10;
    const bool wholeSheet = std::abs(imageable.width() - sheet.width()) < 1.5
        && std::abs(imageable.height() - sheet.height()) < 1.5 && std::abs(imageable.left()) < 1.5
        && std::abs(imageable.top()) < 1.5;
    if (usable && !wholeSheet)
        return { imageable.size(), imageable.topLeft() };
    return inset(sheet);
}

Printable printableAreaWithoutJob(const QSizeF& frame)
{
    if (frame.width() > 1 && frame.height() > 1)
        return inset(frame);
    return { kA5LessInset, QPointF(kInset, kInset) };
}

QSizeF frameSize(const QSizeF& sheet, const QRectF& imageable)
{
    return imageable.width() > 10 ? imageable.size() : sheet;
}

int pageCount(int photoCount)
{
    return std::max(photoCount, 1);
}

int photoIndexForPage(int page, int photoCount)
{
    return std::clamp(std::max(page, 1) - 1, 0, std::max(photoCount - 1, 0));
}

QRectF fittedRect(const QSizeF& imageSize, const QRectF& rect)
{
    if (imageSize.width() <= 0 || imageSize.height() <= 0)
        return rect;
    const double s = std::min(rect.width() / imageSize.width(), rect.height() / imageSize.height());
    const QSizeF size = imageSize * s;
    return QRectF(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

bool isDrawable(const QRectF& fitted)
{
    return fitted.width() > 0.5 && fitted.height() > 0.5;
}

QSize renderPixels(const QSizeF& fittedPoints, int printerDpi)
{
    const double dpi = std::clamp(printerDpi, 1, kMaxRenderDpi);
    return QSize(std::max(1, int(std::lround(fittedPoints.width() * dpi / 72.0))),
        std::max(1, int(std::lround(fittedPoints.height() * dpi / 72.0))));
}

} // namespace quavel::PrintPagination
