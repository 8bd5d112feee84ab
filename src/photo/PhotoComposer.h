#pragma once

#include "photo/CropEdge.h"
#include "photo/PrintFormat.h"

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QTransform>

// The image routines shared by the in-place edits, the crop editor and printing. Every function may run
// on any thread: none keeps state.
namespace quavel::PhotoComposer {

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
