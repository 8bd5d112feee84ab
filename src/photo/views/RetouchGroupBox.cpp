#include "photo/views/RetouchGroupBox.h"

#include "photo/views/RetouchLook.h"

#include <QPainter>
#include <QVBoxLayout>

namespace quavel {

RetouchGroupBox::RetouchGroupBox(bool compact, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(18, 10, 10, 10);
    m_layout->setSpacing(compact ? 8 : 10);
}

void RetouchGroupBox::addWidget(QWidget* widget)
{
    m_layout->addWidget(widget);
}

void RetouchGroupBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(RetouchLook::white(0.035));
    p.drawRoundedRect(r, 10, 10);
    p.setPen(QPen(RetouchLook::white(0.06), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 9.5, 9.5);
}

} // namespace quavel
