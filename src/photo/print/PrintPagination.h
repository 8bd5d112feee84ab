#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

// How photos are laid on printed sheets, one photo per page. Lengths are in points (1/72 inch) on the
// sheet as it is printed (its orientation applied), origin at its top-left corner, y downwards.
namespace quavel::PrintPagination {

// The margin kept on every side when the printer reports the whole sheet as printable (a borderless
// printer would otherwise print to the very edge).
inline constexpr double kInset = 8.5;
// Photos are rendered for the printer at its resolution, but never finer than this.
inline constexpr int kMaxRenderDpi = 300;

// Where the photos of a run are drawn.
struct Printable
{
    QSizeF size;
    QPointF origin;

    QRectF rect() const { return QRectF(origin, size); }
    bool operator==(const Printable&) const = default;
};

// The files that print: every file but the videos, in their order.
QStringList photosAmong(const QStringList& files);

// The job's title: the file's name without its extension for one photo, "QUAVEL — N photos" otherwise.
QString jobTitle(const QStringList& photos);

// Landscape for a photo wider than high (its oriented pixel size); portrait for a square, a portrait or
// an unreadable one.
bool landscapeFor(const std::optional<QSize>& orientedPixelSize);

// The printable area from the sheet and the printer's imageable bounds: those bounds when they are more
// than 10 points each way and not (within 1.5 points) the whole sheet; otherwise the sheet inset by 8.5
// points on every side (each side at least 1).
Printable printableArea(const QSizeF& sheet, const QRectF& imageable);

// The printable area without a running job: the frame inset by 8.5 points on every side when both its
// sides exceed 1, else an A5 sheet so inset.
Printable printableAreaWithoutJob(const QSizeF& frame);

// The size of the area the run paginates: the imageable bounds when wider than 10 points, else the sheet.
QSizeF frameSize(const QSizeF& sheet, const QRectF& imageable);

// Pages 1 … max(count, 1).
int pageCount(int photoCount);

// The photo a page shows: page 1 the first photo; a page number below 1 counts as 1; clamped to the
// photos.
int photoIndexForPage(int page, int photoCount);

// The image fitted into the rectangle without cropping, centred; enlarged when smaller. The rectangle
// itself for an image without area.
QRectF fittedRect(const QSizeF& imageSize, const QRectF& rect);

// Whether a fitted rectangle is large enough to draw (both sides above half a point).
bool isDrawable(const QRectF& fitted);

// The pixels to render a fitted rectangle with for a printer of this resolution (dots per inch):
// min(resolution, 300) dots per inch, at least one pixel each way.
QSize renderPixels(const QSizeF& fittedPoints, int printerDpi);

} // namespace quavel::PrintPagination
