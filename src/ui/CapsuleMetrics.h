#pragma once

#include "ui/CapsuleKind.h"

#include <QColor>

#include <optional>

namespace quavel::CapsuleMetrics {

// Every length is in device-independent pixels.
qreal fontSize(CapsuleKind kind, ControlSize size);
qreal horizontalInset(CapsuleKind kind, ControlSize size);
// The side S of the square and the height of the text kinds.
qreal side(ControlSize size);
// Fixed width and height of the square kinds; absent width for the text kinds.
std::optional<qreal> fixedWidth(CapsuleKind kind, ControlSize size);
qreal height(CapsuleKind kind, ControlSize size);
qreal minimumWidth(CapsuleKind kind, ControlSize size);
qreal fusedDividerHeight(ControlSize size);
// Icon pixels for the image scale of the kind: small for the icon kinds, medium otherwise.
qreal iconSize(CapsuleKind kind, ControlSize size);

// Colours and opacities of the layers, for the dark or any other scheme.
struct Layers
{
    // Bottom to top; an invalid colour is a layer that is not drawn.
    QColor material;
    QColor whiteWash;
    QColor fill; // accent tint or prominent fill
    QColor rim; // stroked inside the shape, width rimWidth
    qreal rimWidth = 0.8;
    QColor foreground;
    bool capsuleShape = true; // else a rectangle (the fused kinds)
};
Layers layers(CapsuleKind kind, bool selected, bool dark);

// The hover highlight's opacity of the primary colour.
qreal hoverOpacity(bool enabled, bool hovering, bool pressed, bool dark);
qreal opacity(bool enabled);
qreal pressedScale(bool pressed, bool reduceMotion);

} // namespace quavel::CapsuleMetrics
