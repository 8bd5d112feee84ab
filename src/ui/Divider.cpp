#include "ui/Divider.h"

#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

Divider::Divider(Qt::Orientation orientation, QWidget* parent)
    : Divider(orientation, 0.12, 0.12, parent)
{ }

Divider::Divider(Qt::Orientation orientation, qreal lightOpacity, qreal darkOpacity, QWidget* parent)
    : QWidget(parent)
    , m_lightOpacity(lightOpacity)
    , m_darkOpacity(darkOpacity)
{
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

void Divider::paintEvent(QPaintEvent*)
{
    const bool dark = Theme::isDark(this);
    QPainter(this).fillRect(
        rect(), Theme::withOpacity(Theme::primary(dark), dark ? m_darkOpacity : m_lightOpacity));
}

} // namespace quavel
