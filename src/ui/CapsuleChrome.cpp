#include "ui/CapsuleChrome.h"

#include "ui/CapsuleMetrics.h"
#include "ui/Theme.h"

#include <QPainter>

namespace quavel::CapsuleChrome {

QPainterPath capsule(const QRectF& rect)
{
    QPainterPath path;
    const qreal r = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, r, r);
    return path;
}

QPainterPath shape(CapsuleKind kind, const QRectF& rect)
{
    if (Capsule::isFusedKind(kind)) {
        QPainterPath path;
        path.addRect(rect);
        return path;
    }
    return capsule(rect);
}

void applyTransform(QPainter& painter, const QRectF& rect, const CapsuleChromeState& state)
{
    painter.setOpacity(painter.opacity() * CapsuleMetrics::opacity(state.enabled));
    if (!state.reduceMotion && state.press > 0) {
        const qreal s = 1.0 - (1.0 - CapsuleMetrics::pressedScale(true, false)) * state.press;
        const QPointF c = rect.center();
        painter.translate(c);
        painter.scale(s, s);
        painter.translate(-c);
    }
}

namespace {

void fill(QPainter& p, const QPainterPath& path, const QColor& color)
{
    if (color.isValid() && color.alpha() > 0)
        p.fillPath(path, color);
}

QPainterPath bounded(const QPainterPath& path, const QPainterPath& clip)
{
    return clip.isEmpty() ? path : path.intersected(clip);
}

} // namespace

void paintBackground(
    QPainter& painter, const QRectF& rect, const CapsuleChromeState& state, const QPainterPath& clip)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const auto l = CapsuleMetrics::layers(state.kind, state.selected, state.dark);
    const QPainterPath path = bounded(shape(state.kind, rect), clip);
    fill(painter, path, l.material);
    fill(painter, path, l.whiteWash);
    fill(painter, path, l.fill);
}

void paintOverlay(
    QPainter& painter, const QRectF& rect, const CapsuleChromeState& state, const QPainterPath& clip)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const auto l = CapsuleMetrics::layers(state.kind, state.selected, state.dark);
    if (l.rim.isValid() && l.capsuleShape) {
        // Stroked inside the shape: the path is inset by half the line width.
        const qreal half = l.rimWidth / 2;
        painter.strokePath(capsule(rect.adjusted(half, half, -half, -half)), QPen(l.rim, l.rimWidth));
    }
    const qreal h
        = CapsuleMetrics::hoverOpacity(state.enabled, true, state.pressed, state.dark) * state.hover;
    if (h > 0) {
        QColor highlight = Theme::primary(state.dark);
        highlight.setAlphaF(float(h));
        fill(painter, bounded(shape(state.kind, rect), clip), highlight);
    }
}

void paintGlass(QPainter& painter, const QRectF& rect, bool dark)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = capsule(rect);
    fill(painter, path, Theme::ultraThinMaterial(dark));
    fill(painter, path, QColor::fromRgbF(1, 1, 1, dark ? 0.08f : 0.48f));
    const qreal half = 0.4;
    painter.strokePath(capsule(rect.adjusted(half, half, -half, -half)),
        QPen(QColor::fromRgbF(1, 1, 1, dark ? 0.16f : 0.82f), 0.8));
}

} // namespace quavel::CapsuleChrome
