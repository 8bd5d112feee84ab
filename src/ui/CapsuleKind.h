#pragma once

class QWidget;

namespace quavel {

// The look of a capsule control.
enum class CapsuleKind { glass, prominent, icon, tinyIcon, fused, fusedIcon };

enum class ControlSize { mini, small, regular, large, extraLarge };

namespace Capsule {

bool isCapsuleKind(CapsuleKind kind); // glass, prominent, icon, tinyIcon
bool isFusedKind(CapsuleKind kind); // fused, fusedIcon
bool isIconKind(CapsuleKind kind); // icon, tinyIcon, fusedIcon

// The control size a widget inherits: the nearest ancestor (itself included) that set one, else regular.
ControlSize controlSize(const QWidget* widget);
void setControlSize(QWidget* widget, ControlSize size);

// Whether the desktop asks for less motion (no press shrink, no animation). Process-wide.
bool reduceMotion();
void setReduceMotion(bool reduce);

} // namespace Capsule
} // namespace quavel
