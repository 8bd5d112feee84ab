// Where the gallery shows things: the grid's cards at the leading edge of their columns, another order
// from the top of its gallery, and the preview's play badge that opens the video.
#include "GalleryFixture.h"

#include "orders/views/OrderDetailHeader.h"
#include "orders/views/OrdersDetail.h"
#include "ui/QuickPreview.h"
#include "ui/ToneLabel.h"

#include <QAbstractButton>
#include <QScrollArea>
#include <QScrollBar>

#include <functional>

using namespace quavel;
using namespace quavel::test;

namespace {

// In the grid the cards stand at the leading edge of their columns, which are wider than a card.
TEST_F(Gallery, GridCardsStandAtTheLeadingEdgeOfTheirColumns)
{
    open(OrdersGalleryLayout::grid);
    const QList<OrderMediaCell*> cells = f.cells();
    ASSERT_GE(cells.size(), 2);
    ASSERT_EQ(cells[0]->y(), cells[1]->y()); // one row
    const int pitch = cells[1]->x() - cells[0]->x();
    ASSERT_GT(pitch, OrderMediaCell::cardWidth + OrderCellLayer::gridColumnSpacing); // room to centre in
    EXPECT_EQ(cells[0]->x(), 0);
    for (qsizetype i = 1; i < cells.size() && cells[i]->y() == cells[0]->y(); ++i)
        EXPECT_EQ(cells[i]->x(), int(i) * pitch) << i;
}

// The play badge of a video's preview opens the video in the desktop's default application: clicked,
// or with Space or Return once it has the focus. A photo's preview has none.
TEST_F(Gallery, ThePreviewsPlayBadgeOpensTheVideo)
{
    OrdersView& view = open();
    view.screen().setPreviewURL(file("B.jpg").url);
    ASSERT_TRUE(view.preview());
    ASSERT_TRUE(waitUntil([&] { return !view.preview()->image().isNull(); }));
    EXPECT_FALSE(view.preview()->playButton()->isVisible());

    view.screen().setPreviewURL(file("E.mp4").url);
    ASSERT_TRUE(waitUntil([&] { return !view.preview()->image().isNull(); }));
    QAbstractButton* play = view.preview()->playButton();
    ASSERT_TRUE(play->isVisible());
    const QString launch = "visionneur|" + file("E.mp4").url;
    const struct
    {
        const char* how;
        std::function<void()> press;
    } presses[] = {
        { "click", [&] { QTest::mouseClick(play, Qt::LeftButton); } },
        { "Space",
            [&] {
                play->setFocus();
                QTest::keyClick(play, Qt::Key_Space);
            } },
        { "Return",
            [&] {
                play->setFocus();
                QTest::keyClick(play, Qt::Key_Return);
            } },
    };
    for (const auto& p : presses) {
        TestDesktop::shared().clearLaunches();
        p.press();
        EXPECT_TRUE(waitUntil([&] { return TestDesktop::shared().launches() == QStringList { launch }; }))
            << p.how;
        EXPECT_TRUE(view.preview()->isVisible()) << p.how;
    }
}

// A newly chosen order shows its gallery from the top, whatever place the last one was scrolled to.
TEST(GalleryScroll, AnotherOrderShowsFromTheTop)
{
    OrdersViewFixture f;
    for (const char* order : { "Dupont", "Martin" })
        for (int i = 1; i <= 30; ++i)
            f.photo(QStringLiteral("%1/IMPRESSION A5/IMG_%2.jpg")
                        .arg(QLatin1String(order))
                        .arg(i, 4, 10, QChar(u'0')));
    f.defaults.setString(
        QStringLiteral("ordersGalleryLayout"), OrdersGalleryLayouts::rawValue(OrdersGalleryLayout::list));
    f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();
    QScrollBar* bar = view.detail()->galleryScroll()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 1000);
    bar->setValue(bar->maximum());
    settle();

    view.screen().selectFolder(f.path(QStringLiteral("Martin")));
    settle();
    ASSERT_EQ(view.detail()->header()->nameLabel()->text(), "Martin");
    ASSERT_GT(bar->maximum(), 1000); // as tall: the old place would still be there
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(f.gallery().cellFor(f.path(QStringLiteral("Martin/IMPRESSION A5/IMG_0001.jpg"))));
}

} // namespace
