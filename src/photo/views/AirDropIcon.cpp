#include "photo/views/AirDropIcon.h"

#include "photo/AirDropShare.h"

#include <QPainter>
#include <QPainterPath>

namespace quavel {

AirDropIcon::AirDropIcon(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(28, 28);
    setFocusPolicy(Qt::NoFocus);
    // A picture beside the button's own label: the button is what assistive tools read.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void AirDropIcon::paintEvent(QPaintEvent*)
{
    const QImage image = AirDropShare::icon();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath circle;
    const QRectF box = rect();
    circle.addEllipse(box);
    p.setClipPath(circle);
    p.drawImage(box, image);
}

} // namespace quavel
