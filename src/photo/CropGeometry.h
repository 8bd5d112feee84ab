#pragma once

#include "photo/CropCanvasLayout.h"
#include "photo/CropEdge.h"
#include "photo/CropHandle.h"
#include "photo/print/PrintFormat.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <Qt>

#include <array>
#include <optional>

// The geometry of the crop canvas: where the crop of a format, zoom and offset lies on an image, how
// image and crop are fitted on the canvas, which handle a pointer grabs, and what a drag of each handle
// does to zoom, offset and angle. Image space is in pixels of the image the canvas shows (origin top-left,
// y downwards); canvas space in points of the canvas. Pure functions, callable from any thread.
namespace quavel::CropGeometry {

// The smallest zoom a crop is drawn, dragged and written with.
inline constexpr double minimumZoom = 0.2;
// Handle sizes and zones, in canvas points.
inline constexpr double edgeBarLength = 28;
inline constexpr double edgeBarThickness = 6;
inline constexpr double cornerDiameter = 11;
inline constexpr double rotateInset = 26;
inline constexpr double rotateReach = 18;
inline constexpr double grabReach = 12;
// A rotation needs the pointer farther than this from the crop centre to have a direction.
inline constexpr double rotateDeadZone = 4;
inline constexpr double maximumAngle = 45;

// Width ÷ height of the crop of `format` on an image of that size (inverted when height ≤ width).
double aspect(PrintFormat format, const QSizeF& imageSize);
// The zoom as drawn: at least minimumZoom (a zoom that is not a number counts as the minimum).
double effectiveZoom(double zoom);
// Zoom 1 is the largest rectangle of the aspect that fits the image; a larger zoom a smaller one.
QSizeF cropSize(const QSizeF& imageSize, double aspect, double zoom);
// The crop rectangle in image space: centred, then shifted by `offset`.
QRectF cropRect(const QSizeF& imageSize, double aspect, double zoom, const QSizeF& offset);
QRectF cropRect(const QSizeF& imageSize, PrintFormat format, double zoom, const QSizeF& offset);
// The offset that places a crop of that size at that position (the inverse of cropRect).
QSizeF offsetOf(const QRectF& crop, const QSizeF& imageSize);

// Fits the union of the image and the crop into the canvas, centred, with margins of at least 4 points
// left and right and 8 points top and bottom, so that a crop reaching past the image stays visible.
CropCanvasLayout layout(const QSizeF& imageSize, const QRectF& crop, const QSizeF& canvasSize);
// The crop centre in unit coordinates of the image frame: the point the photo turns around.
QPointF rotationAnchor(const QRectF& crop, const QSizeF& imageSize);

// The four corners of a rectangle in the order top-left, top-right, bottom-left, bottom-right.
std::array<QPointF, 4> corners(const QRectF& r);
// The four rotate handles, rotateInset inside each corner on both axes, in the same order.
std::array<QPointF, 4> rotatePoints(const QRectF& r);
// The bar drawn on one side of the crop (left, right, top or bottom; a corner gives an empty rectangle).
QRectF edgeBar(CropEdge side, const QRectF& r);
// The handle a pointer at p grabs on a crop drawn at r (canvas space), by the first rule that holds:
// near a rotate point, near a corner, outside the grab zone (none), on a side away from its ends,
// inside the crop (move), else none.
std::optional<CropHandle> hitTest(const QPointF& p, const QRectF& r);
// The pointer shape over a handle (the arrow over none).
Qt::CursorShape cursorShape(const std::optional<CropHandle>& handle);

// A move drag: the offset after translating the crop of the current zoom by `translation` (canvas
// points, scale points per pixel) from where it lay at the start, kept overlapping the image.
QSizeF movedOffset(const QSizeF& startOffset, const QPointF& translation, double scale,
    const QSizeF& imageSize, double aspect, double zoom);

// What a side or corner drag gives.
struct Resize
{
    double zoom = 1;
    QSizeF offset { 0, 0 };
};
// A side or corner drag: the crop that was `startCrop` (image space) resized by `translation`.
Resize resized(const QRectF& startCrop, CropEdge side, const QPointF& translation, double scale,
    const QSizeF& imageSize, double aspect);

// A rotate drag: the angle after turning the start vector (pointer − centre when the drag began) to
// the pointer's present direction around the crop centre, brought into −180…180 and clamped to ±45.
// Absent (the angle stays) while either vector is too short to have a direction.
std::optional<double> rotatedAngle(
    double startAngle, const QSizeF& startVector, const QPointF& pointer, const QPointF& cropCentre);
// An angle brought into −180…180 by whole turns (180 and −180 stay as they are).
double normalizedAngle(double degrees);

} // namespace quavel::CropGeometry
