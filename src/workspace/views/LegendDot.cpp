#include "workspace/views/LegendDot.h"

#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

namespace {
constexpr int dot = 8;
constexpr int gap = 6;
} // namespace

LegendDot::LegendDot(ColorOf color, qreal opacity, const QString& label, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
    , m_opacity(opacity)
    , m_label(label)
{
    setFont(Fonts::font(Fonts::Style::caption));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize LegendDot::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(dot + gap + metrics.horizontalAdvance(m_label) + 1,
        std::max(dot, metrics.height() + 2 * Fonts::inkPad(font())));
}

void LegendDot::paintEvent(QPaintEvent*)
{
    const bool dark = Theme::isDark(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::withOpacity(m_color(dark), m_opacity));
    p.drawEllipse(QRectF(0, (height() - dot) / 2.0, dot, dot));
    p.setPen(Theme::secondary(dark));
    p.setFont(font());
    p.drawText(QRect(dot + gap, 0, width() - dot - gap, height()),
        Qt::AlignVCenter | Qt::AlignLeft | Qt::TextDontClip, m_label);
}

} // namespace quavel
