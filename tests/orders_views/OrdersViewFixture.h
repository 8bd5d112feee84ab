#pragma once

// The builder of the orders screen's widget tests: the orders tests' tree and store (OrdersFixture),
// filled with real JPEG photos and MPEG-4 videos, user defaults of the test's own, and the screen shown
// in a window over the application's backdrop.

#include "common/FilePanels.h"
#include "common/TestSupport.h"
#include "orders/OrdersFixture.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrderCellLayer.h"
#include "orders/views/OrderFileActions.h"
#include "orders/views/OrdersDetail.h"
#include "orders/views/OrdersGallery.h"
#include "orders/views/OrdersView.h"
#include "photo/MediaThumbnailer.h"
#include "photo/ThumbnailCache.h"
#include "platform/UserDefaults.h"
#include "ui/Backdrop.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <memory>

namespace quavel::test {

// The window's backdrop behind the screen, as the main window paints it.
class BackdropWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Backdrop::paint(p, rect(), Theme::isDark(this));
    }
};

// A JPEG of one colour with a lighter band across it, so a thumbnail tells which photo it is.
inline PhotoRecipe banded(QSize size, QColor colour)
{
    PhotoRecipe recipe = filled(size.width(), size.height(), colour);
    recipe.band = true;
    recipe.quality = 85;
    return recipe;
}
inline QByteArray jpeg(QSize size, QColor colour)
{
    return photoBytes(QStringLiteral("jpg"), banded(size, colour));
}

// Layout and posted work settle over a few turns of the event loop.
inline void settle(int turns = 6)
{
    for (int i = 0; i < turns; ++i)
        QApplication::processEvents();
}

struct OrdersViewFixture : OrdersFixture
{
    UserDefaults defaults { tmp.file(QStringLiteral("defaults.json")) };
    std::unique_ptr<BackdropWindow> window;
    OrdersView* view = nullptr;

    OrdersViewFixture()
    {
        static const bool once = [] {
            Symbols::installIconTheme();
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
            return true;
        }();
        (void)once;
        QApplication::setPalette(Theme::palette(false));
        MediaThumbnailer::cache().clear();
    }
    ~OrdersViewFixture()
    {
        window.reset();
        store.reset();
        QApplication::setPalette(Theme::palette(false));
    }

    QString photo(
        const QString& relative, QColor colour = QColor(180, 90, 60), QSize size = QSize(90, 60)) const
    {
        return writePhoto(path(relative), banded(size, colour));
    }
    QString video(const QString& relative) const
    {
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        if (!writeVideo(p, 64, 48, 0, 3))
            file(relative, "not a video");
        return p;
    }

    // A store over the settings folder (made afresh: a restart), the screen of the old one closed first.
    OrdersStore& openStore()
    {
        window.reset();
        return open();
    }
    // The store's root is the tree, with an order selected.
    OrdersStore& openOn(const QString& order = {})
    {
        window.reset();
        return OrdersFixture::openOn(order);
    }

    // The screen in a window of that size, shown and laid out.
    OrdersView& show(QSize size = QSize(1180, 760))
    {
        if (!store)
            openStore();
        window = std::make_unique<BackdropWindow>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        view = new OrdersView(*store, defaults, window.get());
        layout->addWidget(view);
        window->resize(size);
        window->show();
        settle();
        return *view;
    }
    OrdersScreen& screen() const { return view->screen(); }

    OrdersGallery& gallery() const { return *view->detail()->gallery(); }
    QList<OrderMediaCell*> cells() const
    {
        QList<OrderMediaCell*> all;
        for (OrderCellLayer* layer : gallery().layers())
            all.append(layer->boundCells());
        return all;
    }
    // Until every cell on screen has its thumbnail's result.
    bool waitForThumbnails(int timeoutMs = 10000) const
    {
        return waitUntil(
            [this] {
                for (OrderMediaCell* cell : cells())
                    if (cell->isLoadingThumbnail())
                        return false;
                return true;
            },
            timeoutMs);
    }
};

} // namespace quavel::test
