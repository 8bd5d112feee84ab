#include "photo/views/RetouchValueWell.h"

#include "photo/views/RetouchLook.h"

#include <QPainter>

namespace quavel {

RetouchValueWell::RetouchValueWell(QWidget* parent)
    : QWidget(parent)
{ }

void RetouchValueWell::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void RetouchValueWell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(RetouchLook::well());
    p.drawRoundedRect(r, 6, 6);
    QColor rim = RetouchLook::teal();
    rim.setAlphaF(0.55f);
    p.setPen(QPen(m_highlighted ? rim : RetouchLook::stroke(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
}

} // namespace quavel
