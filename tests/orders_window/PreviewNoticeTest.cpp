// The quick preview of a video on a desktop that names no application for videos: the play badge says
// so under the frame instead of doing nothing; a video that cannot be read is said so.
#include "orders_views/OrdersViewFixture.h"

#include "ui/QuickPreview.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST(PreviewNotice, ThePlayBadgeSaysThatNoApplicationPlaysVideos)
{
    OrdersViewFixture f;
    const QString clip = f.video(QStringLiteral("Dupont/IMPRESSION A5/IMG_0003.mp4"));
    const QString photo = f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"));
    f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();

    view.screen().setPreviewURL(clip);
    ASSERT_TRUE(view.preview());
    QuickPreview& preview = *view.preview();
    ASSERT_TRUE(waitUntil([&] { return !preview.image().isNull(); }));
    EXPECT_FALSE(preview.notice()->isVisible());
    QAbstractButton* play = preview.playButton();
    ASSERT_TRUE(play->isVisible());

    QTest::mouseClick(play, Qt::LeftButton);
    settle();
    ASSERT_TRUE(preview.notice()->isVisible());
    EXPECT_EQ(preview.notice()->text(), "Aucune application n’est définie pour lire les vidéos.");
    // Under the frame (whose middle holds the badge), within the window.
    const QRect notice = preview.notice()->geometry();
    EXPECT_TRUE(preview.rect().contains(notice)) << notice.y() << " of " << preview.height();
    EXPECT_GT(notice.height(), 0);
    const QRect badge = play->geometry();
    EXPECT_LE(badge.bottom(), notice.top());
    EXPECT_GT(notice.top(), preview.height() / 2);
    EXPECT_TRUE(preview.isVisible());

    // Return on the badge tells it again; another file starts without the line.
    play->setFocus();
    preview.notice()->hide();
    QTest::keyClick(play, Qt::Key_Return);
    EXPECT_TRUE(preview.notice()->isVisible());
    view.screen().setPreviewURL(photo);
    EXPECT_FALSE(preview.notice()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !preview.image().isNull(); }));
    EXPECT_FALSE(play->isVisible());
}

// A playlist under a video's name: the preview says the video cannot be read, with no frame and no play
// badge (never the frame of the video the playlist names); a good video beside it still plays.
TEST(PreviewNotice, AFileThatIsNoVideoIsSaidUnreadable)
{
    OrdersViewFixture f;
    const QString clip = f.video(QStringLiteral("Dupont/IMPRESSION A5/MVI_0002.mp4"));
    const QString playlist = f.file(
        QStringLiteral("Dupont/IMPRESSION A5/MVI_0001.mp4"), foreignBytes(ForeignContent::hlsPlaylist, clip));
    f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();

    view.screen().setPreviewURL(playlist);
    ASSERT_TRUE(view.preview());
    QuickPreview& preview = *view.preview();
    ASSERT_TRUE(waitUntil([&] { return !preview.isLoading(); }));
    settle();
    EXPECT_TRUE(preview.image().isNull());
    ASSERT_TRUE(preview.notice()->isVisible());
    EXPECT_EQ(preview.notice()->text(), "Impossible de lire cette vidéo.");
    EXPECT_FALSE(preview.playButton()->isVisible());

    view.screen().setPreviewURL(clip);
    ASSERT_TRUE(waitUntil([&] { return !preview.image().isNull(); }));
    EXPECT_FALSE(preview.notice()->isVisible());
    EXPECT_TRUE(preview.playButton()->isVisible());
}

// The program's screen is the one the window tests are about.
TEST(PreviewNotice, TheScreenIsSixteenHundredByAThousand)
{
    ASSERT_TRUE(QGuiApplication::primaryScreen());
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1600, 1000));
}

} // namespace
