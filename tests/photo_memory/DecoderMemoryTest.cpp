// Files within every limit whose decode costs far more than their size says: a progressive JPEG keeps
// every coefficient of the photo whatever it is shrunk to (196 megapixels hold 1.18 GB in 4:4:4), and
// libvips counts every page of a TIFF before it loads the first. Every decode is charged with what its
// decoder holds: a gallery of them neither exhausts the memory nor holds back the good photo's
// thumbnail, a write is refused past one write's memory, and a camera's own progressive JPEG is still
// served everywhere.
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/ThumbnailCache.h"
#include "photo/crop/CropEditorWork.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quavel {
namespace {

constexpr int kGiantWidth = 17150;
constexpr int kGiantHeight = 11430; // 196 megapixels
constexpr int kGiantScans = 100;
constexpr int kGiants = 6;
constexpr int kPages = 400'000;

const char* const childVariable = "QUAVEL_DECODER_MEMORY_CHILD";

QString giantName(bool subsampled, int i)
{
    return QStringLiteral("%1/IMG_%2.jpg").arg(subsampled ? u"420" : u"444").arg(9000 + i);
}

// The big fixtures, made once per run: the progressive giants of both samplings, a baseline one, the
// good photo, a camera-sized progressive JPEG and the TIFF of chained pages.
const QString& fixtures()
{
    static test::TempFolder folder;
    static const bool made = [] {
        for (const bool subsampled : { false, true }) {
            const QByteArray giant = test::flatJpeg(kGiantWidth, kGiantHeight, kGiantScans, subsampled);
            for (int i = 0; i < kGiants; ++i)
                test::writeBytes(folder.file(giantName(subsampled, i)), giant);
        }
        test::writeBytes(folder.file(QStringLiteral("baseline/IMG_9000.jpg")),
            test::flatJpeg(kGiantWidth, kGiantHeight, 1));
        test::writePhoto(folder.file(QStringLiteral("IMG_0001.jpg")), test::sized(640, 480));
        test::writeBytes(folder.file(QStringLiteral("IMG_0024.jpg")), test::flatJpeg(6000, 4000, 10, true));
        test::writeBytes(folder.file(QStringLiteral("pages.tif")), test::chainedTiff(kPages));
        return true;
    }();
    Q_UNUSED(made);
    static const QString path = folder.path();
    return path;
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

bool allFinished(QList<QFuture<QImage>>& futures)
{
    return std::all_of(futures.begin(), futures.end(), [](QFuture<QImage>& f) { return f.isFinished(); });
}

// The child: the gallery of six giants of one sampling ("444" or "420") with the good photo after them,
// in a fresh process whose peak is this gallery's alone.
TEST(DecoderMemoryChild, GalleryOfGiants)
{
    const char* given = std::getenv(childVariable);
    if (!given)
        GTEST_SKIP() << "the child of the gallery test";
    const QStringList args = QString::fromLocal8Bit(given).split(u'|');
    ASSERT_EQ(args.size(), 2);
    const QString folder = args[0];
    const bool subsampled = args[1] == QLatin1String("420");
    QElapsedTimer timer;
    timer.start();
    QList<QFuture<QImage>> giants;
    for (int i = 0; i < kGiants; ++i)
        giants.append(MediaThumbnailer::thumbnail(folder + u'/' + giantName(subsampled, i), false, 480));
    QFuture<QImage> good = MediaThumbnailer::thumbnail(folder + QStringLiteral("/IMG_0001.jpg"), false, 480);
    ASSERT_TRUE(test::waitUntil([&] { return good.isFinished(); }, 120000));
    const qint64 goodMs = timer.elapsed();
    // The sanitizers' decodes take minutes each: there the good photo is all that is waited for, and the
    // giants still decoding are abandoned at the exit.
    if (test::kBuiltWithSanitizers) {
        EXPECT_EQ(good.result().size(), QSize(480, 360));
        return;
    }
    ASSERT_TRUE(test::waitUntil([&] { return allFinished(giants); }, 300000));
    const qint64 allMs = timer.elapsed();
    int served = 0;
    for (QFuture<QImage>& f : giants) {
        if (!f.result().isNull()) {
            ++served;
            EXPECT_EQ(f.result().size(), QSize(480, 320));
        }
    }
    const qint64 peakMb = peakResidentMb();
    std::printf(
        "gallery of %d progressive %s giants: good photo's thumbnail after %lld ms, all after %lld ms, "
        "%d giants served, peak %lld MB resident\n",
        kGiants, subsampled ? "4:2:0" : "4:4:4", goodMs, allMs, served, peakMb);
    std::fflush(stdout);
    EXPECT_EQ(good.result().size(), QSize(480, 360));
    EXPECT_LT(goodMs, 10000);
    EXPECT_GT(peakMb, 0);
    EXPECT_LT(peakMb, 1536);
}

class GalleryOfGiants : public testing::TestWithParam<const char*>
{
};

TEST_P(GalleryOfGiants, TheGoodPhotosThumbnailComesOnTimeWithinBoundedMemory)
{
    const QByteArray value = QFile::encodeName(fixtures()) + '|' + GetParam();
    EXPECT_EQ(test::runTestInChild("DecoderMemoryChild.GalleryOfGiants", childVariable, value, 400000), 0);
}

INSTANTIATE_TEST_SUITE_P(Samplings, GalleryOfGiants, testing::Values("444", "420"));

// What the thumbnail and the crop editor's working image of one giant come to: a 4:4:4 progressive one
// holds 1.18 GB of coefficients, past the budget of thumbnails and previews; subsampled it holds half as
// much, and a baseline one only what it decodes at an eighth.
struct Giant
{
    const char* name;
    const char* file;
    bool shown;
};

void PrintTo(const Giant& g, std::ostream* os)
{
    *os << g.name;
}

class GiantJpegs : public testing::TestWithParam<Giant>
{
};

TEST_P(GiantJpegs, AreShownOnlyWhenWhatTheirDecoderHoldsFitsTheBudget)
{
    const Giant& g = GetParam();
    const QString photo = fixtures() + u'/' + QString::fromLatin1(g.file);
    EXPECT_EQ(ImageThumbnail::fromFile(photo, 480).size(), g.shown ? QSize(480, 320) : QSize(0, 0));
    ReadFailure failure;
    const std::optional<FloatImage> preview = ImageIO::decode(photo, 2048, &failure);
    EXPECT_EQ(preview ? preview->size() : QSize(0, 0), g.shown ? QSize(2048, 1365) : QSize(0, 0));
    if (!g.shown) {
        // Counted as the pixels it decodes (a quarter of each side), with the limit of its kind.
        EXPECT_EQ(failure.kind, ReadFailure::Kind::tooLarge);
        EXPECT_EQ(failure.pixels, qint64(4288) * 2858);
        EXPECT_LT(failure.limit, failure.pixels);
    }
    EXPECT_EQ(DecodeBudget::previews().held(), 0);
}

INSTANTIATE_TEST_SUITE_P(Encodings, GiantJpegs,
    testing::Values(Giant { "progressive_444", "444/IMG_9000.jpg", false },
        Giant { "progressive_420", "420/IMG_9000.jpg", true },
        Giant { "baseline_444", "baseline/IMG_9000.jpg", true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GiantJpegWrites, AreChargedTheirCoefficientsBesideThePhotoAndRefusedBeforeAnyDecode)
{
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0001.jpg"));
    ASSERT_TRUE(QFile::copy(fixtures() + QStringLiteral("/444/IMG_9000.jpg"), photo));
    const QByteArray before = test::readFile(photo);
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    try {
        PhotoEdits::applyRetouch(photo, brighter, std::nullopt);
        ADD_FAILURE() << "the retouch went through";
    } catch (const PhotoEditError& e) {
        // 12 bytes a pixel of float image beside 6 of coefficients: 3.53 GB, for a write of at most 3.
        EXPECT_EQ(e.message(),
            u8("La photo « IMG_0001.jpg » est trop grande pour être modifiée : 196,1 mégapixels, au plus "
               "166,6."));
    }
    EXPECT_EQ(test::readFile(photo), before);
    // What a batch adds up before it decodes the next photo beside the current one.
    EXPECT_EQ(ImageIO::wholeDecodeBytes(photo), std::optional<qint64>(3'528'783'984));
}

TEST(DecoderMemory, ACameraSizedProgressiveJpegGetsItsThumbnailEditorAndBatch)
{
    MediaThumbnailer::cache().clear();
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0024.jpg"));
    ASSERT_TRUE(QFile::copy(fixtures() + QStringLiteral("/IMG_0024.jpg"), photo));
    const QImage thumbnail = test::await(MediaThumbnailer::thumbnail(photo, false, 480));
    EXPECT_EQ(thumbnail.size(), QSize(480, 320));
    EXPECT_TRUE(test::near(thumbnail.pixelColor(240, 160), QColor(128, 128, 128), 4));
    const CropEditorWork::Loaded loaded = CropEditorWork::load(photo, std::nullopt);
    EXPECT_EQ(loaded.errorMessage, QString());
    EXPECT_EQ(loaded.image.size(), QSize(2048, 1365));
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    EXPECT_NO_THROW(PhotoEdits::applyRetouch(photo, brighter, std::nullopt));
    EXPECT_GT(test::meanRed(photo), 0.6f) << "the batch wrote the brightened photo";
}

TEST(DecoderMemory, ATiffOfChainedPagesIsThumbnailedOrRefusedInTime)
{
    const QString tiff = fixtures() + QStringLiteral("/pages.tif");
    QElapsedTimer timer;
    timer.start();
    const QImage thumbnail = ImageThumbnail::fromFile(tiff, 480);
    const qint64 ms = timer.elapsed();
    std::printf("TIFF of %d pages (%lld bytes): %s in %lld ms\n", kPages, qint64(QFileInfo(tiff).size()),
        thumbnail.isNull() ? "refused" : "thumbnailed", ms);
    if (!thumbnail.isNull()) {
        EXPECT_EQ(thumbnail.size(), QSize(1, 1));
    }
    if (test::timeBoundsApply()) {
        EXPECT_LT(ms, 5000);
    }
}

} // namespace
} // namespace quavel
