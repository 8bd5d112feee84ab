// The application's window at its first launch on a 1366 × 768 laptop screen, the crop editor open on the
// orders screen in each gallery layout: a row of the gallery stays in sight above the editor, the crop
// canvas takes the editor's height under its toolbar, and every retouch control can be scrolled into view,
// at that size, with the window as short as it allows and with the editor at its own minimum.
#include "shell/ScreenServices.h"

#include "orders/OrdersGalleryLayout.h"
#include "orders/OrdersScreen.h"
#include "orders/views/OrderMediaCell.h"
#include "orders/views/OrdersDetail.h"
#include "orders/views/OrdersGallery.h"
#include "orders/views/OrdersView.h"
#include "photo/views/CropCanvas.h"
#include "photo/views/CropEditorToolbar.h"
#include "photo/views/CropRetouchPanel.h"
#include "photo/views/FineLineSlider.h"
#include "photo/views/PhotoCropEditorView.h"
#include "photo/views/RetouchCheckboxRow.h"
#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchScrollArea.h"
#include "photo/views/RetouchSliderRow.h"
#include "photo/views/RetouchToneGroup.h"
#include "shell/MainWindow.h"
#include "shell/QuavelApplication.h"
#include "shell/RootController.h"
#include "ui/DesktopSettings.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quavel;
using namespace quavel::test;

namespace {

// Whether the widget lies wholly inside the given ancestor's rectangle.
bool whollyIn(const QWidget& widget, const QWidget& ancestor)
{
    return ancestor.rect().contains(QRect(widget.mapTo(&ancestor, QPoint(0, 0)), widget.size()));
}

// The retouch panel's buttons, value fields and sliders, and each row whole (its name, value and slider
// together), open groups included.
QList<QWidget*> retouchControls(const CropRetouchPanel& panel)
{
    QWidget* content = panel.scrollArea()->widget();
    QList<QWidget*> controls;
    for (QWidget* w : content->findChildren<QWidget*>())
        if ((qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)
                || qobject_cast<FineLineSlider*>(w) || qobject_cast<RetouchSliderRow*>(w)
                || qobject_cast<RetouchCheckboxRow*>(w))
            && w->isVisibleTo(content))
            controls.append(w);
    return controls;
}

class EditorOnLaptop : public ::testing::TestWithParam<OrdersGalleryLayout>
{
protected:
    LibraryFixture lib;
    TempFolder orders;
    ScreenServices services { lib.folder.file(QStringLiteral("app")), lib.defaults };
    DesktopSettings desktop;
    std::unique_ptr<QuavelApplication> app;
    QString first;

    void SetUp() override
    {
        Symbols::installIconTheme();
        QDir().mkpath(lib.folder.file(QStringLiteral("app")));
        // An order of two types: twelve prints and four enlargements.
        for (int i = 1; i <= 16; ++i) {
            const QString type = i <= 12 ? QStringLiteral("IMPRESSION A5") : QStringLiteral("TIRAGE 13x18");
            const QString path = orders.file(
                QStringLiteral("Commandes/Dupont/%1/IMG_%2.jpg").arg(type).arg(i, 4, 10, QChar(u'0')));
            QDir().mkpath(QFileInfo(path).absolutePath());
            QImage photo(900, 600, QImage::Format_RGB32);
            photo.fill(QColor(60 + i * 10, 110, 150));
            ASSERT_TRUE(photo.save(path, "JPEG"));
            if (i == 1)
                first = path;
        }
        app = std::make_unique<QuavelApplication>(services, lib.defaults, desktop);
        services.orders->storeRoot(orders.file(QStringLiteral("Commandes")));
    }
    void TearDown() override
    {
        app.reset();
        QApplication::setPalette(Theme::palette(false));
    }
    MainWindow& window() { return app->window(); }

    void settle()
    {
        for (int i = 0; i < 12; ++i)
            QApplication::processEvents();
    }

    // The editor's share of the window as it is now.
    void expectRoom(OrdersView& view, bool firstLaunch)
    {
        PhotoCropEditorView& editor = *view.editor();
        OrdersDetail& detail = *view.detail();
        SCOPED_TRACE(::testing::Message()
            << "window " << window().height() << ", gallery " << detail.galleryScroll()->height()
            << ", editor " << editor.height() << ", canvas " << editor.canvas()->width() << " × "
            << editor.canvas()->height());
        ASSERT_TRUE(editor.isVisible());
        // Nothing of the editor hangs below the window, its retouch panel included.
        const QRect inWindow(editor.mapTo(&window(), QPoint(0, 0)), editor.size());
        EXPECT_LE(inWindow.bottom(), window().rect().bottom());
        EXPECT_TRUE(whollyIn(*editor.retouchPanel()->scrollArea()->viewport(), window()));
        // The opened photo's row is in sight above the editor.
        OrderMediaCell* cell = view.detail()->gallery()->cellFor(first);
        ASSERT_TRUE(cell);
        EXPECT_TRUE(cell->isVisible() && whollyIn(*cell, *detail.galleryScroll()->viewport()));
        if (firstLaunch) {
            // The canvas has the editor's height but its toolbar and the frame of 12 around it.
            const int under = editor.height() - editor.toolbar()->height() - 1;
            EXPECT_GE(editor.canvas()->height(), 240);
            EXPECT_EQ(editor.canvas()->height(), under - 2 * 12);
        }
        expectEveryControlReachable(editor);
    }

    // Every retouch control, the last one too, can be scrolled wholly into view.
    static void expectEveryControlReachable(PhotoCropEditorView& editor)
    {
        QScrollArea& scroll = *editor.retouchPanel()->scrollArea();
        const QList<QWidget*> controls = retouchControls(*editor.retouchPanel());
        ASSERT_GE(controls.size(), 30);
        for (QWidget* control : controls) {
            // The whole control: a value field's own wish would be its text cursor only.
            const QRect r(control->mapTo(scroll.widget(), QPoint(0, 0)), control->size());
            scroll.ensureVisible(r.center().x(), r.center().y(), r.width() / 2 + 1, r.height() / 2 + 1);
            EXPECT_TRUE(whollyIn(*control, *scroll.viewport()))
                << control->metaObject()->className() << " at " << r.y() << " in "
                << scroll.viewport()->height();
        }
    }
};

TEST_P(EditorOnLaptop, TheCanvasAndTheGalleryRowShareTheFirstLaunchWindow)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry().size(), QSize(1366, 768));
    // The first launch's window: 1180 × 760, within 94 % of the screen.
    ASSERT_EQ(window().size(), QSize(1180, 722));
    window().show();
    app->root().showSection(WorkspaceSection::commandes);
    auto* view = qobject_cast<OrdersView*>(window().pane());
    ASSERT_TRUE(view);
    view->screen().setGalleryLayout(GetParam());
    settle();
    view->screen().openCrop({ first, false });
    ASSERT_TRUE(waitUntil([&] { return view->editor()->showsCanvas(); }));
    // Both tone groups open: their sliders count among the controls to reach.
    QList<RetouchToneGroup*> groups;
    for (QWidget* control : view->editor()->retouchPanel()->controls()->controls())
        if (auto* group = qobject_cast<RetouchToneGroup*>(control)) {
            group->toggle();
            groups << group;
        }
    ASSERT_TRUE(waitUntil([&] {
        return std::none_of(groups.cbegin(), groups.cend(), [](auto* g) { return g->isAnimating(); });
    }));
    settle();
    ASSERT_EQ(window().size(), QSize(1180, 722));
    expectRoom(*view, true);

    window().resize(1180, 0);
    settle();
    ASSERT_LT(window().height(), 722);
    expectRoom(*view, false);

    // On a smaller screen the editor may be given no more than its minimum.
    PhotoCropEditorView& editor = *view->editor();
    editor.resize(editor.width(), editor.minimumSizeHint().height());
    settle();
    SCOPED_TRACE(::testing::Message() << "editor " << editor.height());
    expectEveryControlReachable(editor);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EditorOnLaptop,
    ::testing::Values(OrdersGalleryLayout::sections, OrdersGalleryLayout::list, OrdersGalleryLayout::grid),
    [](const ::testing::TestParamInfo<OrdersGalleryLayout>& info) {
        return OrdersGalleryLayouts::rawValue(info.param).toStdString();
    });

} // namespace
