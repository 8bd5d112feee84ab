// Thumbnails of real photo and video files made here: sizes, orientation, no enlargement, the keys, the
// shared cache with its byte budget, and nothing cached for what cannot be read.
#include "photo/MediaThumbnailer.h"
#include "photo/ThumbnailCache.h"

#include "library/MediaFile.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/ImageIO.h"

#include "PhotoFixtures.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace quavel {
namespace {

using test::Quadrant;
using test::quadrantColor;

QImage thumbnailOf(const QString& path, int maxPixel, bool video = false)
{
    return MediaThumbnailer::thumbnail(path, video, maxPixel).result();
}

QColor at(const QImage& image, double fx, double fy)
{
    return image.pixelColor(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)));
}

struct PhotoCase
{
    const char* name;
    const char* file;
    test::PhotoRecipe recipe;
    int maxPixel;
    QSize expected;
    // The stored quadrant that shows at the top-left and at the top-right once turned upright.
    Quadrant topLeft;
    Quadrant topRight;
};

class PhotoThumbnails : public testing::TestWithParam<PhotoCase>
{
protected:
    void SetUp() override { MediaThumbnailer::cache().clear(); }
    test::TempFolder m_folder;
};

TEST_P(PhotoThumbnails, FitTheBoxUprightWithoutEnlarging)
{
    const PhotoCase& c = GetParam();
    const QString path = test::writePhoto(m_folder.file(c.file), c.recipe);
    const QImage image = thumbnailOf(path, c.maxPixel);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), c.expected);
    EXPECT_TRUE(test::near(at(image, 0.1, 0.1), quadrantColor(c.topLeft)))
        << at(image, 0.1, 0.1).name().toStdString();
    EXPECT_TRUE(test::near(at(image, 0.9, 0.1), quadrantColor(c.topRight)))
        << at(image, 0.9, 0.1).name().toStdString();
    if (c.recipe.alpha) {
        ASSERT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(at(image, 0.1, 0.5).alpha(), 255);
        EXPECT_NEAR(at(image, 0.9, 0.5).alpha(), 128, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PhotoThumbnails,
    testing::Values(PhotoCase { "jpeg", "a.jpg", test::sized(400, 200), 100, { 100, 50 }, Quadrant::red,
                        Quadrant::green },
        // Orientation 6: the stored top-left goes to the top-right, the bottom-left to the top-left.
        PhotoCase { "jpeg_orientation_6", "b.JPG", test::sized(400, 200, 6), 100, { 50, 100 }, Quadrant::blue,
            Quadrant::red },
        PhotoCase { "jpeg_orientation_3", "c.jpeg", test::sized(400, 200, 3), 200, { 200, 100 },
            Quadrant::white, Quadrant::blue },
        PhotoCase { "jpeg_orientation_8", "d.jpg", test::sized(400, 200, 8), 100, { 50, 100 },
            Quadrant::green, Quadrant::white },
        PhotoCase { "png_alpha", "e.png", test::sized(300, 100, 1, true), 60, { 60, 20 }, Quadrant::red,
            Quadrant::green },
        PhotoCase { "tiff_orientation_6", "f.tif", test::sized(200, 300, 6), 90, { 90, 60 }, Quadrant::blue,
            Quadrant::red },
        PhotoCase { "heic", "g.heic", test::sized(320, 240), 80, { 80, 60 }, Quadrant::red, Quadrant::green },
        PhotoCase { "webp_small_not_enlarged", "h.webp", test::sized(100, 60), 480, { 100, 60 },
            Quadrant::red, Quadrant::green },
        // A Display P3 photo comes out in sRGB: its pure red is sRGB's pure red again.
        PhotoCase { "jpeg_display_p3", "i.jpg", test::sized(200, 200, 1, false, "p3"), 50, { 50, 50 },
            Quadrant::red, Quadrant::green }),
    [](const auto& info) { return std::string(info.param.name); });

class ThumbnailerTest : public testing::Test
{
protected:
    void SetUp() override { MediaThumbnailer::cache().clear(); }
    test::TempFolder m_folder;
};

TEST_F(ThumbnailerTest, KeysArePathTimeAndSizeWordForWord)
{
    const QString path = m_folder.write("IMG_0412.JPG", QByteArray(1234, 'x'));
    const struct timespec times[2] = { { 0, UTIME_OMIT }, { 1700000000, 987654321 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    const QString expected = m_folder.path() + "/IMG_0412.JPG|1700000000987|1234";
    EXPECT_EQ(MediaThumbnailer::cacheKey(path), expected);
    // Standardised: "." and ".." resolved, relative to the current folder.
    EXPECT_EQ(MediaThumbnailer::cacheKey(m_folder.path() + "/./sub/../IMG_0412.JPG"), expected);
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_folder.path());
    EXPECT_EQ(MediaThumbnailer::cacheKey("IMG_0412.JPG"), expected);
    QDir::setCurrent(before);
    // Before 1970 the milliseconds are truncated toward zero.
    const struct timespec old[2] = { { 0, UTIME_OMIT }, { -2, 500000001 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);
    EXPECT_EQ(MediaThumbnailer::cacheKey(path), m_folder.path() + "/IMG_0412.JPG|-1499|1234");
    EXPECT_EQ(MediaThumbnailer::cacheKey(m_folder.file("missing.jpg")), m_folder.path() + "/missing.jpg|0|0");
}

TEST_F(ThumbnailerTest, OneEntryServesEverySizeAndAnEditGetsANewOne)
{
    const QString path = test::writePhoto(m_folder.file("IMG_1.JPG"), test::sized(400, 300));
    const QImage small = thumbnailOf(path, 72);
    EXPECT_EQ(small.size(), QSize(72, 54));
    EXPECT_EQ(thumbnailOf(path, 480).size(), QSize(72, 54));
    EXPECT_EQ(MediaThumbnailer::cache().count(), 1);

    // Rewritten in place with another size: a new key, decoded again without anyone removing the old.
    test::PhotoRecipe green = test::sized(300, 300);
    green.fill = QColor(0, 255, 0);
    test::writePhoto(path, green);
    const QImage edited = thumbnailOf(path, 480);
    EXPECT_EQ(edited.size(), QSize(300, 300));
    EXPECT_TRUE(test::near(edited.pixelColor(10, 10), QColor(0, 255, 0)));
    EXPECT_EQ(MediaThumbnailer::cache().count(), 2);

    EXPECT_EQ(MediaThumbnailer::cache().removePath(m_folder.path()), 2);
    EXPECT_EQ(MediaThumbnailer::cache().count(), 0);
}

TEST_F(ThumbnailerTest, WhatCannotBeReadGivesNothingAndIsTriedAgain)
{
    const QString missing = m_folder.file("later.jpg");
    EXPECT_TRUE(thumbnailOf(missing, 100).isNull());
    const QString garbage
        = m_folder.write("broken.jpg", QByteArrayLiteral("\xff\xd8\xff\xe0 not really a JPEG"));
    EXPECT_TRUE(thumbnailOf(garbage, 100).isNull());
    // A camera RAW name that LibRaw does not take.
    const QString raw = m_folder.write("DSC_0001.NEF", QByteArray(4096, '\x42'));
    EXPECT_TRUE(thumbnailOf(raw, 100).isNull());
    const QString notVideo = m_folder.write("clip.mp4", "no frames here");
    EXPECT_TRUE(thumbnailOf(notVideo, 100, true).isNull());
    EXPECT_EQ(MediaThumbnailer::cache().count(), 0);

    test::writePhoto(missing, test::sized(50, 40));
    EXPECT_EQ(thumbnailOf(missing, 100).size(), QSize(50, 40));
}

TEST_F(ThumbnailerTest, CameraRawPhotosAreDevelopedUpright)
{
    const QString dng = test::writeLinearDng(m_folder.file("DSC_0002.DNG"), 64, 48, 6);
    const QImage image = thumbnailOf(dng, 32);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(24, 32));
    // Turned as orientation 6 says: the stored bottom-left (blue) at the top-left, red at the top-right.
    const QColor topLeft = at(image, 0.1, 0.1);
    const QColor topRight = at(image, 0.9, 0.1);
    EXPECT_GT(topLeft.blue(), topLeft.red() + 60) << topLeft.name().toStdString();
    EXPECT_GT(topRight.red(), topRight.blue() + 60) << topRight.name().toStdString();
}

TEST_F(ThumbnailerTest, CameraRawPhotosAreReadForPreviewsAndPrinting)
{
    const QString dng = test::writeLinearDng(m_folder.file("DSC_0003.dng"), 64, 48, 6);
    EXPECT_EQ(ImageIO::orientedPixelSize(dng), QSize(48, 64));
    const std::optional<FloatImage> full = ImageIO::decode(dng);
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->size(), QSize(48, 64));
    // Red is the stored top-left: the top-right once turned.
    EXPECT_GT(full->row(FloatImage::Red, 2)[45], 0.8f);
    EXPECT_LT(full->row(FloatImage::Blue, 2)[45], 0.2f);
    const std::optional<FloatImage> bounded = ImageIO::decode(dng, 20);
    ASSERT_TRUE(bounded.has_value());
    EXPECT_EQ(bounded->size(), QSize(15, 20));
    EXPECT_FALSE(ImageIO::decode(m_folder.write("bad.NEF", QByteArray(3000, 'x'))).has_value());
    EXPECT_FALSE(ImageIO::orientedPixelSize(m_folder.file("bad.NEF")).has_value());
}

TEST_F(ThumbnailerTest, VideoFramesAreTurnedAndFitted)
{
    const QString plain = m_folder.file("plain.mp4");
    const QString turned = m_folder.file("portrait.MOV");
    if (!test::writeVideo(plain, 64, 32, 0) || !test::writeVideo(turned, 64, 32, 90))
        GTEST_SKIP() << "no MPEG-4 encoder in this FFmpeg";
    const QImage wide = thumbnailOf(plain, 32, true);
    EXPECT_EQ(wide.size(), QSize(32, 16));
    EXPECT_TRUE(test::near(at(wide, 0.1, 0.5), QColor(255, 0, 0), 48));
    EXPECT_TRUE(test::near(at(wide, 0.9, 0.5), QColor(0, 0, 255), 48));
    // Turned a quarter clockwise: the left half goes to the top.
    const QImage portrait = thumbnailOf(turned, 480, true);
    EXPECT_EQ(portrait.size(), QSize(32, 64));
    EXPECT_TRUE(test::near(at(portrait, 0.5, 0.1), QColor(255, 0, 0), 48));
    EXPECT_TRUE(test::near(at(portrait, 0.5, 0.9), QColor(0, 0, 255), 48));
}

// Names written by other systems: every reader (libvips, LibRaw, FFmpeg) opens the file through the
// bytes of its name, for thumbnails and for what printing reads (the oriented size, the bounded decode).
TEST_F(ThumbnailerTest, NamesThatAreNotUtf8AreReadThroughTheirBytes)
{
    const struct
    {
        const char* plain;
        QByteArray name;
        QSize thumbnail;
        bool video;
    } files[] = {
        { "a.jpg", "IMG_\xE9t\xE9.jpg", QSize(40, 30), false },
        { "b.png", "\xFF\xFE.png", QSize(40, 30), false },
        { "c.tif", "scan \xE2\x82.tif", QSize(40, 30), false },
        { "d.dng", "DSC_\xC9.dng", QSize(30, 40), false },
        { "e.mp4", "clip \xE9.mp4", QSize(40, 20), true },
    };
    for (const auto& f : files) {
        const QString plain = m_folder.file(f.plain);
        if (f.video) {
            if (!test::writeVideo(plain, 64, 32, 0))
                continue; // no MPEG-4 encoder in this FFmpeg
        } else if (QByteArray(f.plain).endsWith(".dng")) {
            test::writeLinearDng(plain, 64, 48, 6);
        } else {
            test::writePhoto(plain, test::sized(64, 48));
        }
        const QString path = m_folder.path() + u'/' + NativeName::decode(f.name);
        ASSERT_EQ(::rename(QFile::encodeName(plain).constData(), NativeName::encode(path).constData()), 0);
        EXPECT_EQ(thumbnailOf(path, 40, f.video).size(), f.thumbnail) << f.plain;
        if (f.video)
            continue;
        EXPECT_EQ(ImageIO::orientedPixelSize(path), f.thumbnail * 64 / 40) << f.plain;
        const std::optional<FloatImage> bounded = ImageIO::decode(path, 20);
        ASSERT_TRUE(bounded.has_value()) << f.plain;
        EXPECT_EQ(bounded->size(), f.thumbnail / 2) << f.plain;
    }
}

TEST_F(ThumbnailerTest, ManyThreadsAtOnceShareOneCache)
{
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths.append(
            test::writePhoto(m_folder.file(QString("P%1.jpg").arg(i)), test::sized(120 + i * 10, 90)));
    QList<QFuture<QImage>> requests;
    for (int round = 0; round < 4; ++round)
        for (const QString& path : paths)
            requests.append(QtConcurrent::run([path] { return thumbnailOf(path, 64); }));
    for (auto& r : requests)
        EXPECT_FALSE(r.result().isNull());
    EXPECT_EQ(MediaThumbnailer::cache().count(), 6);
}

TEST(ThumbnailCacheBudget, LeastRecentlyUsedGoFirstAndPathsCanBeRemoved)
{
    QImage image(16, 16, QImage::Format_RGBA8888); // 1 KiB, plus the key
    const qint64 entry = image.sizeInBytes() + 2 * QString("/f/a.jpg|1|1").size();
    ThumbnailCache cache(3 * entry);
    cache.insert("/f/a.jpg|1|1", image);
    cache.insert("/f/b.jpg|1|1", image);
    cache.insert("/f/c.jpg|1|1", image);
    EXPECT_TRUE(cache.object("/f/a.jpg|1|1").has_value()); // a is now the most recent
    cache.insert("/f/d.jpg|1|1", image);
    EXPECT_FALSE(cache.object("/f/b.jpg|1|1").has_value());
    EXPECT_EQ(cache.count(), 3);
    EXPECT_EQ(cache.totalBytes(), 3 * entry);

    // Replacing a key does not count twice; an image above the whole budget is not kept.
    cache.insert("/f/a.jpg|1|1", image);
    EXPECT_EQ(cache.totalBytes(), 3 * entry);
    cache.insert("/f/huge.jpg|1|1", QImage(64, 64, QImage::Format_RGBA8888));
    EXPECT_FALSE(cache.object("/f/huge.jpg|1|1").has_value());
    EXPECT_EQ(cache.count(), 3);

    // By path: the file's entries, whatever their time and size; a folder's, not a neighbour's.
    cache.setByteBudget(100 * entry);
    cache.insert("/f/a.jpg|2|5", image);
    cache.insert("/f/sub/x.jpg|1|1", image);
    cache.insert("/fx/y.jpg|1|1", image);
    cache.insert("/g/we|ird.jpg|1|1", image);
    EXPECT_EQ(cache.removePath("/f/a.jpg"), 2);
    EXPECT_EQ(cache.removePath("/f/sub/"), 1);
    EXPECT_EQ(cache.removePath("/g/we|ird.jpg"), 1);
    EXPECT_EQ(cache.removePath("/f"), 2); // c and d
    EXPECT_TRUE(cache.object("/fx/y.jpg|1|1").has_value());
    cache.remove("/fx/y.jpg|1|1");
    cache.remove("/not/there|0|0");
    EXPECT_EQ(cache.count(), 0);
    EXPECT_EQ(cache.totalBytes(), 0);

    cache.insert("/f/a.jpg|1|1", image);
    cache.insert("/f/b.jpg|1|1", image);
    cache.setByteBudget(entry);
    EXPECT_EQ(cache.count(), 1);
    EXPECT_TRUE(cache.object("/f/b.jpg|1|1").has_value());
}

} // namespace
} // namespace quavel

namespace quavel {
namespace {

TEST(RawExtensions, AreThePhotoExtensionsOfCameraFormats)
{
    const QSet<QString> raw { "raw", "dng", "cr2", "cr3", "nef", "arw", "orf", "rw2", "raf" };
    for (const QString& extension : PhotoFile::extensions())
        EXPECT_EQ(CameraRaw::isCameraRaw("/a/DSC_0001." + extension.toUpper()), raw.contains(extension))
            << extension.toStdString();
    EXPECT_FALSE(CameraRaw::isCameraRaw("/a.nef/IMG.JPG"));
    EXPECT_FALSE(CameraRaw::isCameraRaw("nef"));
}

} // namespace
} // namespace quavel
