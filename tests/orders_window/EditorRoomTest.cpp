// The inline crop editor on a 1600 × 1000 screen in a window of 1180 × 760: the gallery above it keeps at
// least one full row of thumbnails in every layout, the editor the rest down to its own minimum, and the
// window grows to fit both when it is shorter than that.
#include "orders_views/OrdersViewFixture.h"

#include "photo/crop/CropEditorModel.h"
#include "photo/views/PhotoCropEditorView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// The cells wholly inside the gallery's viewport.
int wholeCells(OrdersViewFixture& f)
{
    QWidget* viewport = f.view->detail()->galleryScroll()->viewport();
    int whole = 0;
    for (OrderMediaCell* cell : f.cells()) {
        if (!cell->isVisibleTo(viewport))
            continue;
        const QRect r(cell->mapTo(viewport, QPoint(0, 0)), cell->size());
        if (viewport->rect().contains(r))
            ++whole;
    }
    return whole;
}

int editorMinimum(const QWidget& editor)
{
    return std::max(editor.minimumHeight(), editor.minimumSizeHint().height());
}

class EditorRoom : public ::testing::TestWithParam<OrdersGalleryLayout>
{
protected:
    OrdersViewFixture f;
    QString first;

    void SetUp() override
    {
        for (int i = 1; i <= 12; ++i)
            f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_%1.jpg").arg(i, 4, 10, QChar(u'0')));
        for (int i = 1; i <= 4; ++i)
            f.photo(QStringLiteral("Dupont/TIRAGE 13x18/IMG_%1.jpg").arg(100 + i, 4, 10, QChar(u'0')));
        first = f.path(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"));
        f.defaults.setString(
            QStringLiteral("ordersGalleryLayout"), OrdersGalleryLayouts::rawValue(GetParam()));
        f.openOn(QStringLiteral("Dupont"));
    }
};

TEST_P(EditorRoom, TheGalleryKeepsAFullRowAndTheEditorTheRest)
{
    OrdersView& view = f.show(QSize(1180, 760));
    ASSERT_EQ(f.window->size(), QSize(1180, 760));
    ASSERT_GE(wholeCells(f), 1);
    const int closedMinimum = f.window->minimumHeight();
    view.screen().openCrop({ first, false });
    ASSERT_TRUE(view.screen().cropEditor().isOpen());
    settle(12);
    ASSERT_TRUE(view.editor()->isVisible());

    EXPECT_GE(wholeCells(f), 1) << "gallery " << view.detail()->galleryScroll()->height();
    const int editor = view.editor()->height();
    EXPECT_GE(editor, editorMinimum(*view.editor()));
    // Gallery, divider and editor fill the column (the divider's point aside): nothing of the editor
    // hangs below the window.
    EXPECT_LE(view.detail()->galleryScroll()->height() + 1 + editor, view.detail()->height() + 1);
    EXPECT_LE(f.window->height(), QGuiApplication::primaryScreen()->availableGeometry().height());
    EXPECT_GE(f.window->minimumHeight(), view.detail()->minimumHeight());

    // A window made as short as it allows still shows both.
    f.window->resize(1180, 300);
    settle(12);
    EXPECT_GE(f.window->height(), f.window->minimumHeight());
    EXPECT_GE(wholeCells(f), 1);
    EXPECT_GE(view.editor()->height(), editorMinimum(*view.editor()));

    // Closed, the gallery takes the column again and the window may be short again.
    view.screen().cropEditor().close();
    settle(12);
    EXPECT_FALSE(view.editor()->isVisible());
    EXPECT_EQ(view.detail()->galleryScroll()->height(), view.detail()->height());
    EXPECT_EQ(f.window->minimumHeight(), closedMinimum);
}

// A photo far down the gallery, opened: the shorter gallery scrolls to keep it in sight.
TEST_P(EditorRoom, ThePhotoOpenedStaysInSightAboveTheEditor)
{
    OrdersView& view = f.show(QSize(1180, 760));
    const QString last = f.path(QStringLiteral("Dupont/TIRAGE 13x18/IMG_0104.jpg"));
    QScrollArea* scroll = view.detail()->galleryScroll();
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    settle();
    ASSERT_TRUE(f.gallery().cellFor(last));
    view.screen().openCrop({ last, false });
    settle(12);
    OrderMediaCell* cell = f.gallery().cellFor(last);
    ASSERT_TRUE(cell);
    QWidget* viewport = scroll->viewport();
    const QRect r(cell->mapTo(viewport, QPoint(0, 0)), cell->size());
    EXPECT_TRUE(viewport->rect().contains(r)) << r.y() << "–" << r.bottom() << " in " << viewport->height();
}

INSTANTIATE_TEST_SUITE_P(Layouts, EditorRoom,
    ::testing::Values(OrdersGalleryLayout::sections, OrdersGalleryLayout::list, OrdersGalleryLayout::grid),
    [](const ::testing::TestParamInfo<OrdersGalleryLayout>& info) {
        return OrdersGalleryLayouts::rawValue(info.param).toStdString();
    });

} // namespace
