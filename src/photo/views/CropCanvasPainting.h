#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

// The layers of the crop canvas, each drawn in canvas points, bottom to top.
namespace quavel::CropCanvasPainting {

// Black at 0.45 over the whole canvas except the crop.
void paintDimming(QPainter& painter, const QRectF& canvas, const QRectF& crop);
// The crop's 2-point white frame, inside its bounds, with slightly rounded corners.
void paintBorder(QPainter& painter, const QRectF& crop);
// The four side bars, the four corner dots and the four rotate glyphs.
void paintHandles(QPainter& painter, const QRectF& crop);
// The watermark as the written print canvas has it, on the crop that stands for that canvas: across the
// crop's whole width, its bottom on the crop's bottom, cut at the crop's top when taller.
void paintWatermark(QPainter& painter, const QImage& watermark, const QRectF& crop);

// Where the corner dots and the rotate glyphs are drawn, for their hover help.
QRectF cornerDot(const QPointF& corner);
QRectF rotateGlyph(const QPointF& point);

} // namespace quavel::CropCanvasPainting
