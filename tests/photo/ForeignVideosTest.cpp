// Files under a video's name: only the containers phones and cameras write reach FFmpeg, with that
// demuxer named, the file protocol alone and camera codecs alone. An SVG, an HLS playlist, a DASH
// manifest or an ffconcat script named ".mp4" or ".mov" is refused by its first bytes, never stalls the
// thumbnails, and never brings another file of the disk (a private video, a FIFO, a link to /dev/zero)
// into a thumbnail or a preview. A frame over the pixel budget is refused before it is decoded, and the
// videos of every name the application knows still give their first frame.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/MediaThumbnailer.h"
#include "photo/ThumbnailCache.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/PixelBudget.h"
#include "platform/imaging/VideoContent.h"
#include "platform/imaging/VideoFrames.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace quavel {
namespace {

using test::ForeignContent;

// The longest side the quick preview asks for.
constexpr int kPreviewPixels = 2400;

// A document FFmpeg's SVG decoder renders red.
const QByteArray kRedSvg = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" "
                           "height=\"48\"><rect width=\"64\" height=\"48\" fill=\"#ff0000\"/></svg>\n";

// Whether any pixel of the image is the private video's red.
bool showsRed(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            if (c.red() > 160 && c.green() < 90 && c.blue() < 90)
                return true;
        }
    }
    return false;
}

TEST(ForeignVideos, NoneReachesAnotherFileAndTheGoodThumbnailsArrive)
{
    MediaThumbnailer::cache().clear();
    test::TempFolder folder;
    // Outside the order: a red video, a FIFO nobody writes to, a link to /dev/zero.
    test::VideoRecipe red;
    red.right = Qt::red;
    const QString secret = folder.file(QStringLiteral("Privé/rouge.mp4"));
    if (!test::writeVideo(secret, red))
        GTEST_SKIP() << "no MPEG-4 encoder in this FFmpeg";
    const QString fifo = folder.file(QStringLiteral("Privé/attente.ts"));
    const QString zero = folder.file(QStringLiteral("Privé/zero.mp4"));
    ASSERT_TRUE(test::makeSpecialFile(fifo, test::SpecialFile::fifo));
    ASSERT_TRUE(test::makeSpecialFile(zero, test::SpecialFile::linkToDevZero));

    const QByteArray manifest = test::foreignBytes(ForeignContent::dashManifest, secret);
    const QByteArray manifestBody = manifest.mid(manifest.indexOf('\n') + 1); // its XML declaration left out
    const std::pair<const char*, QByteArray> foreign[] = {
        { "MVI_0001.mp4", kRedSvg },
        { "MVI_0002.mov", "<?xml version=\"1.0\"?>\n" + test::foreignBytes(ForeignContent::turbulence) },
        { "MVI_0003.mp4", test::foreignBytes(ForeignContent::hlsPlaylist, secret) },
        { "MVI_0004.mov", test::foreignBytes(ForeignContent::hlsPlaylist, fifo) },
        { "MVI_0005.mp4", test::foreignBytes(ForeignContent::hlsPlaylist, zero) },
        { "MVI_0006.mp4", manifest },
        { "MVI_0007.mov", test::foreignBytes(ForeignContent::dashManifest, fifo) },
        { "MVI_0008.mp4", test::foreignBytes(ForeignContent::concatScript, secret) },
        { "MVI_0009.mov", test::foreignBytes(ForeignContent::concatScript, zero) },
        // A manifest whose first bytes are also a QuickTime box ("<!--" its size, "free" its type):
        // FFmpeg's probe takes it for DASH rather than QuickTime.
        { "MVI_0010.mp4", "<!--free-->\n" + manifestBody },
    };
    QList<QFuture<QImage>> refused;
    QStringList names;
    for (const auto& [name, bytes] : foreign) {
        const QString path = test::writeBytes(folder.file(QStringLiteral("Commande/") + name), bytes);
        refused.append(MediaThumbnailer::thumbnail(path, true, 480));
        names.append(path);
    }
    // A camera's container of red pictures in an image codec.
    test::VideoRecipe png = red;
    png.encoder = "png";
    names.append(folder.file(QStringLiteral("Commande/MVI_0011.mov")));
    ASSERT_TRUE(test::writeVideo(names.back(), png));
    refused.append(MediaThumbnailer::thumbnail(names.back(), true, 480));

    test::VideoRecipe green;
    green.left = Qt::green;
    const QString video = folder.file(QStringLiteral("Commande/MVI_0100.mp4"));
    ASSERT_TRUE(test::writeVideo(video, green));
    const QString photo = test::writePhoto(
        folder.file(QStringLiteral("Commande/IMG_0101.jpg")), test::filled(64, 48, Qt::green));
    QFuture<QImage> goodVideo = MediaThumbnailer::thumbnail(video, true, 480);
    QFuture<QImage> goodPhoto = MediaThumbnailer::thumbnail(photo, false, 480);

    const int bound = test::timeBoundsApply() ? 10000 : 60000;
    ASSERT_TRUE(test::waitUntil([&] { return goodVideo.isFinished() && goodPhoto.isFinished(); }, bound));
    EXPECT_EQ(goodVideo.result().size(), QSize(64, 48));
    EXPECT_EQ(goodPhoto.result().size(), QSize(64, 48));
    EXPECT_FALSE(showsRed(goodVideo.result()));
    EXPECT_FALSE(showsRed(goodPhoto.result()));
    // Nothing is left running: every thumbnail has ended, and so has all photo work.
    ASSERT_TRUE(test::waitUntil(
        [&] { return std::all_of(refused.begin(), refused.end(), [](auto& f) { return f.isFinished(); }); },
        bound));
    for (qsizetype i = 0; i < refused.size(); ++i)
        EXPECT_TRUE(refused[i].result().isNull()) << names[i].toStdString();
    EXPECT_TRUE(test::waitForPhotoWork(bound));
    // The preview's read, at its own size, refuses them as well.
    for (const QString& path : names) {
        // Shared with the reading thread, which a hang would leave behind.
        auto preview = std::make_shared<QImage>();
        EXPECT_TRUE(test::returnsWithin(bound, [path, preview] {
            *preview = MediaThumbnailer::videoThumbnail(path, kPreviewPixels);
        })) << path.toStdString();
        EXPECT_TRUE(preview->isNull()) << path.toStdString();
        EXPECT_FALSE(showsRed(*preview)) << path.toStdString();
    }
}

// Containers whose header leads to 64 GB of nothing (sparse files): their demuxers would read through it
// for minutes, looking for a packet. The deadline ends both reads, side by side on the thumbnail pool.
TEST(VideoDeadline, EndsAReadThatNeverComesToAFrame)
{
    MediaThumbnailer::cache().clear();
    test::TempFolder folder;
    const std::pair<const char*, QByteArray> heads[] = {
        // A pack header, then no start code ever again.
        { "MVI_0001.MPG", QByteArray("\0\0\x01\xBA\x44\0\x04\0\x04\x01\x01\x89\xC3\xF8", 14) },
        // An EBML header and a segment of unknown size, then no element ever again.
        { "MVI_0002.webm",
            QByteArray(
                "\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\xF7\x81\x01\x42\xF2\x81\x04\x42\xF3\x81\x08"
                "\x42\x82\x84webm\x42\x87\x81\x02\x42\x85\x81\x02\x18\x53\x80\x67\x01\xFF\xFF\xFF\xFF\xFF"
                "\xFF\xFF",
                48) },
    };
    QList<QFuture<QImage>> reads;
    for (const auto& [name, head] : heads) {
        const QString path = test::writeBytes(folder.file(QString::fromLatin1(name)), head);
        ASSERT_TRUE(QFile::resize(path, qint64(64) << 30));
        reads.append(MediaThumbnailer::thumbnail(path, true, 480));
    }
    ASSERT_TRUE(test::waitUntil(
        [&] { return std::all_of(reads.begin(), reads.end(), [](auto& f) { return f.isFinished(); }); },
        test::timeBoundsApply() ? 15000 : 60000));
    for (QFuture<QImage>& read : reads)
        EXPECT_TRUE(read.result().isNull());
}

// The videos of every name the application knows, as phones and cameras write them: each is routed to
// its container's demuxer and gives its first frame.
struct Recorded
{
    const char* name;
    const char* file;
    const char* encoder; // null: the fixture's own for the name
    VideoContent::Container container;
};

class RecordedVideos : public testing::TestWithParam<Recorded>
{
};

TEST_P(RecordedVideos, GiveTheirFirstFrame)
{
    const Recorded& r = GetParam();
    test::TempFolder folder;
    test::VideoRecipe recipe;
    recipe.left = Qt::green;
    recipe.encoder = r.encoder;
    const QString path = folder.file(QString::fromLatin1(r.file));
    if (!test::writeVideo(path, recipe))
        GTEST_SKIP() << "this FFmpeg cannot write it";
    EXPECT_EQ(VideoContent::examine(RegularFile(path)), r.container);
    const QImage frame = VideoFrames::firstFrame(path, 32);
    ASSERT_EQ(frame.size(), QSize(32, 24));
    EXPECT_TRUE(test::near(frame.pixelColor(4, 12), Qt::green, 48))
        << frame.pixelColor(4, 12).name().toStdString();
    EXPECT_TRUE(test::near(frame.pixelColor(28, 12), Qt::blue, 48))
        << frame.pixelColor(28, 12).name().toStdString();
}

using Container = VideoContent::Container;

INSTANTIATE_TEST_SUITE_P(Names, RecordedVideos,
    testing::Values(Recorded { "mp4", "clip.mp4", nullptr, Container::isoMedia },
        Recorded { "mp4_h264", "clip.mp4", "libx264", Container::isoMedia },
        Recorded { "mp4_hevc", "clip.mp4", "libx265", Container::isoMedia },
        Recorded { "mp4_av1", "clip.mp4", "libaom-av1", Container::isoMedia },
        Recorded { "mov", "clip.MOV", nullptr, Container::isoMedia },
        Recorded { "mov_mjpeg", "clip.mov", "mjpeg", Container::isoMedia },
        Recorded { "m4v", "clip.m4v", nullptr, Container::isoMedia },
        Recorded { "3gp", "clip.3gp", nullptr, Container::isoMedia },
        Recorded { "webm", "clip.webm", nullptr, Container::matroska },
        Recorded { "webm_vp9", "clip.webm", "libvpx-vp9", Container::matroska },
        Recorded { "avi", "clip.AVI", nullptr, Container::avi },
        Recorded { "mpg", "clip.mpg", nullptr, Container::mpegProgram },
        Recorded { "mpeg_mpeg1", "clip.mpeg", "mpeg1video", Container::mpegProgram },
        Recorded { "mts", "clip.MTS", "libx264", Container::mpegTransport },
        Recorded { "m2ts", "clip.m2ts", nullptr, Container::mpegTransport }),
    [](const auto& info) { return std::string(info.param.name); });

// A QuickTime video of one MJPEG frame: the size its track declares is checked before the decoder
// opens, and the size the frame itself declares before its pixels are decoded.
struct Budget
{
    const char* name;
    QSize declared; // by the track
    QSize frame; // by the JPEG's own header
    bool shown;
};

class VideoPixelBudget : public testing::TestWithParam<Budget>
{
};

TEST_P(VideoPixelBudget, RefusesAFrameOverItBeforeItIsDecoded)
{
    const Budget& b = GetParam();
    test::TempFolder folder;
    const QString path = folder.file(QStringLiteral("MVI_0001.MOV"));
    ASSERT_TRUE(test::writeMjpegMov(path, test::flatJpeg(b.frame.width(), b.frame.height(), 1), b.declared));
    ASSERT_EQ(VideoContent::examine(RegularFile(path)), Container::isoMedia);
    const QImage frame = VideoFrames::firstFrame(path, 480);
    EXPECT_EQ(frame.isNull(), !b.shown);
    if (b.shown) {
        EXPECT_EQ(frame.size(), b.frame);
    }
}

// Over the budget: 16000 × 16000 pixels, 256 megapixels.
const QSize kOver(16000, 16000);
static_assert(16000LL * 16000 > PixelBudget::kMaxPixels);

INSTANTIATE_TEST_SUITE_P(Sizes, VideoPixelBudget,
    testing::Values(Budget { "within", QSize(64, 48), QSize(64, 48), true },
        Budget { "over", kOver, kOver, false },
        // A track that understates its frames: the decoder's own bound refuses the frame.
        Budget { "frame_over", QSize(64, 48), kOver, false }),
    [](const auto& info) { return std::string(info.param.name); });

// The first bytes that route a file to a demuxer, and lookalikes that route it nowhere.
TEST(VideoRouting, OnlyTheContainersOfCamerasAndPhones)
{
    const auto box
        = [](const char* type) { return QByteArray("\0\0\0\x18", 4) + type + QByteArray(16, '\0'); };
    const auto packets = [](int size, int count, int lost) {
        QByteArray bytes(qsizetype(size) * count, '\0');
        for (int i = 0; i < count; ++i)
            bytes[qsizetype(i) * size + (size == 192 ? 4 : 0)] = i == lost ? 'H' : 'G';
        return bytes;
    };
    const std::pair<QByteArray, std::optional<Container>> cases[] = {
        { box("ftypisom"), Container::isoMedia },
        { box("ftypqt  "), Container::isoMedia },
        { box("moov"), Container::isoMedia },
        { box("mdat"), Container::isoMedia },
        { box("wide"), Container::isoMedia },
        { box("free"), Container::isoMedia },
        { box("skip"), Container::isoMedia },
        { QByteArray("\0\0\0\x04ftypisom", 12), std::nullopt }, // no box is 4 bytes long
        { box("uuid"), std::nullopt },
        { QByteArray("\x1A\x45\xDF\xA3\x9F\x42\x86\x81", 8), Container::matroska },
        { QByteArray("RIFF\x10\0\0\0AVI LIST", 16), Container::avi },
        { QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16), std::nullopt },
        { QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16), std::nullopt },
        { QByteArray("\0\0\x01\xBA\x44\0\x04\0", 8), Container::mpegProgram },
        { QByteArray("\0\0\x01\xB3\x04\0\x03\0", 8), std::nullopt }, // a bare MPEG video stream
        { packets(188, 5, -1), Container::mpegTransport },
        { packets(192, 5, -1), Container::mpegTransport },
        { packets(188, 1, -1), std::nullopt },
        { packets(188, 5, 3), std::nullopt },
        { packets(192, 5, 4), std::nullopt },
        { "#EXTM3U\n#EXTINF:1.0,\n/home/a.mp4\n", std::nullopt },
        { "<?xml version=\"1.0\"?><MPD/>", std::nullopt },
        { "ffconcat version 1.0\nfile a.mp4\n", std::nullopt },
        { kRedSvg, std::nullopt },
        { test::photoBytes(QStringLiteral("jpg"), test::PhotoRecipe {}), std::nullopt },
        { {}, std::nullopt },
    };
    for (const auto& [head, container] : cases)
        EXPECT_EQ(VideoContent::sniff(head), container) << head.left(16).toHex().toStdString();
}

} // namespace
} // namespace quavel
