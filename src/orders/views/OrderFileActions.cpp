#include "orders/views/OrderFileActions.h"

#include "orders/OrderMenus.h"
#include "orders/OrdersScreen.h"
#include "orders/views/OrderMenuBuilder.h"
#include "photo/views/PhotoPrinter.h"
#include "ui/PanelPresenter.h"

#include <QMenu>

namespace quavel::OrderFileActions {

QMenu* fileMenu(OrdersScreen& screen, const OrderMedia& file, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("fileMenu"));
    const QList<OrderMedia> targets = screen.targets(file);
    OrdersScreen* s = &screen;
    OrderMenuBuilder::fill(*menu, screen.fileMenu(file),
        [s, file, targets](const OrderMenuItem& item) { run(*s, item, &file, targets); });
    return menu;
}

void retouch(OrdersScreen& screen, const OrderMedia& file)
{
    if (file.isVideo)
        return;
    screen.applyRetouch({ file.url });
}

void chooseApplication(OrdersScreen& screen, const QStringList& files)
{
    if (const auto app = PanelPresenter::shared().pickApplication())
        screen.openWith(*app, files);
}

void run(OrdersScreen& screen, const OrderMenuItem& item, const OrderMedia* clicked,
    const QList<OrderMedia>& files)
{
    const QStringList paths = OrderMenus::paths(files);
    switch (item.action) {
    case OrderMenuAction::crop:
        if (clicked)
            screen.openCrop(*clicked);
        break;
    case OrderMenuAction::retouch:
        if (clicked)
            retouch(screen, *clicked);
        break;
    case OrderMenuAction::watermark:
        if (clicked)
            screen.applyWatermark({ clicked->url });
        break;
    case OrderMenuAction::undo:
        if (clicked)
            screen.undoEdits(clicked->url);
        break;
    case OrderMenuAction::print:
        PhotoPrinter::print(paths, item.paper);
        break;
    case OrderMenuAction::share:
        screen.shareByAirDrop(files);
        break;
    case OrderMenuAction::open:
        screen.open(paths);
        break;
    case OrderMenuAction::openWith:
        screen.openWith(item.application, paths);
        break;
    case OrderMenuAction::chooseApplication:
        chooseApplication(screen, paths);
        break;
    case OrderMenuAction::none:
        break;
    }
}

} // namespace quavel::OrderFileActions
