// Special files under photo names in an order folder (a FIFO, a link to /dev/zero, a link to a FIFO, a
// folder): every reader gives up at once and reads nothing, a link to a regular photo is still a photo,
// the thumbnails of the other photos still arrive, and the crop editor opens, reports and closes.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/ThumbnailCache.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditError.h"
#include "platform/AtomicFile.h"
#include "platform/files/SafeCopy.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/ScaledDecode.h"
#include "platform/imaging/VideoFrames.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace quavel {
namespace {

using test::SpecialFile;

constexpr int bound = 10000; // ms: far more than any of these reads takes, far less than a hang

// A reader of the files of an order folder, and the name it is handed a file under.
struct Reader
{
    const char* name;
    const char* file;
    std::function<bool(const QString& path, const QString& folder)> readsSomething;
};

const Reader readers[] = {
    { "full decode", "IMG_0002.jpg",
        [](const QString& p, const QString&) { return ImageIO::decode(p).has_value(); } },
    { "working image", "IMG_0003.jpg",
        [](const QString& p, const QString&) { return ImageIO::decode(p, 2048).has_value(); } },
    { "header", "IMG_0004.png",
        [](const QString& p, const QString&) { return ImageIO::orientedPixelSize(p).has_value(); } },
    { "thumbnail", "IMG_0005.heic",
        [](const QString& p, const QString&) { return !ImageThumbnail::fromFile(p, 480).isNull(); } },
    { "printed page", "IMG_0006.tif",
        [](const QString& p, const QString&) {
            return !ImageThumbnail::fromFile(p, 480, ImageThumbnail::Damage::refused).isNull();
        } },
    { "crop canvas", "IMG_0007.jpg",
        [](const QString& p, const QString&) {
            const ScaledDecode::Drawing drawing { QTransform::fromScale(0.25, 0.25), QRect(0, 0, 64, 48),
                0.25, QSize(16, 12) };
            return ScaledDecode::decode(p, drawing).has_value();
        } },
    { "camera RAW", "IMG_0008.NEF",
        [](const QString& p, const QString&) {
            return CameraRaw::decode(p, 480).has_value() || CameraRaw::orientedPixelSize(p).has_value();
        } },
    { "video frame", "MVI_0009.MOV",
        [](const QString& p, const QString&) { return !VideoFrames::firstFrame(p, 480).isNull(); } },
    { "journal", "IMG_0010.jpg.edits.json",
        [](const QString& p, const QString&) { return AtomicFile::read(p).has_value(); } },
    { "copy", "IMG_0011.jpg",
        [](const QString& p, const QString& folder) {
            return SafeCopy::tryCopyFile(p, folder + QStringLiteral("/copie.jpg")) == 0;
        } },
    { "retouch", "IMG_0012.jpg",
        [](const QString& p, const QString&) {
            PhotoRetouchSettings brighter;
            brighter.exposure = 1;
            try {
                PhotoEdits::applyRetouch(p, brighter, std::nullopt);
                return true;
            } catch (const PhotoEditError& e) {
                return e.kind() != PhotoEditError::Kind::unreadablePhoto;
            }
        } },
};

class SpecialFiles : public testing::TestWithParam<SpecialFile>
{
};

TEST_P(SpecialFiles, NoReaderWaitsOnThemNorReadsThem)
{
    test::TempFolder folder;
    for (const Reader& reader : readers) {
        const QString path = folder.file(QString::fromLatin1(reader.file));
        ASSERT_TRUE(test::makeSpecialFile(path, GetParam()));
        // Shared with the reading thread, which a hang would leave behind.
        auto read = std::make_shared<std::atomic<bool>>(true);
        const QString target = folder.path();
        EXPECT_TRUE(test::returnsWithin(
            bound, [reader, path, target, read] { *read = reader.readsSomething(path, target); }))
            << reader.name << " waits on it";
        EXPECT_FALSE(*read) << reader.name << " read something";
    }
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("copie.jpg"))));
}

INSTANTIATE_TEST_SUITE_P(OrderFolders, SpecialFiles,
    testing::Values(
        SpecialFile::fifo, SpecialFile::linkToDevZero, SpecialFile::linkToFifo, SpecialFile::folder));

TEST(SpecialFilesBesidePhotos, ALinkToAPhotoIsAPhotoAndTheOtherThumbnailsStillArrive)
{
    MediaThumbnailer::cache().clear();
    test::TempFolder folder;
    const QString photo = test::writePhoto(folder.file(QStringLiteral("IMG_0001.jpg")), test::sized(64, 48));
    const QString link = folder.file(QStringLiteral("IMG_0100.jpg"));
    ASSERT_TRUE(QFile::link(photo, link));
    // As many pipes as the thumbnail pool has threads, and more: asked for first, they would have held
    // every thread for good.
    QList<QFuture<QImage>> pipes;
    for (int i = 0; i < 6; ++i) {
        const QString pipe = folder.file(QStringLiteral("IMG_000%1.jpg").arg(i + 2));
        ASSERT_TRUE(test::makeSpecialFile(pipe, i % 2 ? SpecialFile::linkToDevZero : SpecialFile::fifo));
        pipes.append(MediaThumbnailer::thumbnail(pipe, i == 5, 480));
    }
    QFuture<QImage> linked = MediaThumbnailer::thumbnail(link, false, 480);
    QFuture<QImage> own = MediaThumbnailer::thumbnail(photo, false, 480);
    ASSERT_TRUE(test::waitUntil([&] { return linked.isFinished() && own.isFinished(); }, bound));
    EXPECT_EQ(linked.result().size(), QSize(64, 48)) << "read through the link";
    EXPECT_EQ(own.result().size(), QSize(64, 48));
    ASSERT_TRUE(test::waitUntil(
        [&] {
            return std::all_of(
                pipes.begin(), pipes.end(), [](const QFuture<QImage>& f) { return f.isFinished(); });
        },
        bound));
    for (QFuture<QImage>& f : pipes)
        EXPECT_TRUE(f.result().isNull());
}

TEST(SpecialFilesInTheEditor, ThePipeOpensAsUnreadableAndTheEditorCloses)
{
    test::TempFolder folder;
    const QString pipe = folder.file(QStringLiteral("IMG_0002.jpg"));
    ASSERT_TRUE(test::makeSpecialFile(pipe, SpecialFile::fifo));
    auto model = std::make_unique<CropEditorModel>();
    model->open(pipe, std::nullopt, {});
    ASSERT_TRUE(test::waitUntil([&] { return model->loadedURL() == pipe; }, bound)) << "the load never ends";
    EXPECT_EQ(model->errorMessage(), QStringLiteral("Impossible de lire cette photo."));
    EXPECT_TRUE(model->preview().isNull());
    model->close();
    // The model waits for its work as it goes: nothing of it may still wait on the pipe.
    test::HangGuard guard(bound, QStringLiteral("closing the crop editor"));
    model.reset();
}

} // namespace
} // namespace quavel
