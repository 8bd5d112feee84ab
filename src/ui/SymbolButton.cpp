#include "ui/SymbolButton.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

SymbolButton::SymbolButton(const QString& symbol, qreal pixels, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_pixels(pixels)
{
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void SymbolButton::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolButton::setSymbolColor(const QColor& color, qreal opacity)
{
    m_color = color;
    m_schemeColor = nullptr;
    m_opacity = opacity;
    update();
}

void SymbolButton::setSymbolColor(SchemeColor color, qreal opacity)
{
    m_color = QColor();
    m_schemeColor = color;
    m_opacity = opacity;
    update();
}

QColor SymbolButton::symbolColor() const
{
    const bool dark = Theme::isDark(this);
    if (m_schemeColor)
        return m_schemeColor(dark);
    return m_color.isValid() ? m_color : Theme::primary(dark);
}

QSize SymbolButton::sizeHint() const
{
    const int side = int(std::ceil(m_pixels)) + 4;
    return QSize(side, side);
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = symbolColor();
    qreal opacity = m_opacity * (isEnabled() ? 1.0 : 0.42);
    // The plain style only dims while pressed.
    if (isDown())
        opacity *= 0.6;
    else if (m_hovering)
        opacity = std::min(1.0, opacity * 1.25);
    p.setOpacity(opacity);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    Symbols::paint(p, r, m_symbol, color);
}

void SymbolButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SymbolButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace quavel
