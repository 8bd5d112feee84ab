#include "photo/PhotoComposer.h"

#include "photo/CropGeometry.h"

#include <algorithm>
#include <cmath>

namespace quavel::PhotoComposer {

QRectF keepOverlap(const QRectF& crop, const QSizeF& imageSize)
{
    const double W = imageSize.width();
    const double H = imageSize.height();
    const double m = 0.18 * std::min({ crop.width(), crop.height(), W, H });
    double x = crop.x();
    double y = crop.y();
    // A crop beyond the left (top) is brought back first, then one beyond the right (bottom).
    if (x + crop.width() < m)
        x = m - crop.width();
    if (x > W - m)
        x = W - m;
    if (y + crop.height() < m)
        y = m - crop.height();
    if (y > H - m)
        y = H - m;
    return QRectF(x, y, crop.width(), crop.height());
}

double zoom(const QRectF& crop, const QSizeF& imageSize, double aspect)
{
    const double baseWidth = CropGeometry::cropSize(imageSize, aspect, 1).width();
    return std::max(baseWidth / std::max(crop.width(), 1.0), CropGeometry::minimumZoom);
}

QRectF resizedCrop(
    const QRectF& start, CropEdge edge, const QPointF& delta, const QSizeF& imageSize, double aspect)
{
    const double W = imageSize.width();
    const double H = imageSize.height();
    const double a = aspect;
    const double minWidth = std::max(0.08 * std::min(W, H) * (a < 1 ? a : 1.0), 32.0);
    const double minHeight = minWidth / a;
    const double dx = delta.x();
    const double dy = delta.y();

    const double left = start.left();
    const double top = start.top();
    const double right = start.x() + start.width();
    const double bottom = start.y() + start.height();
    const double midX = start.x() + start.width() / 2;
    const double midY = start.y() + start.height() / 2;

    double width = start.width();
    double height = start.height();
    double x = left;
    double y = top;

    // A corner follows the larger of the two movements; the sign says which way the moved side goes.
    const auto byWidth = [&](double change) {
        width = std::max(start.width() + change, minWidth);
        height = width / a;
    };
    const auto byHeight = [&](double change) {
        height = std::max(start.height() + change, minHeight);
        width = a * height;
    };
    const bool horizontal = std::abs(dy) <= std::abs(dx);

    switch (edge) {
    case CropEdge::left:
        byWidth(-dx);
        x = right - width;
        y = midY - height / 2;
        break;
    case CropEdge::right:
        byWidth(dx);
        x = left;
        y = midY - height / 2;
        break;
    case CropEdge::top:
        byHeight(-dy);
        x = midX - width / 2;
        y = bottom - height;
        break;
    case CropEdge::bottom:
        byHeight(dy);
        x = midX - width / 2;
        y = top;
        break;
    case CropEdge::topLeft:
        horizontal ? byWidth(-dx) : byHeight(-dy);
        x = right - width;
        y = bottom - height;
        break;
    case CropEdge::topRight:
        horizontal ? byWidth(dx) : byHeight(-dy);
        x = left;
        y = bottom - height;
        break;
    case CropEdge::bottomLeft:
        horizontal ? byWidth(-dx) : byHeight(dy);
        x = right - width;
        y = top;
        break;
    case CropEdge::bottomRight:
        horizontal ? byWidth(dx) : byHeight(dy);
        x = left;
        y = top;
        break;
    }

    // The cap keeps the origin found above.
    if (width > 4 * W) {
        width = 4 * W;
        height = 4 * W / a;
    }
    if (height > 4 * H) {
        height = 4 * H;
        width = 4 * H * a;
    }
    return keepOverlap(QRectF(x, y, width, height), imageSize);
}

CropLayout cropLayout(
    const QSize& imageSize, PrintFormat format, double zoom, const QSizeF& offset, double angle)
{
    // The crop as the editor draws and drags it, so that what is written is what was framed.
    const QRectF crop = CropGeometry::cropRect(QSizeF(imageSize), format, zoom, offset);
    const double x = crop.x();
    const double y = crop.y();
    const double w = crop.width();
    const double h = crop.height();

    CropLayout layout;
    layout.crop = crop;
    layout.canvas = PrintFormats::canvasSize(format, h <= w);
    const double CW = layout.canvas.width();
    const double CH = layout.canvas.height();
    // Qt's transforms apply the last step first: centre the crop on the origin, turn, scale, move to the
    // canvas centre. In top-down coordinates a positive rotate() turns clockwise as seen.
    QTransform t;
    t.translate(CW / 2, CH / 2);
    t.scale(CW / std::max(w, 1.0), CH / std::max(h, 1.0));
    t.rotate(angle);
    t.translate(-(x + w / 2), -(y + h / 2));
    layout.imageToCanvas = t;
    return layout;
}

QRectF watermarkRect(const QSize& watermarkSize, const QSizeF& canvasSize)
{
    const double s = canvasSize.width() / std::max(double(watermarkSize.width()), 1.0);
    const double width = s * watermarkSize.width();
    const double height = s * watermarkSize.height();
    return QRectF((canvasSize.width() - width) / 2, canvasSize.height() - height, width, height);
}

} // namespace quavel::PhotoComposer
