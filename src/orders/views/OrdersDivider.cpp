#include "orders/views/OrdersDivider.h"

#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

OrdersDivider::OrdersDivider(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent)
{
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

void OrdersDivider::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Theme::withOpacity(Theme::primary(Theme::isDark(this)), 0.12));
}

} // namespace quavel
