// The in-place edits on real photos made here: what the written files hold (format by name, orientation
// 1, the colour profile and nothing else), the print canvases with their black fill and turn, the bottom
// watermark, the journal's part in each edit, RAW photos refused, and the original always kept.
#include "photo/PhotoEdits.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoComposer.h"
#include "photo/ThumbnailCache.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"

#include "PhotoFixtures.h"
#include "common/TestSupport.h"

#include "platform/Error.h"
#include <QDir>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace quavel {
namespace {

using test::entries;
using test::TempFolder;

QColor pixel(const QString& path, double fx, double fy)
{
    const QImage image = test::decodeStored(path);
    return image.pixelColor(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)));
}

PhotoEditError::Kind errorKindOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const PhotoEditError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no PhotoEditError";
    return PhotoEditError::Kind::composeFailed;
}

struct WriteCase
{
    const char* name;
    const char* file;
    const char* loader;
};

class ComposerWrite : public testing::TestWithParam<WriteCase>
{
};

TEST_P(ComposerWrite, KeepsTheNameWritesTheFormatAndOnlyTheProfile)
{
    TempFolder folder;
    test::PhotoRecipe recipe = test::sized(90, 60, 6, false, "p3");
    recipe.metadata = true;
    const QString source = test::writePhoto(folder.file("source.tif"), recipe);
    const test::PhotoInfo before = test::inspect(source);
    // A TIFF carries XMP and IPTC besides its profile (the EXIF of a JPEG goes too: MaterializeTest).
    ASSERT_TRUE(before.xmp && before.iptc && !before.icc.isEmpty());

    const std::optional<FloatImage> image = PhotoComposer::loadFullOrientedImage(source);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size(), QSize(60, 90));
    const QString target = folder.write(GetParam().file, "the photo before");
    PhotoComposer::write(*image, target);

    const test::PhotoInfo written = test::inspect(target);
    ASSERT_TRUE(written.readable);
    EXPECT_EQ(written.loader, QString(GetParam().loader));
    EXPECT_EQ(QSize(written.width, written.height), QSize(60, 90));
    EXPECT_EQ(written.orientation, 1);
    EXPECT_EQ(written.icc, before.icc);
    EXPECT_FALSE(written.xmp);
    EXPECT_FALSE(written.iptc);
    if (written.loader != "heifload") { // the HEIF container's own orientation-1 block stays
        EXPECT_FALSE(written.exif);
    }
    EXPECT_EQ(entries(folder.path()), (QStringList { QString(GetParam().file), "source.tif" }));
}

INSTANTIATE_TEST_SUITE_P(Formats, ComposerWrite,
    testing::Values(WriteCase { "jpeg", "IMG.JPG", "jpegload" }, WriteCase { "png", "scan.png", "pngload" },
        WriteCase { "tif", "a.tif", "tiffload" }, WriteCase { "tiff", "b.TIFF", "tiffload" },
        WriteCase { "heic", "c.heic", "heifload" }, WriteCase { "heif", "c.heif", "heifload" },
        WriteCase { "webp", "d.webp", "webpload" }, WriteCase { "bmp_gives_jpeg", "e.bmp", "jpegload" },
        WriteCase { "no_extension", "scan", "jpegload" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComposerWrite, NeverRewritesACameraRawPhoto)
{
    TempFolder folder;
    const QString raw = folder.write("DSC_0001.NEF", "camera bytes");
    const std::optional<FloatImage> image
        = PhotoComposer::loadFullOrientedImage(test::writePhoto(folder.file("a.png"), test::sized(8, 8)));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(errorKindOf([&] { PhotoComposer::write(*image, raw); }), PhotoEditError::Kind::rawNotRewritten);
    EXPECT_EQ(test::readFile(raw), "camera bytes");
}

// An encode whose file cannot take its bytes says why, in the file system's words, and the photo stays.
TEST(ComposerWrite, AFailedEncodeKeepsItsReason)
{
    TempFolder folder;
    const std::optional<FloatImage> image = PhotoComposer::loadFullOrientedImage(
        test::writePhoto(folder.file("a.png"), test::sized(1600, 1200)));
    ASSERT_TRUE(image.has_value());
    const QString target = folder.write("IMG_0001.JPG", "the photo before");
    // Files of this process may grow to 4 KB: the encoder's writes past it fail with EFBIG.
    struct rlimit before
    {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::optional<QString> message;
    try {
        PhotoComposer::write(*image, target);
    } catch (const FileError& e) {
        message = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message,
        QStringLiteral(
            "Le fichier « IMG_0001.JPG » n’a pas pu être enregistré : le fichier est trop volumineux."));
    EXPECT_EQ(test::readFile(target), "the photo before");
}

class MaterializeTest : public testing::Test
{
protected:
    PhotoEditJournal journalWith(const std::function<void(CropEditState&)>& edit)
    {
        PhotoEditJournal journal;
        edit(journal.current);
        return journal;
    }
    TempFolder m_folder;
};

TEST_F(MaterializeTest, RendersFromTheOriginalAndPutsItsBytesBackWhenNeutral)
{
    const QString photo
        = test::writePhoto(m_folder.file("IMG_1.JPG"), test::filled(300, 200, QColor(128, 128, 128)));
    const QByteArray original = test::readFile(photo);
    const QString key = MediaThumbnailer::cacheKey(photo);
    MediaThumbnailer::cache().insert(key, QImage(4, 4, QImage::Format_RGB32));

    const PhotoEditJournal brighter = journalWith([](CropEditState& s) { s.retouch.brightness = 50; });
    PhotoEditMemory::materialize(brighter, photo, std::nullopt);
    EXPECT_EQ(test::readFile(PhotoOriginals::backupURL(photo)), original);
    EXPECT_NEAR(pixel(photo, 0.5, 0.5).red(), 148, 3);
    EXPECT_FALSE(MediaThumbnailer::cache().object(key).has_value());

    // Again: from the original, not from the brighter photo.
    PhotoEditMemory::materialize(brighter, photo, std::nullopt);
    EXPECT_NEAR(pixel(photo, 0.5, 0.5).red(), 148, 3);

    PhotoEditMemory::materialize(PhotoEditJournal {}, photo, std::nullopt);
    EXPECT_EQ(test::readFile(photo), original);
    EXPECT_EQ(entries(m_folder.path()), (QStringList { ".quavel-originals", "IMG_1.JPG" }));
}

TEST_F(MaterializeTest, AnOrientedPhotoIsWrittenUpright)
{
    const QString photo = test::writePhoto(m_folder.file("IMG_2.JPG"), test::sized(120, 80, 6));
    PhotoEditMemory::materialize(
        journalWith([](CropEditState& s) { s.retouch.contrast = 10; }), photo, std::nullopt);
    const test::PhotoInfo info = test::inspect(photo);
    EXPECT_EQ(QSize(info.width, info.height), QSize(80, 120));
    EXPECT_EQ(info.orientation, 1);
    EXPECT_FALSE(info.exif);
    // The stored bottom-left (blue) is now the top-left.
    EXPECT_TRUE(test::near(pixel(photo, 0.1, 0.1), QColor(0, 0, 255), 40));
}

TEST_F(MaterializeTest, AValidatedCropFillsTheBlackCanvasTurnedAboutItsCentre)
{
    // A portrait photo, A5: a 1748 × 2480 canvas. At zoom 0.2 the photo is a fifth of it, in the middle.
    const QString photo
        = test::writePhoto(m_folder.file("IMG_3.JPG"), test::filled(400, 600, QColor(200, 60, 40)));
    PhotoEditMemory::materialize(journalWith([](CropEditState& s) {
        s.cropValidated = true;
        s.zoom = 0.1;
    }),
        photo, std::nullopt);
    test::PhotoInfo info = test::inspect(photo);
    EXPECT_EQ(QSize(info.width, info.height), QSize(1748, 2480));
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.5), QColor(200, 60, 40), 12));
    for (const auto& [fx, fy] : { std::pair { 0.0, 0.0 }, { 1.0, 1.0 }, { 0.35, 0.5 }, { 0.5, 0.35 } })
        EXPECT_TRUE(test::near(pixel(photo, fx, fy), QColor(0, 0, 0), 6)) << fx << " " << fy;

    // Turned by 30 degrees at zoom 1: the corners of the canvas are not covered.
    PhotoEditMemory::materialize(journalWith([](CropEditState& s) {
        s.cropValidated = true;
        s.angle = 30;
    }),
        photo, std::nullopt);
    info = test::inspect(photo);
    EXPECT_EQ(QSize(info.width, info.height), QSize(1748, 2480));
    EXPECT_TRUE(test::near(pixel(photo, 0.01, 0.01), QColor(0, 0, 0), 6));
    EXPECT_TRUE(test::near(pixel(photo, 0.99, 0.99), QColor(0, 0, 0), 6));
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.5), QColor(200, 60, 40), 12));
}

TEST_F(MaterializeTest, TheWatermarkSpansTheCanvasBottomOnlyWhenTheStateIncludesIt)
{
    const QString photo
        = test::writePhoto(m_folder.file("IMG_4.JPG"), test::filled(600, 400, QColor(30, 90, 200)));
    // 2000 × 400 on a 2480-wide A5 landscape canvas: 2480 × 496 at the bottom; transparent on its right.
    test::PhotoRecipe mark = test::sized(200, 40, 1, true);
    mark.fill = QColor(255, 255, 255);
    const std::optional<FloatImage> watermark
        = PhotoComposer::loadFullOrientedImage(test::writePhoto(m_folder.file("mark.png"), mark));
    ASSERT_TRUE(watermark.has_value());

    const PhotoEditJournal withMark = journalWith([](CropEditState& s) {
        s.cropValidated = true;
        s.includeWatermark = true;
    });
    PhotoEditMemory::materialize(withMark, photo, watermark);
    const QImage canvas = test::decodeStored(photo);
    ASSERT_EQ(canvas.size(), QSize(2480, 1748));
    EXPECT_TRUE(test::near(canvas.pixelColor(100, 1748 - 100), QColor(255, 255, 255), 8));
    // Half transparent over the photo on the right half of the watermark.
    EXPECT_TRUE(test::near(canvas.pixelColor(2000, 1748 - 100), QColor(142, 172, 227), 10));
    EXPECT_TRUE(test::near(canvas.pixelColor(100, 1748 - 600), QColor(30, 90, 200), 12));

    PhotoEditMemory::materialize(
        journalWith([](CropEditState& s) { s.cropValidated = true; }), photo, watermark);
    EXPECT_TRUE(test::near(pixel(photo, 0.05, 0.97), QColor(30, 90, 200), 12));
}

TEST(WatermarkOnTheFullPhoto, IsDrawnOnceAndKeptByALaterBatchRetouch)
{
    TempFolder folder;
    const QString photo
        = test::writePhoto(folder.file("IMG_5.JPG"), test::filled(300, 200, QColor(200, 40, 40)));
    const QString mark
        = test::writePhoto(folder.file("mark.png"), test::filled(100, 20, QColor(255, 255, 255)));
    PhotoEdits::applyWatermark(photo, mark);
    // 300 wide: the watermark is 300 × 60 on the bottom rows.
    EXPECT_EQ(QSize(test::inspect(photo).width, test::inspect(photo).height), QSize(300, 200));
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.99), QColor(255, 255, 255), 8));
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.6), QColor(200, 40, 40), 12));
    PhotoEditJournal journal = PhotoEditMemory::load(photo);
    EXPECT_TRUE(journal.current.includeWatermark);
    EXPECT_EQ(journal.history.size(), 1);

    PhotoEdits::applyWatermark(photo, mark);
    EXPECT_EQ(PhotoEditMemory::load(photo).history.size(), 1);
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.6), QColor(200, 40, 40), 12));

    // The batch retouch renders the unvalidated photo at full size, the watermark still across it.
    PhotoRetouchSettings settings;
    settings.saturation = -100;
    PhotoEdits::applyRetouch(photo, settings, mark);
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.99), QColor(255, 255, 255), 8));
    const QColor middle = pixel(photo, 0.5, 0.6);
    EXPECT_NEAR(middle.red(), middle.blue(), 2) << "retouched: " << middle.name().toStdString();
    EXPECT_TRUE(PhotoEditMemory::load(photo).current.includeWatermark);
    // Without a watermark file it is left out.
    PhotoEdits::applyRetouch(photo, PhotoRetouchSettings { .saturation = -90 }, std::nullopt);
    EXPECT_FALSE(test::near(pixel(photo, 0.5, 0.99), QColor(255, 255, 255), 40));

    // Validated: the watermark comes back on the canvas at every rendering.
    journal = PhotoEditMemory::load(photo);
    journal.current.cropValidated = true;
    PhotoEditMemory::save(journal, photo);
    settings.saturation = -50;
    PhotoEdits::applyRetouch(photo, settings, mark);
    EXPECT_EQ(test::inspect(photo).width, 2480);
    EXPECT_TRUE(test::near(pixel(photo, 0.5, 0.99), QColor(255, 255, 255), 8));
    // Without a watermark file it is left out.
    settings.saturation = -60;
    PhotoEdits::applyRetouch(photo, settings, std::nullopt);
    EXPECT_FALSE(test::near(pixel(photo, 0.5, 0.99), QColor(255, 255, 255), 40));
    PhotoEdits::applyRetouch(photo, PhotoRetouchSettings { .contrast = 5 }, folder.file("gone.png"));
    EXPECT_FALSE(test::near(pixel(photo, 0.5, 0.99), QColor(255, 255, 255), 40));
}

TEST(EditFailures, LeaveThePhotoAndTheJournalAsTheyWere)
{
    TempFolder folder;
    const QString photo = test::writePhoto(folder.file("IMG_6.JPG"), test::sized(60, 40));
    const QByteArray bytes = test::readFile(photo);

    EXPECT_EQ(
        errorKindOf([&] { PhotoEdits::applyWatermark(photo, folder.write("mark.png", "not a picture")); }),
        PhotoEditError::Kind::unreadableWatermark);
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
    EXPECT_EQ(test::readFile(photo), bytes);

    const QString broken = folder.write("IMG_7.JPG", "\xff\xd8 broken");
    EXPECT_EQ(errorKindOf([&] {
        PhotoEdits::applyRetouch(broken, PhotoRetouchSettings { .exposure = 1 }, std::nullopt);
    }),
        PhotoEditError::Kind::unreadablePhoto);

    // Neutral settings: nothing at all, not even an original or a journal.
    const QString untouched = test::writePhoto(folder.file("IMG_8.JPG"), test::sized(60, 40));
    PhotoEdits::applyRetouch(untouched, PhotoRetouchSettings {}, std::nullopt);
    EXPECT_FALSE(PhotoOriginals::hasBackup(untouched));
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(untouched)));

    // A folder standing as the journal: the retouch cannot be recorded, so the photo stays as it was and
    // the edit says why (it is no success).
    QDir().mkpath(PhotoEditMemory::journalURL(untouched));
    const QByteArray untouchedBytes = test::readFile(untouched);
    EXPECT_EQ(errorKindOf([&] {
        PhotoEdits::applyRetouch(untouched, PhotoRetouchSettings { .brightness = 20 }, std::nullopt);
    }),
        PhotoEditError::Kind::foreignJournal);
    EXPECT_EQ(test::readFile(untouched), untouchedBytes);
    EXPECT_TRUE(QFileInfo(PhotoEditMemory::journalURL(untouched)).isDir());
}

TEST(EditFailures, CameraRawPhotosAreReadButNeverEdited)
{
    TempFolder folder;
    const QString dng = test::writeLinearDng(folder.file("DSC_0004.DNG"), 32, 24);
    const QByteArray bytes = test::readFile(dng);
    const QString mark = test::writePhoto(folder.file("mark.png"), test::sized(10, 2));
    const PhotoEditJournal journal;
    for (const auto& edit : std::initializer_list<std::function<void()>> {
             [&] { PhotoEdits::applyRetouch(dng, PhotoRetouchSettings { .brightness = 5 }, std::nullopt); },
             [&] { PhotoEdits::applyWatermark(dng, mark); },
             [&] { PhotoEditMemory::materialize(journal, dng, std::nullopt); } })
        EXPECT_EQ(errorKindOf(edit), PhotoEditError::Kind::rawNotRewritten);
    EXPECT_EQ(test::readFile(dng), bytes);
    EXPECT_FALSE(QFile::exists(folder.file(".quavel-originals")));
    EXPECT_TRUE(PhotoComposer::loadFullOrientedImage(dng).has_value());
}

TEST(EditsAtOnce, OfOnePhotoFromSeveralThreadsEndWithAConsistentPhoto)
{
    TempFolder folder;
    const QString photo
        = test::writePhoto(folder.file("IMG_9.JPG"), test::filled(200, 150, QColor(100, 100, 100)));
    const QByteArray original = test::readFile(photo);
    QList<QFuture<void>> edits;
    for (int i = 0; i < 6; ++i)
        edits.append(QtConcurrent::run([photo, i] {
            PhotoEdits::applyRetouch(
                photo, PhotoRetouchSettings { .brightness = double(10 + i) }, std::nullopt);
        }));
    for (auto& e : edits)
        e.waitForFinished();
    EXPECT_TRUE(test::inspect(photo).readable);
    EXPECT_EQ(test::readFile(PhotoOriginals::backupURL(photo)), original);
    EXPECT_EQ(PhotoEditMemory::load(photo).history.size(), 6);
    PhotoOriginals::restore(photo);
    EXPECT_EQ(test::readFile(photo), original);
}

} // namespace
} // namespace quavel

namespace quavel {
namespace {

// A photo larger than its canvas: the crop read straight from the file (only the part shown, reduced
// while decoded) is the crop of the decoded photo, within rounding.
TEST(CropFromTheFile, IsTheCropOfTheDecodedPhoto)
{
    TempFolder folder;
    // Squares of 25 pixels: a crop a pixel off would show along every edge.
    test::PhotoRecipe recipe = test::sized(3000, 2000, 6, false, "p3");
    recipe.checker = 25;
    const QString photo = test::writePhoto(folder.file("IMG_L.JPG"), recipe);
    const std::optional<FloatImage> decoded = PhotoComposer::loadFullOrientedImage(photo);
    ASSERT_TRUE(decoded.has_value());
    for (const auto& [zoom, angle] : { std::pair { 1.0, 0.0 }, { 0.8, 12.0 } }) {
        const QSizeF offset(150, -90);
        const FloatImage fromFile = PhotoComposer::composeCrop(photo, PrintFormat::a5, zoom, offset, angle);
        const FloatImage fromImage
            = PhotoComposer::composeCrop(*decoded, PrintFormat::a5, zoom, offset, angle);
        ASSERT_EQ(fromFile.size(), QSize(1748, 2480));
        ASSERT_EQ(fromImage.size(), fromFile.size());
        EXPECT_EQ(fromFile.iccProfile(), decoded->iccProfile());
        double total = 0;
        for (int c = 0; c < 3; ++c) {
            for (int y = 0; y < fromFile.height(); y += 3) {
                const float* a = fromFile.row(c, y);
                const float* b = fromImage.row(c, y);
                for (int x = 0; x < fromFile.width(); x += 3) {
                    total += std::abs(a[x] - b[x]);
                }
            }
        }
        const double samples = 3.0 * ((fromFile.height() + 2) / 3) * ((fromFile.width() + 2) / 3);
        // Two lanczos3 implementations differ a little in their ringing at sharp edges.
        EXPECT_LT(total / samples, 4.5 / 255) << zoom;
    }
}

} // namespace
} // namespace quavel
