#include "photo/views/RetouchHairline.h"

#include "photo/views/RetouchLook.h"

#include <QPainter>

namespace quavel {

RetouchHairline::RetouchHairline(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(9);
}

QSize RetouchHairline::sizeHint() const
{
    return QSize(40, 9);
}

void RetouchHairline::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0, RetouchLook::white(0));
    gradient.setColorAt(0.5, RetouchLook::white(0.12));
    gradient.setColorAt(1, RetouchLook::white(0));
    p.fillRect(QRectF(0, 4, width(), 1), gradient);
}

} // namespace quavel
