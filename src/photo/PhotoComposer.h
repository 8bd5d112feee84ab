#pragma once

#include "photo/CropEdge.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

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

} // namespace quavel::PhotoComposer
