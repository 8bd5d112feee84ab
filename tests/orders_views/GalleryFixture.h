#pragma once

// The gallery tests' order: A, B, C in a first section, D and the video E in a second, over the real
// store and screen, with the helpers that click cells and read menus and the selection.
#include "OrdersViewFixture.h"
#include "TestDesktop.h"

#include "orders/views/OrderMediaTile.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace quavel::test {

inline QStringList titles(const QMenu& menu)
{
    QStringList t;
    for (QAction* a : menu.actions())
        t.append(a->isSeparator() ? QStringLiteral("—") : a->text());
    return t;
}

inline QAction* entry(const QMenu& menu, const QString& title)
{
    for (QAction* a : menu.actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

// A click on a cell's tile, away from its capsule.
inline void clickCell(OrderMediaCell* cell, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(cell->tile(), Qt::LeftButton, modifiers,
        QPoint(cell->tile()->width() - 30, cell->tile()->height() - 30));
}

inline QStringList selectedNames(const OrdersScreen& screen)
{
    QStringList names;
    for (const OrderMedia& m : screen.selectedMedia())
        names.append(m.url.section(u'/', -1));
    return names;
}

struct Gallery : public ::testing::Test
{
    OrdersViewFixture f;

    // A, B, C in the first section, D and the video E in the second.
    OrdersView& open(OrdersGalleryLayout layout = OrdersGalleryLayout::grid)
    {
        writeOrder(f.root, QStringLiteral("Dupont"),
            { { QStringLiteral("1 A5"), { "A.jpg", "B.jpg", "C.jpg" } },
                { QStringLiteral("2 A4"), { "D.jpg", "E.mp4" } } });
        f.defaults.setString(QStringLiteral("ordersGalleryLayout"), OrdersGalleryLayouts::rawValue(layout));
        f.openOn(QStringLiteral("Dupont"));
        OrdersView& view = f.show();
        QApplication::setActiveWindow(f.window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
        TestDesktop::shared().clearLaunches();
        return view;
    }
    OrderMediaCell* cell(const QString& name) const { return f.gallery().cellFor(file(name).url); }
    OrderMedia file(const QString& name) const
    {
        for (const OrderMedia& m : f.view->screen().allFiles())
            if (m.url.endsWith(u'/' + name))
                return m;
        return {};
    }
};

} // namespace quavel::test
