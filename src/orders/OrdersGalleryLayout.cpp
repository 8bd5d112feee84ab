#include "orders/OrdersGalleryLayout.h"

namespace quavel::OrdersGalleryLayouts {

QList<OrdersGalleryLayout> allCases()
{
    return { OrdersGalleryLayout::sections, OrdersGalleryLayout::list, OrdersGalleryLayout::grid };
}

QString rawValue(OrdersGalleryLayout layout)
{
    switch (layout) {
    case OrdersGalleryLayout::list:
        return QStringLiteral("list");
    case OrdersGalleryLayout::grid:
        return QStringLiteral("grid");
    case OrdersGalleryLayout::sections:
        break;
    }
    return QStringLiteral("sections");
}

std::optional<OrdersGalleryLayout> fromRawValue(QStringView raw)
{
    for (OrdersGalleryLayout layout : allCases())
        if (raw == rawValue(layout))
            return layout;
    return std::nullopt;
}

OrdersGalleryLayout shown(QStringView raw)
{
    return fromRawValue(raw).value_or(OrdersGalleryLayout::sections);
}

QString title(OrdersGalleryLayout layout)
{
    switch (layout) {
    case OrdersGalleryLayout::list:
        return QStringLiteral("Liste");
    case OrdersGalleryLayout::grid:
        return QStringLiteral("Grille");
    case OrdersGalleryLayout::sections:
        break;
    }
    return QStringLiteral("Sections");
}

QString symbol(OrdersGalleryLayout layout)
{
    switch (layout) {
    case OrdersGalleryLayout::list:
        return QStringLiteral("list.bullet");
    case OrdersGalleryLayout::grid:
        return QStringLiteral("square.grid.2x2");
    case OrdersGalleryLayout::sections:
        break;
    }
    return QStringLiteral("rectangle.split.3x1");
}

OrderMediaCellKind cellKind(OrdersGalleryLayout layout)
{
    return layout == OrdersGalleryLayout::list ? OrderMediaCellKind::row : OrderMediaCellKind::card;
}

} // namespace quavel::OrdersGalleryLayouts
