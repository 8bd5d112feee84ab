// The crop editor's photo as read, on its own: which result of a load, a preview or a watermark load is
// still current, and what each tells its observers.
#include "photo/crop/CropEditorSession.h"

#include "common/TestSupport.h"
#include "photo/crop/CropEditorWork.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <QColor>
#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quavel {
namespace {

FloatImage filled(int width, int height, QColor colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return FloatImage::fromQImage(picture);
}

// What a load of a photo `width` pixels wide at full size reads, with a watermark of `watermarkWidth`.
CropEditorWork::Loaded loaded(int fullWidth, int watermarkWidth)
{
    CropEditorWork::Loaded read;
    read.sessionCopy = QStringLiteral("/session/copy.jpg");
    read.image = filled(std::min(fullWidth, 2048), 100, Qt::gray);
    read.picture = QImage(read.image.width(), 100, QImage::Format_RGB32);
    read.watermark = filled(watermarkWidth, 10, Qt::white);
    read.watermarkFull = filled(watermarkWidth * 2, 20, Qt::white);
    read.fullWidth = fullWidth;
    return read;
}

// A watermark file of 300 × 30 pixels; its path.
QString watermarkFile(const test::TempFolder& folder)
{
    QImage mark(300, 30, QImage::Format_ARGB32);
    mark.fill(QColor(255, 255, 255, 128));
    const QString path = folder.file(QStringLiteral("Filigrane.png"));
    EXPECT_TRUE(mark.save(path));
    return path;
}

TEST(CropEditorSessionReads, OnlyTheNewestLoadIsShownAndAWatermarkChosenMeanwhileStays)
{
    const QString photo = QStringLiteral("/photos/IMG_0001.jpg");
    struct Case
    {
        const char* name;
        bool newerLoadStarted;
        bool watermarkLoadedMeanwhile;
    };
    for (const Case& c : {
             Case { "current load", false, false },
             Case { "overtaken by another load", true, false },
             Case { "watermark chosen while reading", false, true },
         }) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        const QString mark = watermarkFile(folder);

        CropEditorSession session;
        const CropEditorSession::Load started = session.beginLoad();
        if (c.newerLoadStarted)
            session.beginLoad();
        if (c.watermarkLoadedMeanwhile) {
            EXPECT_FALSE(test::await(session.reloadWatermark(mark))) << "a readable watermark";
        }
        QSignalSpy shown(&session, &CropEditorSession::previewChanged);
        QSignalSpy loadedURL(&session, &CropEditorSession::loadedURLChanged);
        QSignalSpy watermark(&session, &CropEditorSession::watermarkImageChanged);

        const bool current = session.finishLoad(photo, started, loaded(4096, 50));
        EXPECT_EQ(current, !c.newerLoadStarted);
        EXPECT_EQ(shown.count(), current ? 1 : 0);
        EXPECT_EQ(loadedURL.count(), current ? 1 : 0);
        EXPECT_EQ(session.loadedURL(), current ? std::optional(photo) : std::nullopt);
        EXPECT_EQ(session.sessionBaseURL().has_value(), current);
        EXPECT_DOUBLE_EQ(session.offsetScale(), current ? 2.0 : 1.0);
        if (c.watermarkLoadedMeanwhile) {
            EXPECT_EQ(watermark.count(), 0);
            EXPECT_EQ(session.watermarkImage().width(), 300) << "the watermark chosen later was replaced";
        } else {
            EXPECT_EQ(watermark.count(), current ? 1 : 0);
        }
    }
}

TEST(CropEditorSessionReads, OfTwoWatermarkLoadsTheNewerWinsAndAnUnreadableOneSaysSo)
{
    test::TempFolder folder;
    const QString mark = watermarkFile(folder);
    CropEditorSession session;

    QFuture<bool> older = session.reloadWatermark(mark);
    QFuture<bool> newer = session.reloadWatermark(folder.file(QStringLiteral("absent.png")));
    EXPECT_FALSE(test::await(older)) << "overtaken: neither shown nor said unreadable";
    EXPECT_TRUE(test::await(newer));
    EXPECT_TRUE(session.watermarkImage().isNull());
    EXPECT_TRUE(session.watermarkFull().isNull());

    EXPECT_FALSE(test::await(session.reloadWatermark(mark)));
    EXPECT_EQ(session.watermarkFull().width(), 300);
}

TEST(CropEditorSessionReads, LeavingAndClearingForgetWhatWasRead)
{
    const QString photo = QStringLiteral("/photos/IMG_0001.jpg");
    CropEditorSession session;
    ASSERT_TRUE(session.finishLoad(photo, session.beginLoad(), loaded(1000, 50)));
    EXPECT_DOUBLE_EQ(session.offsetScale(), 1.0) << "read at full size";

    // A preview renders from the image read, and a neutral one shows it as it is.
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    test::await(session.renderPreview(brighter).then([] { return true; }));
    EXPECT_FALSE(session.sourceImage().sharesPixelsWith(session.baseImage()));
    test::await(session.renderPreview(PhotoRetouchSettings {}).then([] { return true; }));
    EXPECT_TRUE(session.sourceImage().sharesPixelsWith(session.baseImage()));

    session.leavePhoto();
    EXPECT_FALSE(session.loadedURL());
    EXPECT_FALSE(session.sessionBaseURL());
    EXPECT_FALSE(session.baseImage().isNull()) << "the images stay until cleared or replaced";

    ASSERT_TRUE(session.finishLoad(photo, session.beginLoad(), loaded(4096, 50)));
    QSignalSpy base(&session, &CropEditorSession::baseImageChanged);
    session.clearImages();
    EXPECT_EQ(base.count(), 1);
    EXPECT_TRUE(session.baseImage().isNull());
    EXPECT_TRUE(session.preview().isNull());
    EXPECT_TRUE(session.watermarkImage().isNull());
    EXPECT_FALSE(session.loadedURL());
    EXPECT_DOUBLE_EQ(session.offsetScale(), 1.0);
    // Nothing to render from any more.
    EXPECT_TRUE(session.renderPreview(brighter).isFinished());
    EXPECT_TRUE(session.preview().isNull());
}

} // namespace
} // namespace quavel
