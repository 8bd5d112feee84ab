#pragma once

#include "photo/print/PrintPaperFormat.h"

#include <QList>
#include <QString>

#include <optional>

namespace quavel {

// What a menu entry of the orders screen does; the screen runs it on the entry's files.
enum class OrderMenuAction {
    none, // a divider, a submenu or a text
    crop,
    retouch,
    watermark,
    undo,
    print, // with `paper` (none: the print panel with the printer's own paper)
    share,
    open, // each file with the application remembered for its type
    openWith, // with `application`
    chooseApplication,
};

// One entry of a menu, as data: the menus are built from these lists and tests read them.
struct OrderMenuItem
{
    enum class Kind { action, divider, submenu, text };

    Kind kind = Kind::action;
    QString title;
    QString symbol; // empty: text only
    bool enabled = true;
    bool checked = false;
    OrderMenuAction action = OrderMenuAction::none;
    std::optional<PrintPaperFormat> paper;
    QString application; // a ".desktop" entry, for openWith
    QList<OrderMenuItem> children; // a submenu's entries

    static OrderMenuItem divider()
    {
        return { Kind::divider, {}, {}, true, false, OrderMenuAction::none, {}, {}, {} };
    }
    bool operator==(const OrderMenuItem&) const = default;
};

} // namespace quavel
