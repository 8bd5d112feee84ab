// The batch edits on real photos written with the image layer: which files are handed on, the backups
// and journals the photo services leave (none for a photo a batch fails on), the last error,
// isRetouching and isWatermarking, the revisions raised, the GUI thread left free, and the next photo
// decoded ahead.
#include "OrdersFixture.h"

#include "orders/OrderMenus.h"
#include "orders/OrdersOutcome.h"
#include "orders/OrdersScreen.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoFixtures.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/ThumbnailCache.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/UserDefaults.h"
#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/PixelBudget.h"

#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// A photo of one colour (with alpha when asked), through the fixture library's photo builder.
QString writePhoto(const QString& path, QColor colour, bool alpha = false, QSize size = QSize(96, 64))
{
    QImage image(size, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB32);
    image.fill(colour);
    return quavel::test::writePhoto(path, image);
}

class OrdersBatch : public ::testing::Test
{
protected:
    OrdersFixture f;
    OrdersStore* store = nullptr;
    QString first, broken, third, video;
    QByteArray firstBytes, thirdBytes;

    void SetUp() override
    {
        first = f.photo("A/S/IMG_1.jpg", Qt::darkGray);
        // A file with a photo's name but no photo inside: the photo services refuse it.
        broken = f.file("A/S/IMG_2.jpg", "pas une photo");
        third = f.photo("A/S/IMG_3.png", Qt::gray);
        video = f.file("A/S/clip.MOV", "video");
        firstBytes = readFile(first);
        thirdBytes = readFile(third);
        store = &f.openOn("A");
    }

    void addWatermark() { store->addWatermark(writeWatermark(f.tmp.file("Logo.png"))); }

    void finishRetouch()
    {
        ASSERT_TRUE(waitUntil([&] { return !store->isRetouching(); }, 60000));
    }
    void finishWatermark() { ASSERT_TRUE(OrdersFixture::finishWatermark(*store)); }
};

TEST_F(OrdersBatch, NoPhotoInTheListChangesNothing)
{
    addWatermark();
    store->setRetouch(brighter());
    store->setErrorMessage(QStringLiteral("message d’avant"));
    for (const QStringList& files : { QStringList {}, QStringList { video, f.path("A/S/autre.mp4") } }) {
        store->applyWatermark(files);
        store->applyRetouch(files);
        EXPECT_FALSE(store->isRetouching());
        EXPECT_EQ(store->errorMessage(), QStringLiteral("message d’avant"));
    }
    EXPECT_TRUE(store->fileRevisions().isEmpty());
    EXPECT_EQ(readFile(video), "video");
}

TEST_F(OrdersBatch, AWatermarkBatchNeedsAWatermark)
{
    store->applyWatermark({ first });
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Choisissez d’abord un fichier filigrane."));
    EXPECT_EQ(readFile(first), firstBytes);
    EXPECT_FALSE(PhotoOriginals::hasBackup(first));
}

TEST_F(OrdersBatch, AWatermarkBatchGoesOnAfterAFailureAndReportsTheLast)
{
    addWatermark();
    store->applyWatermark({ first, broken, third, video });
    finishWatermark();
    EXPECT_EQ(store->errorMessage(), QStringLiteral("IMG_2.jpg : impossible de lire cette photo."));
    // At least once: the folder watch may report the batch's own writes as well.
    const int firstRevision = store->fileRevision(first);
    EXPECT_GE(firstRevision, 1);
    EXPECT_EQ(store->fileRevision(broken), 0);
    EXPECT_GE(store->fileRevision(third), 1);
    EXPECT_EQ(store->fileRevision(video), 0);
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(first)), firstBytes);
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(third)), thirdBytes);
    EXPECT_NE(readFile(first), firstBytes);
    EXPECT_TRUE(PhotoEditMemory::load(first).current.includeWatermark);
    EXPECT_EQ(readFile(video), "video");

    store->applyWatermark({ first, third });
    finishWatermark();
    EXPECT_FALSE(store->errorMessage()) << "a batch without failure clears the message";
    EXPECT_GT(store->fileRevision(first), firstRevision);
    EXPECT_EQ(PhotoEditMemory::load(first).history.size(), 1) << "already marked: no new state";
}

// Two watermark batches at once (the second is not refused) share one count: the photos of both.
TEST_F(OrdersBatch, TwoWatermarkBatchesAtOnceCountThePhotosOfBoth)
{
    addWatermark();
    QStringList photos;
    for (int i = 0; i < 8; ++i)
        photos << f.photo(QStringLiteral("A/T/IMG_%1.jpg").arg(10 + i), Qt::darkGray);
    QList<OrdersStore::BatchProgress> seen;
    QObject::connect(store, &OrdersStore::batchProgressChanged, [&] { seen << store->watermarkProgress(); });
    store->applyWatermark(photos.mid(0, 3));
    store->applyWatermark(photos.mid(3));
    EXPECT_EQ(store->watermarkProgress(), (OrdersStore::BatchProgress { 0, 8 }));
    finishWatermark();
    ASSERT_GE(seen.size(), 2);
    EXPECT_EQ(seen[seen.size() - 2], (OrdersStore::BatchProgress { 8, 8 })) << "until the last batch ends";
    for (const QString& photo : photos)
        EXPECT_TRUE(PhotoEditMemory::load(photo).current.includeWatermark) << photo.toStdString();
}

TEST_F(OrdersBatch, NeutralSettingsRetouchNothing)
{
    QSignalSpy retouching(store, &OrdersStore::isRetouchingChanged);
    store->applyRetouch({ first });
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Réglez d’abord la retouche dans le panneau de gauche."));
    EXPECT_EQ(retouching.count(), 0);
    EXPECT_EQ(readFile(first), firstBytes);
}

TEST_F(OrdersBatch, ARetouchBatchRunsOnAWorkerNotesEveryPhotoAndReportsTheLastFailure)
{
    store->setRetouch(brighter());
    store->setErrorMessage(QStringLiteral("ancien"));
    QList<bool> transitions;
    QObject::connect(store, &OrdersStore::isRetouchingChanged, [&] { transitions << store->isRetouching(); });
    store->applyRetouch({ first, broken, third, video });
    EXPECT_TRUE(store->isRetouching());
    EXPECT_FALSE(store->errorMessage()) << "cleared as the run starts";
    // A change of the settings now does not reach the running batch.
    PhotoRetouchSettings later;
    later.contrast = -50;
    store->setRetouch(later);
    finishRetouch();
    EXPECT_EQ(transitions, (QList<bool> { true, false }));
    EXPECT_EQ(store->errorMessage(), QStringLiteral("IMG_2.jpg : impossible de lire cette photo."));
    // At least once: the folder watch may report the batch's own writes as well.
    for (const QString& p : { first, broken, third })
        EXPECT_GE(store->fileRevision(p), 1) << p.toStdString();
    EXPECT_EQ(store->fileRevision(video), 0);
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(first)), firstBytes);
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(third)), thirdBytes);
    EXPECT_EQ(PhotoEditMemory::load(first).current.retouch, brighter());
    EXPECT_EQ(PhotoEditMemory::load(third).current.retouch, brighter());
    EXPECT_GT(qGray(ImageIO::decode(first)->toQImage().pixel(10, 10)), qGray(QColor(Qt::darkGray).rgb()));
}

TEST_F(OrdersBatch, AValidatedCropKeepsItsWatermarkOnlyWhenTheStoreHasOne)
{
    PhotoEditJournal journal;
    journal.current.cropValidated = true;
    journal.current.includeWatermark = true;
    // An edited photo: its original is kept before its journal.
    for (const QString& photo : { first, third }) {
        PhotoOriginals::ensureBackup(photo);
        PhotoEditMemory::save(journal, photo);
    }
    store->setRetouch(brighter());
    store->applyRetouch({ first });
    finishRetouch();
    store->addWatermark(writeWatermark(f.tmp.file("Rouge.png"), QSize(96, 64), Qt::red));
    store->applyRetouch({ third });
    finishRetouch();
    EXPECT_FALSE(store->errorMessage());
    const QImage without = ImageIO::decode(first)->toQImage();
    const QImage with = ImageIO::decode(third)->toQImage();
    ASSERT_EQ(with.size(), without.size());
    EXPECT_GE(std::max(with.width(), with.height()), 2480) << "rendered on the print canvas";
    const QPoint bottom(with.width() / 2, with.height() - 2);
    EXPECT_GT(qRed(with.pixel(bottom)), 200);
    EXPECT_LT(qGreen(with.pixel(bottom)), 60);
    EXPECT_LT(qRed(without.pixel(bottom)) - qGreen(without.pixel(bottom)), 20) << "no watermark to draw";
}

TEST_F(OrdersBatch, NotingAnEditDropsTheThumbnailAndCountsPerStandardizedPath)
{
    const QString key = MediaThumbnailer::cacheKey(first);
    MediaThumbnailer::cache().insert(key, QImage(8, 8, QImage::Format_RGB32));
    MediaThumbnailer::cache().insert(first + "|1|2", QImage(8, 8, QImage::Format_RGB32));
    store->noteEdited(first);
    EXPECT_FALSE(MediaThumbnailer::cache().object(key));
    EXPECT_FALSE(MediaThumbnailer::cache().object(first + "|1|2")) << "older entries of the file go too";
    store->noteEdited(f.path("A/S/../S/IMG_1.jpg"));
    EXPECT_EQ(store->fileRevision(first), 2);
    EXPECT_EQ(store->fileRevisions().size(), 1);
}

} // namespace

namespace {

// What the order folder may hold under a photo's name besides photos, and what a batch then says.
struct Hostile
{
    const char* name;
    std::function<QString(OrdersFixture& f)> make;
    bool tooLarge;
};

const Hostile hostiles[] = {
    { "a named pipe",
        [](OrdersFixture& f) {
            const QString pipe = f.path("A/S/IMG_4.jpg");
            makeSpecialFile(pipe, SpecialFile::fifo);
            return pipe;
        },
        false },
    { "a link to /dev/zero",
        [](OrdersFixture& f) {
            const QString zero = f.path("A/S/IMG_5.jpg");
            makeSpecialFile(zero, SpecialFile::linkToDevZero);
            return zero;
        },
        false },
    { "a JPEG cut in half",
        [](OrdersFixture& f) {
            return truncateFile(writePhoto(f.path("A/S/IMG_6.jpg"), filled(640, 480, Qt::darkGray)));
        },
        false },
    { "a PNG declaring more pixels than a write may decode",
        [](OrdersFixture& f) {
            return writeHeaderOnly(f.path("A/S/IMG_7.png"), 10000, int(PixelBudget::kMaxPixels / 10000) + 1);
        },
        true },
};

TEST_F(OrdersBatch, PipesDamagedAndHugeFilesFailWithTheirMessageAndBothBatchesEnd)
{
    addWatermark();
    store->setRetouch(brighter());
    for (const Hostile& h : hostiles) {
        const QString hostile = h.make(f);
        const QByteArray before = QFileInfo(hostile).isFile() ? readFile(hostile) : QByteArray();
        const QString expected = h.tooLarge
            ? PhotoEditError::description(PhotoEditError::Kind::tooLarge, QFileInfo(hostile).fileName(),
                10000 * (PixelBudget::kMaxPixels / 10000 + 1))
            : QStringLiteral("Impossible de lire cette photo.");
        const QString told = OrdersOutcome::line(hostile, expected);
        {
            // On the GUI thread: a hang would hold the test for ever.
            HangGuard guard(60000, QStringLiteral("the watermark batch over ") + h.name);
            store->applyWatermark({ first, hostile });
            finishWatermark();
        }
        EXPECT_EQ(store->errorMessage(), told) << h.name;
        store->applyRetouch({ hostile, first });
        finishRetouch();
        EXPECT_EQ(store->errorMessage(), told) << h.name;
        if (!before.isEmpty()) {
            EXPECT_EQ(readFile(hostile), before) << h.name;
        }
    }
    EXPECT_NE(readFile(first), firstBytes) << "the photo beside them is edited";
    EXPECT_TRUE(QFileInfo(f.path("A/S/IMG_4.jpg")).exists());
}

} // namespace

namespace {

TEST_F(OrdersBatch, AWatermarkBatchLeavesTheGuiThreadFreeAndItsControlsOffWhileItRuns)
{
    // Photos large enough that writing any one of them on the GUI thread would stop it for longer than
    // the gap allowed.
    const QString large = writePhoto(f.tmp.file("Grand.jpg"), sized(4000, 3000));
    QStringList photos;
    for (int i = 0; i < 4; ++i) {
        photos.append(f.path(QStringLiteral("A/Grand/IMG_10%1.jpg").arg(i)));
        QDir().mkpath(QFileInfo(photos.last()).absolutePath());
        ASSERT_TRUE(QFile::copy(large, photos.last()));
    }
    const QByteArray bytes = readFile(photos.first());
    addWatermark();
    UserDefaults defaults(f.tmp.file(QStringLiteral("defaults.json")));
    OrdersScreen screen(*store, defaults);
    QSignalSpy removable(&screen, &OrdersScreen::canRemoveWatermarkChanged);
    const QList<OrderMedia> listed { { photos.first(), false } };
    EXPECT_TRUE(screen.canRemoveWatermark());

    {
        // The first photo's turn held: a batch run on this thread would never return.
        HeldWrites turn(photos.first());
        {
            HangGuard guard(30000, QStringLiteral("a watermark batch on the GUI thread"));
            screen.applyWatermark(photos);
        }
        EXPECT_TRUE(store->isWatermarking());
        EXPECT_EQ(readFile(photos.first()), bytes) << "written before the call returned";
        EXPECT_FALSE(PhotoOriginals::hasBackup(photos.first()));
        EXPECT_FALSE(screen.canRemoveWatermark());
        EXPECT_FALSE(OrderMenus::batchControls(listed, false, false, false, true, store->isWatermarking())
                         .watermarkEnabled);
        EXPECT_TRUE(OrderMenus::batchControls(listed, false, false, false, true, store->isWatermarking())
                        .retouchEnabled)
            << "only the watermark's controls are off";
    }

    // A 10-ms timer on this thread goes on firing while the photos are written.
    const test::EventLoopGaps gaps = test::eventLoopGapsWhile([&] { finishWatermark(); });
    EXPECT_GT(gaps.ticks, 0);
    if (test::timeBoundsApply()) {
        EXPECT_LE(gaps.longestMs, 250) << "the GUI thread stopped for " << gaps.longestMs << " ms";
    }
    EXPECT_FALSE(store->errorMessage());
    EXPECT_TRUE(screen.canRemoveWatermark());
    EXPECT_EQ(removable.count(), 2);
    for (const QString& photo : photos) {
        // At least once: the folder watch may report the batch's own writes as well.
        EXPECT_GE(store->fileRevision(photo), 1) << photo.toStdString();
        EXPECT_TRUE(PhotoEditMemory::load(photo).current.includeWatermark);
    }
}

// A photo a batch fails on is left as it was: no original kept, no journal written.
struct FailedPhoto
{
    const char* name;
    bool watermarkBatch;
    std::function<QString(OrdersFixture& f, const QString& logo)> make; // the photo; may spoil the logo
    const char* message;
    friend void PrintTo(const FailedPhoto& c, std::ostream* os) { *os << c.name; }
};

class BatchFailures : public testing::TestWithParam<FailedPhoto>
{
};

TEST_P(BatchFailures, KeepNoOriginalAndNoJournal)
{
    const FailedPhoto& c = GetParam();
    OrdersFixture f;
    const QString good = writePhoto(f.path("A/S/IMG_1.jpg"), Qt::darkGray);
    OrdersStore& store = f.openOn("A");
    const QString logo = writePhoto(f.tmp.file("Logo.png"), QColor(255, 255, 255, 128), true);
    store.addWatermark(logo);
    store.setRetouch(brighter());
    const QString failing = c.make(f, logo);
    const QStringList photos { failing, good };
    if (c.watermarkBatch) {
        store.applyWatermark(photos);
        ASSERT_TRUE(OrdersFixture::finishWatermark(store));
    } else {
        store.applyRetouch(photos);
        ASSERT_TRUE(waitUntil([&] { return !store.isRetouching(); }, 60000));
    }
    // The watermark's own failure names its file once; a photo's names the photo.
    const QString reason = QString::fromUtf8(c.message);
    EXPECT_EQ(store.errorMessage(),
        reason.contains(QStringLiteral("filigrane")) ? reason : OrdersOutcome::line(failing, reason));
    ASSERT_TRUE(store.errorMessage());
    EXPECT_LE(store.errorMessage()->count(u':'), 1) << "one sentence, one colon";
    const bool goodFails = !QFileInfo::exists(logo) && c.watermarkBatch;
    for (const QString& photo : photos) {
        if (photo == good && !goodFails)
            continue;
        EXPECT_FALSE(QFileInfo::exists(PhotoOriginals::backupURL(photo))) << photo.toStdString();
        EXPECT_FALSE(QFileInfo::exists(PhotoEditMemory::journalURL(photo))) << photo.toStdString();
        EXPECT_FALSE(PhotoOriginals::hasBackup(photo)) << "the undo is offered for " << photo.toStdString();
    }
    if (!goodFails) {
        EXPECT_TRUE(PhotoOriginals::hasBackup(good)) << "the photo beside it is edited";
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, BatchFailures,
    testing::Values(FailedPhoto { "WatermarkFileGone", true,
                        [](OrdersFixture& f, const QString& logo) {
                            QFile::remove(logo);
                            return writePhoto(f.path("A/S/IMG_2.jpg"), Qt::gray);
                        },
                        "Impossible de lire le fichier filigrane « Logo.png »." },
        FailedPhoto { "WatermarkOverAnUnreadablePhoto", true,
            [](OrdersFixture& f, const QString&) { return f.file("A/S/IMG_2.jpg", "pas une photo"); },
            "Impossible de lire cette photo." },
        FailedPhoto { "RetouchOverAnUnreadablePhoto", false,
            [](OrdersFixture& f, const QString&) { return f.file("A/S/IMG_2.jpg", "pas une photo"); },
            "Impossible de lire cette photo." },
        FailedPhoto { "RetouchOfARawPhoto", false,
            [](OrdersFixture& f, const QString&) { return f.file("A/S/DSC_0002.NEF", "raw bytes"); },
            "Photo RAW non modifiée, enregistrez-la d’abord en JPEG." },
        FailedPhoto { "WatermarkOverARawPhoto", true,
            [](OrdersFixture& f, const QString&) { return f.file("A/S/DSC_0002.NEF", "raw bytes"); },
            "Photo RAW non modifiée, enregistrez-la d’abord en JPEG." },
        FailedPhoto { "RetouchOverAJpegCutInHalf", false,
            [](OrdersFixture& f, const QString&) {
                return truncateFile(writePhoto(f.path("A/S/IMG_2.jpg"), Qt::gray, false, QSize(640, 480)));
            },
            "Impossible de lire cette photo." }),
    [](const auto& info) { return std::string(info.param.name); });

// The next photo is decoded while the one before is written; a photo replaced on disk meanwhile is
// rendered from the file it is at its turn.
struct Replacement
{
    const char* name;
    bool watermarkBatch;
    bool inPlace; // rewritten in its own inode, else replaced by a rename
    friend void PrintTo(const Replacement& c, std::ostream* os) { *os << c.name; }
};

class DecodedAheadBatches : public testing::TestWithParam<Replacement>
{
};

TEST_P(DecodedAheadBatches, RenderAPhotoReplacedBeforeItsTurnFromTheNewFile)
{
    const Replacement& c = GetParam();
    OrdersFixture f;
    const QString first = writePhoto(f.path("A/S/IMG_1.jpg"), Qt::darkGray, false, QSize(320, 240));
    const QString second = writePhoto(f.path("A/S/IMG_2.jpg"), QColor(200, 30, 30), false, QSize(320, 240));
    const QString blue = writePhoto(f.tmp.file("Bleu.jpg"), QColor(30, 30, 200), false, QSize(320, 240));
    OrdersStore& store = f.openOn("A");
    store.addWatermark(writePhoto(f.tmp.file("Logo.png"), QColor(255, 255, 255, 128), true));
    store.setRetouch(brighter());
    {
        // The batch decodes the second photo while the first is written, then waits for its turn.
        HeldWrites turn(second);
        if (c.watermarkBatch)
            store.applyWatermark({ first, second });
        else
            store.applyRetouch({ first, second });
        ASSERT_TRUE(waitUntil([&] { return PhotoWriteQueue::shared().waiting(second) == 1; }, 30000));
        if (c.inPlace) {
            QFile file(second);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(readFile(blue));
        } else {
            replaceFile(second, readFile(blue));
        }
    }
    ASSERT_TRUE(OrdersFixture::finishWatermark(store));
    ASSERT_TRUE(waitUntil([&] { return !store.isRetouching(); }, 60000));
    EXPECT_FALSE(store.errorMessage());
    const QColor centre = ImageIO::decode(second)->toQImage().pixelColor(160, 60);
    EXPECT_GT(centre.blue(), centre.red() + 80) << "rendered from the photo decoded before it was replaced";
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(second)), readFile(blue))
        << "the original is the photo read";
}

INSTANTIATE_TEST_SUITE_P(Orders, DecodedAheadBatches,
    testing::Values(Replacement { "RetouchReplacedByARename", false, false },
        Replacement { "RetouchRewrittenInPlace", false, true },
        Replacement { "WatermarkReplacedByARename", true, false },
        Replacement { "WatermarkRewrittenInPlace", true, true }),
    [](const auto& info) { return std::string(info.param.name); });

// A validated crop without retouch needs of the photo only its header and the part its canvas shows:
// a photo declaring more pixels than a whole decode may take is not refused as too large.
TEST_F(OrdersBatch, AValidatedCropIsWatermarkedWithoutDecodingTheWholePhoto)
{
    const QString huge
        = writeHeaderOnly(f.path("A/S/IMG_8.jpg"), 10000, int(PixelBudget::kMaxPixels / 10000) + 1);
    PhotoEditJournal journal;
    journal.current.cropValidated = true;
    for (const QString& photo : { huge, first }) {
        PhotoOriginals::ensureBackup(photo);
        PhotoEditMemory::save(journal, photo);
    }
    addWatermark();
    store->applyWatermark({ first, huge });
    finishWatermark();
    // Its missing pixels fail the part decoded, not a refusal of the whole.
    EXPECT_EQ(store->errorMessage(), QStringLiteral("IMG_8.jpg : impossible de lire cette photo."));
    const QImage written = ImageIO::decode(first)->toQImage();
    EXPECT_EQ(std::max(written.width(), written.height()), 2480) << "the print canvas of the crop";
}

} // namespace
