#include "photo/views/CropCanvasPainting.h"

#include "photo/CropGeometry.h"
#include "photo/PhotoComposer.h"

#include <QPainter>
#include <QPainterPath>

namespace quavel::CropCanvasPainting {

namespace {

constexpr qreal kGlyph = 11;
const QColor kShadow = QColor::fromRgbF(0, 0, 0, 0.33f);

// A soft shadow under a shape, offset 0: the shape grown by the radius in a few fading steps.
void paintShadow(QPainter& p, const QPainterPath& shape, qreal radius)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    const int steps = 3;
    for (int i = steps; i >= 1; --i) {
        QColor c = kShadow;
        c.setAlphaF(float(kShadow.alphaF() / steps));
        p.setPen(QPen(c, 2 * radius * i / steps, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(shape);
    }
    p.restore();
}

// The straightening glyph: three quarters of a circle turning clockwise, with its arrow head, in a bold
// line (icon themes draw it too thin to read over a photo at this size).
QPainterPath rotateArrow(const QRectF& box)
{
    const qreal s = box.width();
    const QRectF ring = box.adjusted(s * 0.14, s * 0.14, -s * 0.14, -s * 0.14);
    QPainterPath arc;
    // From the left, over the top and round to the bottom (angles counter-clockwise from 3 o'clock).
    arc.arcMoveTo(ring, 200);
    arc.arcTo(ring, 200, -250);
    const QPointF tip = arc.currentPosition();
    QPainterPath head;
    head.moveTo(tip + QPointF(-s * 0.30, -s * 0.02));
    head.lineTo(tip);
    head.lineTo(tip + QPointF(-s * 0.02, -s * 0.32));
    arc.addPath(head);
    return arc;
}

void strokeGlyph(QPainter& p, const QPainterPath& glyph, const QColor& colour, qreal width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(glyph);
}

QPainterPath rounded(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

} // namespace

QRectF cornerDot(const QPointF& corner)
{
    const qreal d = CropGeometry::cornerDiameter;
    return QRectF(corner.x() - d / 2, corner.y() - d / 2, d, d);
}

QRectF rotateGlyph(const QPointF& point)
{
    return QRectF(point.x() - kGlyph / 2, point.y() - kGlyph / 2, kGlyph, kGlyph);
}

void paintDimming(QPainter& p, const QRectF& canvas, const QRectF& crop)
{
    QPainterPath mask;
    mask.setFillRule(Qt::OddEvenFill);
    mask.addRect(canvas);
    mask.addRect(crop.intersected(canvas).isEmpty() ? QRectF() : crop);
    p.fillPath(mask, QColor::fromRgbF(0, 0, 0, 0.45f));
}

void paintBorder(QPainter& p, const QRectF& crop)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    // Stroked inside the bounds: the line's centre runs one point in.
    p.drawRoundedRect(crop.adjusted(1, 1, -1, -1), 1, 1);
    p.restore();
}

void paintHandles(QPainter& p, const QRectF& crop)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (CropEdge side : { CropEdge::top, CropEdge::bottom, CropEdge::left, CropEdge::right }) {
        const QPainterPath bar = rounded(CropGeometry::edgeBar(side, crop), 2);
        paintShadow(p, bar, 1);
        p.fillPath(bar, Qt::white);
    }
    for (const QPointF& corner : CropGeometry::corners(crop)) {
        QPainterPath dot;
        dot.addEllipse(cornerDot(corner));
        paintShadow(p, dot, 1);
        p.fillPath(dot, Qt::white);
    }
    for (const QPointF& point : CropGeometry::rotatePoints(crop)) {
        const QPainterPath glyph = rotateArrow(rotateGlyph(point));
        // Its shadow spreads two points around the line.
        for (int i = 2; i >= 1; --i)
            strokeGlyph(p, glyph, QColor::fromRgbF(0, 0, 0, 0.33f / 2), 1.8 + 2 * i);
        strokeGlyph(p, glyph, Qt::white, 1.8);
    }
    p.restore();
}

void paintWatermark(QPainter& p, const QImage& watermark, const QRectF& crop)
{
    if (watermark.isNull() || crop.isEmpty())
        return;
    // The band the written canvas gets, laid on the crop: the crop stands for the whole canvas.
    const QRectF band
        = PhotoComposer::watermarkRect(watermark.size(), crop.size()).translated(crop.topLeft());
    p.save();
    p.setClipRect(crop, Qt::IntersectClip);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(band, watermark);
    p.restore();
}

} // namespace quavel::CropCanvasPainting
