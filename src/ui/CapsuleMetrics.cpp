#include "ui/CapsuleMetrics.h"

#include "ui/Theme.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace quavel {

namespace Capsule {

namespace {
const char* const kControlSizeProperty = "quavelControlSize";
bool g_reduceMotion = false;
} // namespace

bool isCapsuleKind(CapsuleKind kind)
{
    return kind == CapsuleKind::glass || kind == CapsuleKind::prominent || kind == CapsuleKind::icon
        || kind == CapsuleKind::tinyIcon;
}

bool isFusedKind(CapsuleKind kind)
{
    return kind == CapsuleKind::fused || kind == CapsuleKind::fusedIcon;
}

bool isIconKind(CapsuleKind kind)
{
    return kind == CapsuleKind::icon || kind == CapsuleKind::tinyIcon || kind == CapsuleKind::fusedIcon;
}

ControlSize controlSize(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant v = w->property(kControlSizeProperty);
        if (v.isValid())
            return ControlSize(v.toInt());
    }
    return ControlSize::regular;
}

void setControlSize(QWidget* widget, ControlSize size)
{
    widget->setProperty(kControlSizeProperty, int(size));
}

bool reduceMotion()
{
    return g_reduceMotion;
}

void setReduceMotion(bool reduce)
{
    g_reduceMotion = reduce;
}

} // namespace Capsule

namespace CapsuleMetrics {

namespace {

qreal bySize(ControlSize size, qreal mini, qreal small, qreal regular, qreal large, qreal extraLarge)
{
    switch (size) {
    case ControlSize::mini:
        return mini;
    case ControlSize::small:
        return small;
    case ControlSize::regular:
        return regular;
    case ControlSize::large:
        return large;
    case ControlSize::extraLarge:
        return extraLarge;
    }
    return regular;
}

QColor white(qreal opacity)
{
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

} // namespace

qreal fontSize(CapsuleKind kind, ControlSize size)
{
    if (kind == CapsuleKind::tinyIcon)
        return 10;
    // The small size's text is narrower than the point sizes it stands for: the desktop's default
    // font is wider than the one the sizes were drawn with, and the small controls of a crowded bar
    // keep their titles whole.
    return bySize(size, 11, 11, 12.5, 13.5, 16.5);
}

qreal horizontalInset(CapsuleKind kind, ControlSize size)
{
    switch (kind) {
    case CapsuleKind::fused:
        return bySize(size, 14, 12, 18, 20, 20);
    case CapsuleKind::glass:
    case CapsuleKind::prominent:
        return bySize(size, 9, 10, 13, 16, 16);
    default:
        return 0;
    }
}

qreal side(ControlSize size)
{
    return bySize(size, 22, 26, 28, 32, 33);
}

std::optional<qreal> fixedWidth(CapsuleKind kind, ControlSize size)
{
    if (kind == CapsuleKind::tinyIcon)
        return 16;
    if (kind == CapsuleKind::icon || kind == CapsuleKind::fusedIcon)
        return side(size);
    return std::nullopt;
}

qreal height(CapsuleKind kind, ControlSize size)
{
    return kind == CapsuleKind::tinyIcon ? 16 : side(size);
}

qreal minimumWidth(CapsuleKind kind, ControlSize size)
{
    switch (kind) {
    case CapsuleKind::icon:
    case CapsuleKind::fusedIcon:
        return side(size);
    case CapsuleKind::tinyIcon:
        return 16;
    case CapsuleKind::fused:
        return bySize(size, 30, 34, 36, 40, 41);
    default:
        return 0;
    }
}

qreal fusedDividerHeight(ControlSize size)
{
    return bySize(size, 12, 14, 16, 18, 20);
}

qreal iconSize(CapsuleKind kind, ControlSize size)
{
    const qreal font = fontSize(kind, size);
    return Capsule::isIconKind(kind) ? std::round(font * 1.15) : std::round(font * 1.25);
}

Layers layers(CapsuleKind kind, bool selected, bool dark)
{
    Layers l;
    const QColor accent = Theme::accent(dark);
    switch (kind) {
    case CapsuleKind::glass:
    case CapsuleKind::icon:
    case CapsuleKind::tinyIcon:
        l.material = Theme::ultraThinMaterial(dark);
        l.whiteWash = white(dark ? 0.08 : 0.48);
        if (selected)
            l.fill = Theme::withOpacity(accent, dark ? 0.38 : 0.22);
        l.rim = white(dark ? 0.16 : 0.82);
        l.foreground = Theme::primary(dark);
        break;
    case CapsuleKind::prominent:
        l.fill = accent;
        l.rim = white(dark ? 0.18 : 0.28);
        l.foreground = dark ? QColor::fromRgbF(0.06f, 0.14f, 0.16f) : QColor(Qt::white);
        break;
    case CapsuleKind::fused:
    case CapsuleKind::fusedIcon:
        if (selected)
            l.fill = Theme::withOpacity(accent, dark ? 0.42 : 0.24);
        l.foreground = Theme::primary(dark);
        l.capsuleShape = false;
        break;
    }
    return l;
}

qreal hoverOpacity(bool enabled, bool hovering, bool pressed, bool dark)
{
    if (!enabled || !hovering || pressed)
        return 0;
    return dark ? 0.08 : 0.10;
}

qreal opacity(bool enabled)
{
    return enabled ? 1.0 : 0.42;
}

qreal pressedScale(bool pressed, bool reduceMotion)
{
    return pressed && !reduceMotion ? 0.97 : 1.0;
}

} // namespace CapsuleMetrics
} // namespace quavel
