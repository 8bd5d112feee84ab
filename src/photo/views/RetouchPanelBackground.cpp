#include "photo/views/RetouchPanelBackground.h"

#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

RetouchPanelBackground::RetouchPanelBackground(QWidget* parent)
    : QWidget(parent)
{
    // The panels are dark whatever the desktop's appearance.
    setPalette(Theme::palette(true));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RetouchPanelBackground::paint(QPainter& p, const QRectF& r)
{
    p.fillRect(r, QColor::fromRgbF(0.045f, 0.055f, 0.062f, 1.0f));
    QLinearGradient haze(r.topLeft(), QPointF(r.left(), r.center().y()));
    haze.setColorAt(0, QColor::fromRgbF(0.12f, 0.2f, 0.21f, 0.42f));
    haze.setColorAt(1, QColor::fromRgbF(0.12f, 0.2f, 0.21f, 0.0f));
    p.fillRect(r, haze);
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.05f), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

void RetouchPanelBackground::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint(p, QRectF(rect()));
}

} // namespace quavel
