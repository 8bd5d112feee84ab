#pragma once

#include "photo/CropEdge.h"
#include "photo/print/PrintFormat.h"
#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ReadFailure.h"

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <functional>
#include <optional>

// The image routines shared by the in-place edits, the crop editor and printing. Every function may run
// on any thread: none keeps state.
namespace quavel::PhotoComposer {

// The photo's first image at full size, turned upright by its orientation, its ICC profile kept. Absent
// when the file cannot be read or decoded.
std::optional<FloatImage> loadFullOrientedImage(const QString& path);

// The same, or with maxPixel the upright photo scaled down (never up) to a long side of at most that
// many pixels, decoded with shrink-on-load where the format has it (the crop editor's working image).
// Both are strict and bounded as ImageIO::decode is; failure, when given, says why nothing came.
std::optional<FloatImage> loadImage(
    const QString& path, std::optional<int> maxPixel = std::nullopt, ReadFailure* failure = nullptr);

// The image at the size rounded (halves away from zero, at least 1 × 1) through lanczos3; the image
// itself when it already has that size. A null image when resampling fails.
FloatImage resampled(const FloatImage& image, const QSizeF& size);

// The image with the watermark laid across its bottom: scaled to the image's width (resampled once,
// then drawn without interpolation), its bottom edge on the image's bottom edge, cut at the top when
// taller, its own transparency kept and nothing else added.
FloatImage withBottomWatermark(FloatImage image, const FloatImage& watermark);

// The print canvas of a validated crop (cropLayout): black, the photo turned about the crop centre and
// filling the canvas with its crop, and the watermark across the bottom when given. Throws
// PhotoEditError composeFailed when the canvas cannot be made.
FloatImage composeCrop(const FloatImage& image, PrintFormat format, double zoom, const QSizeF& offset,
    double angle, const FloatImage* watermark = nullptr);

// The same canvas straight from a photo file that needs no retouch: only the part of the photo the
// canvas shows is decoded, at about the canvas's scale (the whole photo is decoded where that cannot be
// done), within PixelBudget. Throws PhotoEditError unreadablePhoto (a damaged file included), tooLarge,
// outOfMemory or composeFailed.
FloatImage composeCrop(const QString& sourcePath, PrintFormat format, double zoom, const QSizeF& offset,
    double angle, const FloatImage* watermark = nullptr);

// Replaces the photo file with the image, in the format its name says: ".png" PNG, ".tif"/".tiff" TIFF,
// ".heic"/".heif" HEIF, ".webp" WebP, anything else JPEG (".bmp" included), lossy ones at quality 0.97;
// orientation 1 and no metadata but the ICC profile. The photo is replaced by one rename of a finished
// hidden sibling: a file step of the photo's writer (PhotoWriter), in the photo's turn. beforeReplace,
// when given, runs once the image is encoded and before the photo is replaced (PhotoFiles::replace).
// Throws PhotoEditError for a camera RAW photo (never rewritten), FileError otherwise.
void write(const FloatImage& image, const QString& path, const std::function<void()>& beforeReplace = {});

// Crop geometry. Rectangles are in pixels of the oriented image, origin at its top-left corner, y
// downwards; a crop may reach beyond the image.

// Shifts the crop (its size never changes) so that on each axis it still overlaps the image by
// m = 0.18 × the smallest of its width, its height and the image's width and height.
QRectF keepOverlap(const QRectF& crop, const QSizeF& imageSize);

// The zoom a crop stands for: the width of the largest rectangle of the aspect inside the image divided
// by the crop's width (at least 1), never below 0.2.
double zoom(const QRectF& crop, const QSizeF& imageSize, double aspect);

// The crop after dragging one side or corner by delta (image pixels); the aspect is kept, the size held
// between a minimum and four times the image, and the result kept overlapping the image.
QRectF resizedCrop(
    const QRectF& start, CropEdge edge, const QPointF& delta, const QSizeF& imageSize, double aspect);

// Where a validated crop puts the photo on its print canvas.
struct CropLayout
{
    // The crop in pixels of the (oriented, retouched) image, top-left origin; it may reach beyond it.
    QRectF crop;
    // 1748 × 2480 (A5) or 2480 × 3508 (A4), swapped for a landscape crop.
    QSize canvas;
    // Image pixels to canvas pixels: the crop centre onto the canvas centre, the crop filling the
    // canvas, the photo turned about the crop centre (clockwise as seen for a positive angle).
    QTransform imageToCanvas;
};

// The crop of a format on an image of that size: the format's aspect for a portrait or a landscape
// (or square) image, the largest such rectangle divided by the zoom (never below 0.2), centred, then
// shifted by offset; rotated by angle degrees under the crop.
CropLayout cropLayout(
    const QSize& imageSize, PrintFormat format, double zoom, const QSizeF& offset, double angle);

// Where the bottom watermark goes on a canvas, in top-left canvas coordinates: scaled to the canvas
// width, its bottom edge on the canvas's bottom edge (a watermark taller than the canvas reaches past
// the top and is cut there).
QRectF watermarkRect(const QSize& watermarkSize, const QSizeF& canvasSize);

} // namespace quavel::PhotoComposer
