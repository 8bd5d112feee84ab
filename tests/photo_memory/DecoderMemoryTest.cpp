// Files within every limit whose decode costs far more than their size says: a progressive JPEG keeps
// every coefficient of the photo whatever it is shrunk to (196 megapixels hold 1.18 GB in 4:4:4), and
// libvips counts every page of a TIFF before it loads the first. Each decode is charged with what its
// decoder holds, and a camera's own progressive JPEG is still served everywhere.
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoTestSupport.h"
#include "photo/crop/CropEditorWork.h"
#include "photo/originals/PhotoEditError.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace quavel {
namespace {

constexpr int kGiants = 6;
const char* const childVariable = "QUAVEL_DECODER_MEMORY_CHILD";

// A file of the big fixtures, made once per run: in "444/" and "420/" six progressive JPEGs of 196
// megapixels in 100 scans (IMG_0.jpg to IMG_5.jpg) in that sampling, in "baseline/" a baseline one, and
// the good photo IMG_0001.jpg.
QString fixture(const QString& name)
{
    static test::TempFolder folder;
    static const bool made = [] {
        for (const bool subsampled : { false, true }) {
            const QByteArray giant = test::flatJpeg(17150, 11430, 100, subsampled);
            for (int i = 0; i < kGiants; ++i)
                test::writeBytes(
                    folder.file(QStringLiteral("%1/IMG_%2.jpg").arg(subsampled ? "420" : "444").arg(i)),
                    giant);
        }
        test::writeBytes(folder.file(QStringLiteral("baseline/IMG_0.jpg")), test::flatJpeg(17150, 11430, 1));
        test::writePhoto(folder.file(QStringLiteral("IMG_0001.jpg")), test::sized(640, 480));
        return true;
    }();
    Q_UNUSED(made);
    return folder.file(name);
}

// The peak resident size of this process, in megabytes.
qint64 peakResidentMb()
{
    QFile file(QStringLiteral("/proc/self/status"));
    file.open(QIODevice::ReadOnly);
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    return -1;
}

// The child: the six giants of one sampling's folder, then the good photo, in a fresh process whose peak
// is this gallery's alone. The 4:4:4 giants are refused alone past the budget; the 4:2:0 ones fit it one
// at a time.
TEST(DecoderMemoryChild, GalleryOfGiants)
{
    const char* given = std::getenv(childVariable);
    if (!given)
        GTEST_SKIP() << "the child of the gallery test";
    const QString folder = QString::fromLocal8Bit(given);
    QElapsedTimer timer;
    timer.start();
    QList<QFuture<QImage>> giants;
    for (int i = 0; i < kGiants; ++i)
        giants.append(MediaThumbnailer::thumbnail(folder + QStringLiteral("/IMG_%1.jpg").arg(i), false, 480));
    QFuture<QImage> good
        = MediaThumbnailer::thumbnail(QFileInfo(folder).path() + QStringLiteral("/IMG_0001.jpg"), false, 480);
    ASSERT_TRUE(test::waitUntil([&] { return good.isFinished(); }, 120000));
    const qint64 goodMs = timer.elapsed();
    EXPECT_EQ(good.result().size(), QSize(480, 360));
    // The sanitizers' decodes take minutes each: there the giants still decoding are abandoned at the exit.
    if (test::kBuiltWithSanitizers)
        return;
    ASSERT_TRUE(test::waitForPhotoWork(300000));
    const bool fits = folder.endsWith(QLatin1String("420"));
    for (QFuture<QImage>& giant : giants)
        EXPECT_EQ(giant.result().size(), fits ? QSize(480, 320) : QSize(0, 0));
    const qint64 peakMb = peakResidentMb();
    std::printf("gallery of %d giants in %s: good photo's thumbnail after %lld ms, all after %lld ms, peak "
                "%lld MB resident\n",
        kGiants, qPrintable(folder.right(3)), goodMs, qint64(timer.elapsed()), peakMb);
    EXPECT_LT(goodMs, 10000);
    EXPECT_GT(peakMb, 0);
    EXPECT_LT(peakMb, 1536);
}

class GalleryOfGiants : public testing::TestWithParam<const char*>
{
};

TEST_P(GalleryOfGiants, TheGoodPhotosThumbnailComesOnTimeWithinBoundedMemory)
{
    const QByteArray folder = QFile::encodeName(fixture(QString::fromLatin1(GetParam())));
    EXPECT_EQ(test::runTestInChild("DecoderMemoryChild.GalleryOfGiants", childVariable, folder, 400000), 0);
}

INSTANTIATE_TEST_SUITE_P(Samplings, GalleryOfGiants, testing::Values("444", "420"));

// The thumbnail and the crop editor's working image of a giant: a progressive 4:4:4 one is refused, the
// preview counted as the pixels it decodes (a quarter of each side) with the limit of its kind; subsampled
// it holds half as much, and a baseline one only what it decodes.
TEST(GiantJpegs, ArePreviewedOnlyWhenWhatTheirDecoderHoldsFitsTheBudget)
{
    for (const auto& [file, shown] : { std::pair("444/IMG_0.jpg", false), std::pair("420/IMG_0.jpg", true),
             std::pair("baseline/IMG_0.jpg", true) }) {
        SCOPED_TRACE(file);
        const QString photo = fixture(QString::fromLatin1(file));
        EXPECT_EQ(ImageThumbnail::fromFile(photo, 480).size(), shown ? QSize(480, 320) : QSize(0, 0));
        ReadFailure failure;
        const std::optional<FloatImage> preview = ImageIO::decode(photo, 2048, &failure);
        EXPECT_EQ(preview ? preview->size() : QSize(0, 0), shown ? QSize(2048, 1365) : QSize(0, 0));
        if (!shown) {
            EXPECT_EQ(failure.kind, ReadFailure::Kind::tooLarge);
            EXPECT_EQ(failure.pixels, qint64(4288) * 2858);
            EXPECT_LT(failure.limit, failure.pixels);
        }
        EXPECT_EQ(DecodeBudget::previews().held(), 0);
    }
}

TEST(GiantJpegWrites, AreChargedTheirCoefficientsBesideThePhotoAndRefusedBeforeAnyDecode)
{
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0001.jpg"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("444/IMG_0.jpg")), photo));
    // 12 bytes a pixel of float image beside 6 of coefficients, 3.53 GB for a write of at most 3: what a
    // batch adds up before it decodes the next photo beside the current one.
    EXPECT_EQ(ImageIO::wholeDecodeBytes(photo), std::optional<qint64>(3'528'783'984));
    try {
        PhotoEdits::applyRetouch(photo, test::brighter(), std::nullopt);
        ADD_FAILURE() << "the retouch went through";
    } catch (const PhotoEditError& e) {
        EXPECT_EQ(e.message(),
            u8("La photo « IMG_0001.jpg » est trop grande pour être modifiée : 196,1 mégapixels, au plus "
               "166,6."));
    }
    EXPECT_EQ(test::readFile(photo), test::readFile(fixture(QStringLiteral("444/IMG_0.jpg"))));
}

TEST(DecoderMemory, ACameraSizedProgressiveJpegGetsItsThumbnailEditorAndBatch)
{
    test::TempFolder folder;
    const QString photo
        = test::writeBytes(folder.file(QStringLiteral("IMG_0024.jpg")), test::flatJpeg(6000, 4000, 10, true));
    const QImage thumbnail = test::await(MediaThumbnailer::thumbnail(photo, false, 480));
    EXPECT_EQ(thumbnail.size(), QSize(480, 320));
    EXPECT_TRUE(test::near(thumbnail.pixelColor(240, 160), QColor(128, 128, 128), 4));
    const CropEditorWork::Loaded loaded = CropEditorWork::load(photo, std::nullopt);
    EXPECT_EQ(loaded.errorMessage, QString());
    EXPECT_EQ(loaded.image.size(), QSize(2048, 1365));
    EXPECT_NO_THROW(PhotoEdits::applyRetouch(photo, test::brighter(), std::nullopt));
    EXPECT_GT(test::meanRed(photo), 0.6f) << "the batch wrote the brightened photo";
}

TEST(DecoderMemory, ATiffOfChainedPagesIsThumbnailedOrRefusedInTime)
{
    test::TempFolder folder;
    const QString tiff
        = test::writeBytes(folder.file(QStringLiteral("pages.tif")), test::chainedTiff(400'000));
    QElapsedTimer timer;
    timer.start();
    const QImage thumbnail = ImageThumbnail::fromFile(tiff, 480);
    const qint64 ms = timer.elapsed();
    std::printf("TIFF of 400,000 pages: %s in %lld ms\n", thumbnail.isNull() ? "refused" : "thumbnailed", ms);
    EXPECT_TRUE(thumbnail.isNull() || thumbnail.size() == QSize(1, 1));
    if (test::timeBoundsApply()) {
        EXPECT_LT(ms, 5000);
    }
}

} // namespace
} // namespace quavel
