#pragma once

#include "ui/CapsuleKind.h"

#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace quavel {

// The drawing of a capsule control: fill layers, rim and hover highlight, at the control's opacity and
// pressed scale. Views that are not buttons call it to take the look.
struct CapsuleChromeState
{
    CapsuleKind kind = CapsuleKind::glass;
    bool pressed = false;
    bool selected = false;
    bool enabled = true;
    bool dark = false;
    // 0..1: how far the hover highlight and the press have come (animated by the caller).
    qreal hover = 0;
    qreal press = 0;
    bool reduceMotion = false;
};

namespace CapsuleChrome {

// A capsule (radius half the shorter side) or, for the fused kinds, a rectangle.
QPainterPath shape(CapsuleKind kind, const QRectF& rect);
QPainterPath capsule(const QRectF& rect);

// Sets the painter's opacity and pressed scale about the rect's centre; the caller saves and restores.
void applyTransform(QPainter& painter, const QRectF& rect, const CapsuleChromeState& state);
// Draws the layers under the content. `clip` (when not empty) bounds the fused kinds to their group.
void paintBackground(
    QPainter& painter, const QRectF& rect, const CapsuleChromeState& state, const QPainterPath& clip = {});
// Draws the rim and the hover highlight over the content.
void paintOverlay(
    QPainter& painter, const QRectF& rect, const CapsuleChromeState& state, const QPainterPath& clip = {});

// Glass material with its white layer and rim, as the fused group and other glass surfaces draw it.
void paintGlass(QPainter& painter, const QRectF& rect, bool dark);

} // namespace CapsuleChrome
} // namespace quavel
