#pragma once

#include "orders/OrderMedia.h"
#include "orders/OrderMenuItem.h"

#include <QList>
#include <QStringList>

class QMenu;
class QWidget;

namespace quavel {

class OrdersScreen;

// The file actions of the orders screen that reach the desktop: a cell's context menu, and the entries
// of that menu and of the files panel's open-with menu run on their files, through the screen, the
// printer or the application panel. GUI thread only.
namespace OrderFileActions {

// A cell's context menu, built when it opens: its entries act on the cell's file, or on the selection
// when the file is part of it.
QMenu* fileMenu(OrdersScreen& screen, const OrderMedia& file, QWidget* parent);

// Runs a menu entry on its files; `clicked` is the cell's own file (none for the selection's menu).
void run(OrdersScreen& screen, const OrderMenuItem& item, const OrderMedia* clicked,
    const QList<OrderMedia>& files);

// Retouches one photo with the preset (a video: nothing).
void retouch(OrdersScreen& screen, const OrderMedia& file);

// The application panel, then the files opened with the one chosen (remembered for their types).
void chooseApplication(OrdersScreen& screen, const QStringList& files);

} // namespace OrderFileActions

} // namespace quavel
