// Files under a video's name: only the containers phones and cameras write reach FFmpeg, by that
// demuxer, from the file alone, in camera codecs, within a deadline and the pixel budget.
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

#include <memory>

namespace quavel {
namespace {

using test::ForeignContent;
using Container = VideoContent::Container;

// A document FFmpeg's SVG decoder renders red.
const QByteArray kRedSvg = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" "
                           "height=\"48\"><rect width=\"64\" height=\"48\" fill=\"#ff0000\"/></svg>\n";

// SVGs, playlists, manifests and concat scripts named ".mp4" or ".mov" that name a private red video, a
// FIFO nobody writes to or a link to /dev/zero, and red pictures in an image codec, queued before a good
// video and photo: each foreign one gives no picture at all, as thumbnail or preview, and never stalls.
TEST(ForeignVideos, NoneReachesAnotherFileAndTheGoodThumbnailsArrive)
{
    MediaThumbnailer::cache().clear();
    test::TempFolder folder;
    test::VideoRecipe red;
    red.right = Qt::red;
    const QString secret = folder.file(QStringLiteral("Privé/rouge.mp4"));
    const QString fifo = folder.file(QStringLiteral("Privé/attente.ts"));
    const QString zero = folder.file(QStringLiteral("Privé/zero.mp4"));
    ASSERT_TRUE(test::writeVideo(secret, red));
    ASSERT_TRUE(test::makeSpecialFile(fifo, test::SpecialFile::fifo));
    ASSERT_TRUE(test::makeSpecialFile(zero, test::SpecialFile::linkToDevZero));
    const QByteArray manifest = test::foreignBytes(ForeignContent::dashManifest, secret);
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
        // Its first bytes are also a QuickTime box ("<!--" its size, "free" its type), which FFmpeg's
        // probe takes for DASH; the XML declaration is left out.
        { "MVI_0010.mp4", "<!--free-->\n" + manifest.mid(manifest.indexOf('\n') + 1) },
    };
    QStringList paths;
    for (const auto& [name, bytes] : foreign)
        paths.append(test::writeBytes(folder.file(QStringLiteral("Commande/") + name), bytes));
    test::VideoRecipe png = red;
    png.encoder = "png";
    paths.append(folder.file(QStringLiteral("Commande/MVI_0011.mov")));
    ASSERT_TRUE(test::writeVideo(paths.back(), png));
    test::VideoRecipe green;
    green.left = Qt::green;
    const QString video = folder.file(QStringLiteral("Commande/MVI_0100.mp4"));
    ASSERT_TRUE(test::writeVideo(video, green));
    const QString photo = test::writePhoto(
        folder.file(QStringLiteral("Commande/IMG_0101.jpg")), test::filled(64, 48, Qt::green));

    QList<QFuture<QImage>> refused;
    for (const QString& path : paths)
        refused.append(MediaThumbnailer::thumbnail(path, true, 480));
    QFuture<QImage> goodVideo = MediaThumbnailer::thumbnail(video, true, 480);
    QFuture<QImage> goodPhoto = MediaThumbnailer::thumbnail(photo, false, 480);
    const int bound = test::timeBoundsApply() ? 10000 : 60000;
    ASSERT_TRUE(test::waitUntil([&] { return goodVideo.isFinished() && goodPhoto.isFinished(); }, bound));
    EXPECT_TRUE(test::near(goodVideo.result().pixelColor(8, 24), Qt::green, 48));
    EXPECT_TRUE(test::near(goodPhoto.result().pixelColor(32, 24), Qt::green, 48));
    ASSERT_TRUE(test::waitForPhotoWork(bound)) << "photo work left running";
    for (qsizetype i = 0; i < paths.size(); ++i) {
        EXPECT_TRUE(refused[i].result().isNull()) << paths[i].toStdString();
        // The preview's read at its own size, on a thread that a hang would leave behind.
        auto preview = std::make_shared<QImage>();
        EXPECT_TRUE(test::returnsWithin(bound, [path = paths[i], preview] {
            *preview = MediaThumbnailer::videoThumbnail(path, 2400);
        })) << paths[i].toStdString();
        EXPECT_TRUE(preview->isNull()) << paths[i].toStdString();
    }
}

// Headers that lead to 64 GB of nothing (sparse files), their demuxers looking for minutes for a start
// code or an element: the deadline ends both reads, side by side on the thumbnail pool.
TEST(VideoDeadline, EndsAReadThatNeverComesToAFrame)
{
    test::TempFolder folder;
    const std::pair<const char*, QByteArray> heads[] = {
        { "MVI_0001.MPG", QByteArray("\0\0\x01\xBA\x44\0\x04\0\x04\x01\x01\x89\xC3\xF8", 14) },
        // An EBML header and a segment of unknown size.
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
    for (QFuture<QImage>& read : reads) {
        ASSERT_TRUE(
            test::waitUntil([&] { return read.isFinished(); }, test::timeBoundsApply() ? 15000 : 60000));
        EXPECT_TRUE(read.result().isNull());
    }
}

// The videos of every name the application knows, in the codecs phones and cameras record: each is
// routed to its container's demuxer and gives its first frame.
struct Recorded
{
    const char* name;
    const char* file;
    const char* encoder; // null: the fixture's own for the name
    Container container;
};

class RecordedVideos : public testing::TestWithParam<Recorded>
{
};

TEST_P(RecordedVideos, GiveTheirFirstFrame)
{
    test::TempFolder folder;
    test::VideoRecipe recipe;
    recipe.left = Qt::green;
    recipe.encoder = GetParam().encoder;
    const QString path = folder.file(QString::fromLatin1(GetParam().file));
    if (!test::writeVideo(path, recipe))
        GTEST_SKIP() << "this FFmpeg cannot write it";
    EXPECT_EQ(VideoContent::examine(RegularFile(path)), GetParam().container);
    const QImage frame = VideoFrames::firstFrame(path, 32);
    ASSERT_EQ(frame.size(), QSize(32, 24));
    EXPECT_TRUE(test::near(frame.pixelColor(4, 12), Qt::green, 48));
    EXPECT_TRUE(test::near(frame.pixelColor(28, 12), Qt::blue, 48));
}

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

// A QuickTime video of one MJPEG frame over the budget (256 megapixels) is refused by the size its track
// declares before the decoder opens, and by the frame's own header when the track understates it.
TEST(VideoPixelBudget, RefusesAFrameOverItBeforeItIsDecoded)
{
    const QSize within(64, 48), over(16000, 16000);
    static_assert(16000LL * 16000 > PixelBudget::kMaxPixels);
    const std::pair<QSize, QSize> cases[] = { { within, within }, { over, over }, { within, over } };
    test::TempFolder folder;
    for (const auto& [declared, size] : cases) {
        const QString path
            = folder.file(QStringLiteral("MVI_%1_%2.MOV").arg(declared.width()).arg(size.width()));
        ASSERT_TRUE(test::writeMjpegMov(path, test::flatJpeg(size.width(), size.height(), 1), declared));
        EXPECT_EQ(VideoFrames::firstFrame(path, 480).size(), size == within ? within : QSize(0, 0))
            << path.toStdString();
    }
}

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
