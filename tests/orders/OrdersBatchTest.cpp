// The batch edits on real photos written with the image layer: which files are handed on, the backups
// and journals the photo services leave, the last error, isRetouching, and the revisions raised.
#include "OrdersFixture.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEditError.h"
#include "photo/PhotoEditMemory.h"
#include "photo/PhotoOriginals.h"
#include "photo/ThumbnailCache.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/PixelBudget.h"

#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

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
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Impossible de lire cette photo."));
    EXPECT_EQ(store->fileRevision(first), 1);
    EXPECT_EQ(store->fileRevision(broken), 0);
    EXPECT_EQ(store->fileRevision(third), 1);
    EXPECT_EQ(store->fileRevision(video), 0);
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(first)), firstBytes);
    EXPECT_EQ(readFile(PhotoOriginals::backupURL(third)), thirdBytes);
    EXPECT_NE(readFile(first), firstBytes);
    EXPECT_TRUE(PhotoEditMemory::load(first).current.includeWatermark);
    EXPECT_EQ(readFile(video), "video");

    store->applyWatermark({ first, third });
    EXPECT_FALSE(store->errorMessage()) << "a batch without failure clears the message";
    EXPECT_EQ(store->fileRevision(first), 2);
    EXPECT_EQ(PhotoEditMemory::load(first).history.size(), 1) << "already marked: no new state";
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
    EXPECT_EQ(store->errorMessage(), QStringLiteral("Impossible de lire cette photo."));
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
    PhotoEditMemory::save(journal, first);
    PhotoEditMemory::save(journal, third);
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
        {
            // On the GUI thread: a hang would hold the test for ever.
            HangGuard guard(60000, QStringLiteral("the watermark batch over ") + h.name);
            store->applyWatermark({ first, hostile });
        }
        EXPECT_EQ(store->errorMessage(), expected) << h.name;
        store->applyRetouch({ hostile, first });
        finishRetouch();
        EXPECT_EQ(store->errorMessage(), expected) << h.name;
        if (!before.isEmpty()) {
            EXPECT_EQ(readFile(hostile), before) << h.name;
        }
    }
    EXPECT_NE(readFile(first), firstBytes) << "the photo beside them is edited";
    EXPECT_TRUE(QFileInfo(f.path("A/S/IMG_4.jpg")).exists());
}

} // namespace
