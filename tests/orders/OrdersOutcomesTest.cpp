// What the orders screen's message line says after a batch, an undo or a print, with the order's folder
// watched as in the application and the event loop turning: the message names the photos that failed,
// stays while the batch's own writes come back from the folder watch, counts the photos as they are
// done, and says when the order's folder went away.
#include "OrdersFixture.h"

#include "orders/OrdersOutcome.h"
#include "orders/OrdersScreen.h"
#include "photo/PhotoEdits.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

using Outcome = OrdersOutcome::Failure;

QString names(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QStringLiteral("DSC_%1.JPG").arg(4600 + i);
    return out.join(QStringLiteral(", "));
}

struct Told
{
    const char* name;
    QList<Outcome> failures;
    OrdersOutcome::Work work;
    std::optional<OrdersOutcome::GoneFolder> gone;
    std::optional<QString> message;
    QString details;
    friend void PrintTo(const Told& c, std::ostream* os) { *os << c.name; }
};

class OutcomeTexts : public testing::TestWithParam<Told>
{
};

TEST_P(OutcomeTexts, NameThePhotosWithTheirReasons)
{
    const Told& c = GetParam();
    const OrdersOutcome::Text text = OrdersOutcome::describe(c.failures, c.work, c.gone);
    EXPECT_EQ(text.message, c.message);
    EXPECT_EQ(text.details, c.details);
}

const QString unreadable = QStringLiteral("Impossible de lire cette photo.");
const QString gone = QStringLiteral("Le fichier ou le dossier est introuvable.");

QList<Outcome> many(int count)
{
    QList<Outcome> out;
    for (int i = 0; i < count; ++i)
        out.append({ QStringLiteral("/c/S/DSC_%1.JPG").arg(4600 + i), unreadable, true });
    return out;
}

QString manyDetails(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("DSC_%1.JPG : impossible de lire cette photo.").arg(4600 + i);
    return lines.join(u'\n');
}

INSTANTIATE_TEST_SUITE_P(Orders, OutcomeTexts,
    testing::Values(Told { "None", {}, OrdersOutcome::Work::edit, {}, std::nullopt, {} },
        Told { "One", { { "/c/S/DSC_4512.JPG", unreadable, true } }, OrdersOutcome::Work::edit, {},
            QStringLiteral("DSC_4512.JPG : impossible de lire cette photo."),
            QStringLiteral("DSC_4512.JPG : impossible de lire cette photo.") },
        Told { "Three",
            { { "/c/S/DSC_4512.JPG", unreadable, true }, { "/c/S/DSC_4513.NEF", unreadable, true },
                { "/c/S/DSC_4520.JPG", gone, true } },
            OrdersOutcome::Work::edit, {},
            QStringLiteral("3 photos n’ont pas été modifiées : DSC_4512.JPG, DSC_4513.NEF, DSC_4520.JPG"),
            QStringLiteral(
                "DSC_4512.JPG : impossible de lire cette photo.\nDSC_4513.NEF : impossible de lire "
                "cette photo.\nDSC_4520.JPG : le fichier ou le dossier est introuvable.") },
        // 7 names of 12 characters and their commas fill the 100 characters; the others are "…".
        Told { "TooManyToName", many(12), OrdersOutcome::Work::edit, {},
            QStringLiteral("12 photos n’ont pas été modifiées : ") + names(7) + QStringLiteral(", …"),
            manyDetails(12) },
        Told { "Printed", many(2), OrdersOutcome::Work::print, {},
            QStringLiteral("2 photos n’ont pas été imprimées : DSC_4600.JPG, DSC_4601.JPG"), manyDetails(2) },
        Told { "TheWatermarksFault",
            { { "/c/S/A.JPG", "Impossible de lire le fichier filigrane « Logo.png ».", false },
                { "/c/S/B.JPG", "Impossible de lire le fichier filigrane « Logo.png ».", false } },
            OrdersOutcome::Work::edit, {},
            QStringLiteral("Impossible de lire le fichier filigrane « Logo.png »."),
            QStringLiteral(
                "A.JPG : impossible de lire le fichier filigrane « Logo.png ».\nB.JPG : impossible "
                "de lire le fichier filigrane « Logo.png ».") },
        // Said once: the photo that failed before keeps its reason, the ones left undone share one line.
        Told { "TheFolderGone", many(1), OrdersOutcome::Work::edit,
            OrdersOutcome::GoneFolder { QStringLiteral("/media/usb/Commande"),
                { "/media/usb/Commande/S/DSC_4601.JPG", "/media/usb/Commande/S/DSC_4602.JPG" } },
            QStringLiteral(
                "Le dossier « Commande » n’est plus accessible : son disque a peut-être été débranché."),
            manyDetails(1)
                + QStringLiteral("\n2 photos n’ont pas été modifiées : DSC_4601.JPG, DSC_4602.JPG") },
        Told { "TheFolderGoneAtTheLastPhoto", {}, OrdersOutcome::Work::edit,
            OrdersOutcome::GoneFolder {
                QStringLiteral("/media/usb"), { "/media/usb/Commande/S/DSC_4602.JPG" } },
            QStringLiteral(
                "Le dossier « usb » n’est plus accessible : son disque a peut-être été débranché."),
            QStringLiteral("DSC_4602.JPG n’a pas été modifiée.") }),
    [](const auto& info) { return std::string(info.param.name); });

// A section of six good photos, one file that is no photo and one JPEG cut short, its order shown.
enum class Batch { retouch, watermark };

class BatchRun : public testing::Test
{
protected:
    OrdersFixture f;
    OrdersStore* store = nullptr;
    QStringList files;
    Batch batch = Batch::retouch;

    void SetUp() override
    {
        writeOrder(f.root, QStringLiteral("Commande"),
            { { QStringLiteral("IMPRESSION A5"),
                { "DSC_4501.JPG", "DSC_4502.JPG", "DSC_4503.JPG", "DSC_4504.JPG", "DSC_4505.JPG",
                    "DSC_4506.JPG", "DSC_4513.JPG", "DSC_4520.JPG" } } },
            QSize(320, 240));
        f.file(QStringLiteral("Commande/IMPRESSION A5/DSC_4512.JPG"), "pas une photo");
        truncateFile(f.path(QStringLiteral("Commande/IMPRESSION A5/DSC_4513.JPG")));
        store = &f.openOn(QStringLiteral("Commande"));
        store->addWatermark(writeWatermark(f.tmp.file(QStringLiteral("Logo.png"))));
        store->setRetouch(brighter());
        for (const OrderMedia& m : store->sections().first().files)
            files << m.url;
        ASSERT_EQ(files.size(), 9);
    }

    void start(const QStringList& photos)
    {
        if (batch == Batch::retouch)
            store->applyRetouch(photos);
        else
            store->applyWatermark(photos);
    }
    void finish()
    {
        if (batch == Batch::retouch) {
            ASSERT_TRUE(waitUntil([&] { return !store->isRetouching(); }, 60000));
        } else {
            ASSERT_TRUE(OrdersFixture::finishWatermark(*store));
        }
    }
    const OrdersStore::BatchProgress& progress() const
    {
        return batch == Batch::retouch ? store->retouchProgress() : store->watermarkProgress();
    }
};

std::string batchName(Batch b)
{
    return b == Batch::retouch ? "Retouch" : "Watermark";
}

class BatchOutcomes : public BatchRun, public testing::WithParamInterface<Batch>
{
    void SetUp() override
    {
        batch = GetParam();
        BatchRun::SetUp();
    }
};

// With one photo deleted just before the batch: the batch's own writes come back from the folder watch,
// and the message naming the three stays.
TEST_P(BatchOutcomes, NameEveryFailedPhotoCountThemAllAndStayWhileTheWatchReportsTheWrites)
{
    QList<int> counts;
    const auto counting = QObject::connect(store, &OrdersStore::batchProgressChanged, [&] {
        if (progress().total > 0) {
            EXPECT_EQ(progress().total, 9);
            counts << progress().done;
        }
    });
    QFile::remove(f.path(QStringLiteral("Commande/IMPRESSION A5/DSC_4520.JPG")));
    start(files);
    ASSERT_NO_FATAL_FAILURE(finish());

    const QString told
        = QStringLiteral("3 photos n’ont pas été modifiées : DSC_4512.JPG, DSC_4513.JPG, DSC_4520.JPG");
    EXPECT_EQ(store->errorMessage(), told);
    const QStringList details = store->errorDetails().split(u'\n');
    ASSERT_EQ(details.size(), 3);
    EXPECT_EQ(details[0], QStringLiteral("DSC_4512.JPG : impossible de lire cette photo."));
    EXPECT_EQ(details[1], QStringLiteral("DSC_4513.JPG : impossible de lire cette photo."));
    EXPECT_EQ(details[2],
        QStringLiteral(
            "DSC_4520.JPG : cette photo n’est plus dans son dossier : elle a été supprimée ou déplacée."));
    EXPECT_EQ(counts, (QList<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
    EXPECT_EQ(progress(), OrdersStore::BatchProgress {});
    QObject::disconnect(counting);

    // The writes of the six photos reach the watch and raise their revisions; the order is listed again
    // for the deleted photo; none of it clears the message.
    ASSERT_TRUE(waitUntil([&] { return store->isWatchSettled(); }));
    EXPECT_EQ(store->errorMessage(), told);
    EXPECT_EQ(store->sections().first().files.size(), 8);
    EXPECT_GE(store->fileRevision(files.first()), 1);

    // The next batch takes the line from its start (it would otherwise seem to have failed on those
    // photos already), and says what it did: everything went through.
    start({ files[0], files[1] });
    EXPECT_FALSE(store->errorMessage()) << store->errorMessage()->toStdString();
    EXPECT_TRUE(store->errorDetails().isEmpty());
    ASSERT_NO_FATAL_FAILURE(finish());
    EXPECT_FALSE(store->errorMessage());
    EXPECT_TRUE(store->errorDetails().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Orders, BatchOutcomes, testing::Values(Batch::retouch, Batch::watermark),
    [](const auto& info) { return batchName(info.param); });

// The order's folder goes while the second photo waits for its turn: moved away, or another folder
// made at its path (same device, another inode, as a disk unmounted leaves the folder it was mounted
// on). The message says it once, the tooltip names the photos left undone in one line, and nothing is
// written into the folder now at that path.
enum class Loss { movedAway, replaced };

class FolderGone : public BatchRun, public testing::WithParamInterface<std::tuple<Batch, Loss>>
{
    void SetUp() override
    {
        batch = std::get<0>(GetParam());
        BatchRun::SetUp();
    }
};

TEST_P(FolderGone, IsToldOnceAndNothingIsWrittenInTheFolderAtItsPath)
{
    const bool replaced = std::get<1>(GetParam()) == Loss::replaced;
    const QString order = f.path(QStringLiteral("Commande"));
    QList<int> counts;
    const QObject counting;
    QObject::connect(store, &OrdersStore::batchProgressChanged, &counting, [&] {
        if (progress().total > 0)
            counts << progress().done;
    });
    {
        HeldWrites turn(files[1]);
        start(files.mid(0, 4));
        ASSERT_TRUE(waitUntil([&] { return PhotoWriteQueue::shared().waiting(files[1]) == 1; }, 30000));
        ASSERT_TRUE(QDir().rename(order, f.tmp.file(QStringLiteral("Ailleurs"))));
        if (replaced) {
            ASSERT_TRUE(QDir().mkpath(order + QStringLiteral("/IMPRESSION A5")));
        }
    }
    ASSERT_NO_FATAL_FAILURE(finish());

    const QString gone = OrdersOutcome::goneFolderMessage(order);
    ASSERT_TRUE(store->errorMessage());
    EXPECT_EQ(store->errorMessage()->count(gone), 1) << store->errorMessage()->toStdString();
    EXPECT_EQ(store->errorDetails(),
        QStringLiteral("3 photos n’ont pas été modifiées : DSC_4502.JPG, DSC_4503.JPG, DSC_4504.JPG"));
    EXPECT_EQ(counts, (QList<int> { 0, 1, 2, 3, 4 })) << "the photos left undone are counted";
    if (replaced) {
        EXPECT_EQ(store->errorMessage(), gone) << "the order's listing of the folder there now says nothing";
        EXPECT_TRUE(entries(order + QStringLiteral("/IMPRESSION A5")).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, FolderGone,
    testing::Combine(
        testing::Values(Batch::retouch, Batch::watermark), testing::Values(Loss::movedAway, Loss::replaced)),
    [](const auto& info) {
        return batchName(std::get<0>(info.param))
            + (std::get<1>(info.param) == Loss::movedAway ? "MovedAway" : "Replaced");
    });

// An undo that fails names its photo; another photo's write, reported by the watch after the message,
// does not take it away.
TEST(UndoOutcome, AFailedUndoKeepsItsMessageWhileAnotherPhotosWriteIsReported)
{
    OrdersFixture f;
    writeOrder(
        f.root, QStringLiteral("Commande"), { { QStringLiteral("S"), { "IMG_0001.jpg", "IMG_0002.jpg" } } });
    const QString other = f.path(QStringLiteral("Commande/S/IMG_0001.jpg"));
    const QString blocked = f.path(QStringLiteral("Commande/S/IMG_0002.jpg"));
    OrdersStore& store = f.openOn(QStringLiteral("Commande"));
    UserDefaults defaults(f.tmp.file(QStringLiteral("defaults.json")));
    OrdersScreen screen(store, defaults);
    // The photo's place is taken by a folder: its original cannot go back.
    PhotoOriginals::ensureBackup(blocked);
    QFile::remove(blocked);
    f.file(QStringLiteral("Commande/S/IMG_0002.jpg/inside"), "x");
    ASSERT_TRUE(waitUntil([&] { return store.isWatchSettled(); })); // the listing that follows is over

    QFuture<void> undo = screen.undoEdits(blocked);
    ASSERT_TRUE(waitUntil([&] { return undo.isFinished(); }, 20000));
    ASSERT_TRUE(store.errorMessage());
    const QString told = *store.errorMessage();
    EXPECT_TRUE(told.startsWith(QStringLiteral("IMG_0002.jpg : "))) << told.toStdString();

    // The application writes another photo of the order (as a batch or the editor does): its folder
    // events arrive after the message.
    PhotoEdits::applyRetouch(other, brighter(), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return store.fileRevision(other) >= 1; }));
    ASSERT_TRUE(waitUntil([&] { return store.isWatchSettled(); }));
    EXPECT_EQ(store.errorMessage(), told);

    // Choosing another order is a new start.
    f.folder(QStringLiteral("Autre"));
    store.reload();
    EXPECT_EQ(store.errorMessage(), told) << "listing again keeps it";
    screen.selectFolder(f.path(QStringLiteral("Autre")));
    EXPECT_FALSE(store.errorMessage());
}

// A listing that fails shows its own message above the batch's; one that succeeds takes only its own
// away.
TEST(ListingOutcome, AFailedListingShowsItsMessageAndASuccessfulOneLeavesTheBatchs)
{
    OrdersFixture f;
    writeOrder(f.root, QStringLiteral("Commande"), { { QStringLiteral("S"), { "IMG_0001.jpg" } } });
    OrdersStore& store = f.openOn(QStringLiteral("Commande"));
    store.setErrorMessage(
        QStringLiteral("IMG_0009.jpg : impossible de lire cette photo."), QStringLiteral("x"));
    const QString away = f.tmp.file(QStringLiteral("Ailleurs"));
    ASSERT_TRUE(QDir().rename(f.path(QStringLiteral("Commande")), away));
    ASSERT_TRUE(waitUntil([&] { return store.errorMessage()->contains(u'\n'); }));
    EXPECT_EQ(store.errorMessage(),
        QStringLiteral(
            "Impossible de lire le dossier « Commande » : Le fichier ou le dossier est introuvable.\n"
            "IMG_0009.jpg : impossible de lire cette photo."));
    EXPECT_EQ(store.errorDetails(), QStringLiteral("x"));
    ASSERT_TRUE(QDir().rename(away, f.path(QStringLiteral("Commande"))));
    store.reload();
    EXPECT_EQ(store.errorMessage(), QStringLiteral("IMG_0009.jpg : impossible de lire cette photo."));
}

// A print that left pages blank names their photos; one that printed everything says nothing.
TEST(PrintOutcome, PagesLeftBlankAreNamedAndThePrintedPhotosDelivered)
{
    OrdersFixture f;
    OrdersStore& store = f.open();
    const QString a = f.path(QStringLiteral("C/S/A.jpg"));
    const QString b = f.path(QStringLiteral("C/S/B.jpg"));
    store.notePrinted({ a }, { b });
    EXPECT_EQ(store.errorMessage(),
        QStringLiteral("B.jpg : impossible de lire cette photo : sa page est restée blanche."));
    EXPECT_TRUE(store.isDelivered(a));
    EXPECT_FALSE(store.isDelivered(b));
    store.notePrinted({ a, b }, {});
    EXPECT_FALSE(store.errorMessage());
    EXPECT_TRUE(store.isDelivered(b));
}

} // namespace
