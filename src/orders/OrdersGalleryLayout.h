#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quavel {

// How the orders screen lays out the media of an order: one strip of cards per section, one row per
// file, or a grid of cards. Stored by raw value under the user-defaults key "ordersGalleryLayout".
enum class OrdersGalleryLayout { sections, list, grid };

// The two presentations of a media cell.
enum class OrderMediaCellKind { card, row };

namespace OrdersGalleryLayouts {

inline constexpr const char* defaultsKey = "ordersGalleryLayout";

// Every layout, in picker order.
QList<OrdersGalleryLayout> allCases();
QString rawValue(OrdersGalleryLayout layout);
// The layout of exactly that raw value, none for any other text.
std::optional<OrdersGalleryLayout> fromRawValue(QStringView raw);
// The layout shown for a stored text: an unknown text shows the sections.
OrdersGalleryLayout shown(QStringView raw);
QString title(OrdersGalleryLayout layout);
QString symbol(OrdersGalleryLayout layout);
OrderMediaCellKind cellKind(OrdersGalleryLayout layout);

} // namespace OrdersGalleryLayouts

} // namespace quavel
