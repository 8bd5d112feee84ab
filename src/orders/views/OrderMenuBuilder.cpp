#include "orders/views/OrderMenuBuilder.h"

#include "ui/Symbols.h"

#include <QMenu>

namespace quavel::OrderMenuBuilder {

void fill(QMenu& menu, const QList<OrderMenuItem>& items, const Runner& run)
{
    for (const OrderMenuItem& item : items) {
        switch (item.kind) {
        case OrderMenuItem::Kind::divider:
            menu.addSeparator();
            break;
        case OrderMenuItem::Kind::text: {
            QAction* text = menu.addAction(item.title);
            text->setEnabled(false);
            break;
        }
        case OrderMenuItem::Kind::submenu: {
            QMenu* sub = menu.addMenu(item.title);
            if (!item.symbol.isEmpty())
                sub->setIcon(Symbols::icon(item.symbol));
            fill(*sub, item.children, run);
            sub->setEnabled(item.enabled);
            break;
        }
        case OrderMenuItem::Kind::action: {
            QAction* action = menu.addAction(item.title);
            if (!item.symbol.isEmpty())
                action->setIcon(Symbols::icon(item.symbol));
            // A menu of applications keeps its icons for the check mark alone.
            action->setIconVisibleInMenu(!item.symbol.isEmpty());
            action->setEnabled(item.enabled);
            QObject::connect(action, &QAction::triggered, &menu, [run, item] { run(item); });
            break;
        }
        }
    }
}

} // namespace quavel::OrderMenuBuilder
