#include "photo/CropGeometry.h"

#include "photo/PhotoComposer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quavel::CropGeometry {

namespace {

double distance(const QPointF& a, const QPointF& b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// Half-open containment (left and top edges inside, right and bottom outside), as the canvas's
// platform rectangles test it; the grab zones and their boundary cases are defined on it.
bool contains(const QRectF& r, const QPointF& p)
{
    return r.width() > 0 && r.height() > 0 && p.x() >= r.left() && p.x() < r.left() + r.width()
        && p.y() >= r.top() && p.y() < r.top() + r.height();
}

} // namespace

double aspect(PrintFormat format, const QSizeF& imageSize)
{
    return PrintFormats::cropAspect(format, imageSize.height() <= imageSize.width());
}

double effectiveZoom(double zoom)
{
    return zoom >= minimumZoom ? zoom : minimumZoom;
}

QSizeF cropSize(const QSizeF& imageSize, double aspect, double zoom)
{
    const double W = imageSize.width();
    const double H = imageSize.height();
    const double z = effectiveZoom(zoom);
    // A one-pixel-high image is compared by its width alone.
    const double ratio = H < 2 ? W : W / H;
    if (aspect < ratio) {
        const double height = H / z;
        return { aspect * height, height };
    }
    const double width = W / z;
    return { width, width / aspect };
}

QRectF cropRect(const QSizeF& imageSize, double aspect, double zoom, const QSizeF& offset)
{
    const QSizeF size = cropSize(imageSize, aspect, zoom);
    return { (imageSize.width() - size.width()) / 2 + offset.width(),
        (imageSize.height() - size.height()) / 2 + offset.height(), size.width(), size.height() };
}

QRectF cropRect(const QSizeF& imageSize, PrintFormat format, double zoom, const QSizeF& offset)
{
    return cropRect(imageSize, aspect(format, imageSize), zoom, offset);
}

QSizeF offsetOf(const QRectF& crop, const QSizeF& imageSize)
{
    return { crop.x() - (imageSize.width() - crop.width()) / 2,
        crop.y() - (imageSize.height() - crop.height()) / 2 };
}

CropCanvasLayout layout(const QSizeF& imageSize, const QRectF& crop, const QSizeF& canvasSize)
{
    // The union of two rectangles by their edges (an empty rectangle still counts with its position).
    const double minX = std::min(0.0, crop.x());
    const double minY = std::min(0.0, crop.y());
    const double bw = std::max(imageSize.width(), crop.x() + crop.width()) - minX;
    const double bh = std::max(imageSize.height(), crop.y() + crop.height()) - minY;

    const double sx = std::max(canvasSize.width() - 8, 1.0) / std::max(bw, 1.0);
    const double sy
        = bh > 1 ? std::max(canvasSize.height() - 16, 1.0) / bh : std::max(canvasSize.height() - 16, 1.0);
    const double scale = std::min(sx, sy);
    const double ox = (canvasSize.width() - scale * bw) / 2;
    const double oy = (canvasSize.height() - scale * bh) / 2;
    const auto map = [&](const QRectF& r) {
        return QRectF(
            ox + scale * (r.x() - minX), oy + scale * (r.y() - minY), scale * r.width(), scale * r.height());
    };
    return { map(QRectF(QPointF(0, 0), imageSize)), map(crop), scale };
}

QPointF rotationAnchor(const QRectF& crop, const QSizeF& imageSize)
{
    return { crop.center().x() / std::max(imageSize.width(), 1.0),
        crop.center().y() / std::max(imageSize.height(), 1.0) };
}

std::array<QPointF, 4> corners(const QRectF& r)
{
    const double right = r.x() + r.width();
    const double bottom = r.y() + r.height();
    return { QPointF(r.x(), r.y()), QPointF(right, r.y()), QPointF(r.x(), bottom), QPointF(right, bottom) };
}

std::array<QPointF, 4> rotatePoints(const QRectF& r)
{
    const double right = r.x() + r.width();
    const double bottom = r.y() + r.height();
    return { QPointF(r.x() + rotateInset, r.y() + rotateInset),
        QPointF(right - rotateInset, r.y() + rotateInset), QPointF(r.x() + rotateInset, bottom - rotateInset),
        QPointF(right - rotateInset, bottom - rotateInset) };
}

QRectF edgeBar(CropEdge side, const QRectF& r)
{
    const auto centred
        = [](const QPointF& c, double w, double h) { return QRectF(c.x() - w / 2, c.y() - h / 2, w, h); };
    const QPointF c = r.center();
    switch (side) {
    case CropEdge::top:
        return centred(QPointF(c.x(), r.top()), edgeBarLength, edgeBarThickness);
    case CropEdge::bottom:
        return centred(QPointF(c.x(), r.y() + r.height()), edgeBarLength, edgeBarThickness);
    case CropEdge::left:
        return centred(QPointF(r.left(), c.y()), edgeBarThickness, edgeBarLength);
    case CropEdge::right:
        return centred(QPointF(r.x() + r.width(), c.y()), edgeBarThickness, edgeBarLength);
    default:
        return {};
    }
}

std::optional<CropHandle> hitTest(const QPointF& p, const QRectF& r)
{
    // Rotate comes first: near a corner of a small crop it wins over the corner and the sides.
    for (const QPointF& point : rotatePoints(r)) {
        if (distance(p, point) <= rotateReach)
            return CropHandle::rotate();
    }

    static constexpr CropEdge cornerEdges[]
        = { CropEdge::topLeft, CropEdge::topRight, CropEdge::bottomLeft, CropEdge::bottomRight };
    const auto cornerPoints = corners(r);
    int nearest = 0;
    for (int i = 1; i < 4; ++i) {
        if (distance(p, cornerPoints[i]) < distance(p, cornerPoints[nearest]))
            nearest = i;
    }
    if (distance(p, cornerPoints[nearest]) <= grabReach)
        return CropHandle::edge(cornerEdges[nearest]);

    if (!contains(r.adjusted(-grabReach, -grabReach, grabReach, grabReach), p))
        return std::nullopt;

    const double right = r.x() + r.width();
    const double bottom = r.y() + r.height();
    const bool alongX = r.x() + grabReach < p.x() && p.x() < right - grabReach;
    const bool alongY = r.y() + grabReach < p.y() && p.y() < bottom - grabReach;
    if (std::abs(p.y() - r.y()) <= grabReach && alongX)
        return CropHandle::edge(CropEdge::top);
    if (std::abs(p.y() - bottom) <= grabReach && alongX)
        return CropHandle::edge(CropEdge::bottom);
    if (std::abs(p.x() - r.x()) <= grabReach && alongY)
        return CropHandle::edge(CropEdge::left);
    if (std::abs(p.x() - right) <= grabReach && alongY)
        return CropHandle::edge(CropEdge::right);

    if (contains(r, p))
        return CropHandle::move();
    return std::nullopt;
}

Qt::CursorShape cursorShape(const std::optional<CropHandle>& handle)
{
    if (!handle)
        return Qt::ArrowCursor;
    switch (handle->kind) {
    case CropHandle::Kind::move:
        return Qt::OpenHandCursor;
    case CropHandle::Kind::rotate:
        return Qt::CrossCursor;
    case CropHandle::Kind::edge:
        break;
    }
    switch (handle->side) {
    case CropEdge::left:
    case CropEdge::right:
        return Qt::SizeHorCursor;
    case CropEdge::top:
    case CropEdge::bottom:
        return Qt::SizeVerCursor;
    case CropEdge::topLeft:
    case CropEdge::bottomRight:
        return Qt::SizeFDiagCursor;
    case CropEdge::topRight:
    case CropEdge::bottomLeft:
        return Qt::SizeBDiagCursor;
    }
    return Qt::ArrowCursor;
}

QSizeF movedOffset(const QSizeF& startOffset, const QPointF& translation, double scale,
    const QSizeF& imageSize, double aspect, double zoom)
{
    const double s = scale > 0 ? scale : 1;
    const QRectF candidate = cropRect(imageSize, aspect, zoom, startOffset).translated(translation / s);
    return offsetOf(PhotoComposer::keepOverlap(candidate, imageSize), imageSize);
}

Resize resized(const QRectF& startCrop, CropEdge side, const QPointF& translation, double scale,
    const QSizeF& imageSize, double aspect)
{
    const double s = scale > 0 ? scale : 1;
    const QRectF crop = PhotoComposer::resizedCrop(startCrop, side, translation / s, imageSize, aspect);
    return { PhotoComposer::zoom(crop, imageSize, aspect), offsetOf(crop, imageSize) };
}

double normalizedAngle(double degrees)
{
    // Whole turns first, so that a huge stored angle cannot keep the loop below going for ever; the
    // result is what subtracting or adding 360 one turn at a time gives.
    if (std::abs(degrees) > 360)
        degrees = std::fmod(degrees, 360.0);
    while (degrees > 180)
        degrees -= 360;
    while (degrees < -180)
        degrees += 360;
    return degrees;
}

std::optional<double> rotatedAngle(
    double startAngle, const QSizeF& startVector, const QPointF& pointer, const QPointF& cropCentre)
{
    if (std::hypot(startVector.width(), startVector.height()) <= rotateDeadZone)
        return std::nullopt;
    if (distance(pointer, cropCentre) <= rotateDeadZone)
        return std::nullopt;
    const double from = std::atan2(startVector.height(), startVector.width());
    const double to = std::atan2(pointer.y() - cropCentre.y(), pointer.x() - cropCentre.x());
    const double angle = normalizedAngle(startAngle + (to - from) * 180 / std::numbers::pi);
    if (std::isnan(angle))
        return std::nullopt;
    return std::clamp(angle, -maximumAngle, maximumAngle);
}

} // namespace quavel::CropGeometry
