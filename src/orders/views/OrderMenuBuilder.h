#pragma once

#include "orders/OrderMenuItem.h"

#include <QList>

#include <functional>

class QMenu;

namespace quavel {

// Fills a menu with the orders screen's entries (as data): a divider for each divider, a disabled line
// for a text, a submenu with its own entries, and an action for each entry that calls `run` with it.
namespace OrderMenuBuilder {

using Runner = std::function<void(const OrderMenuItem&)>;

void fill(QMenu& menu, const QList<OrderMenuItem>& items, const Runner& run);

} // namespace OrderMenuBuilder

} // namespace quavel
