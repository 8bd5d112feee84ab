// The orders screen's state over a real orders tree and the real store: what changing the order or the
// root does to it, the folder selection, the layout kept in the user defaults, and undoing a photo's
// edits from its kept original.
#include "orders/OrdersScreen.h"
#include "OrdersFixture.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/UserDefaults.h"
#include "platform/imaging/ImageIO.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace quavel;
using namespace quavel::test;

namespace {

struct ScreenFixture : OrdersFixture
{
    UserDefaults defaults { tmp.file(QStringLiteral("defaults.json")) };

    ScreenFixture()
    {
        file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"));
        file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0002.jpg"));
        file(QStringLiteral("Dupont/IMPRESSION A4/IMG_0003.jpg"));
        file(QStringLiteral("Dupont/clip.mov"));
        file(QStringLiteral("Martin/IMG_0100.jpg"));
    }
};

QStringList names(const QList<OrderMedia>& files)
{
    QStringList n;
    for (const OrderMedia& m : files)
        n.append(m.url.section(u'/', -2));
    return n;
}

TEST(OrdersScreenState, FilesRunThroughTheSectionsAndAnotherOrderEmptiesTheSelection)
{
    ScreenFixture f;
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersScreen screen(store, f.defaults);
    // The loose files' section first, then the sub-folders by name.
    EXPECT_EQ(names(screen.allFiles()),
        (QStringList { "Dupont/clip.mov", "IMPRESSION A4/IMG_0003.jpg", "IMPRESSION A5/IMG_0001.jpg",
            "IMPRESSION A5/IMG_0002.jpg" }));
    screen.selectAll();
    EXPECT_EQ(screen.selection().count(), 4);

    QSignalSpy orderChanged(&screen, &OrdersScreen::orderChanged);
    QSignalSpy allFiles(&screen, &OrdersScreen::allFilesChanged);
    // The same folder chosen again re-lists it and keeps the selection.
    f.markSettings();
    screen.selectFolder(f.path(QStringLiteral("Dupont")));
    EXPECT_TRUE(f.settingsRewritten());
    EXPECT_EQ(orderChanged.count(), 0);
    EXPECT_EQ(screen.selection().count(), 4);

    screen.selectFolder(f.path(QStringLiteral("Martin")));
    EXPECT_EQ(orderChanged.count(), 1);
    EXPECT_TRUE(screen.selection().isEmpty());
    EXPECT_FALSE(screen.selection().lastClickedID());
    EXPECT_GE(allFiles.count(), 1);
    EXPECT_EQ(names(screen.allFiles()), QStringList { "Martin/IMG_0100.jpg" });

    // A path no listed folder has: nothing selected, saved, no sections.
    screen.selectFolder(f.path(QStringLiteral("Nobody")));
    EXPECT_EQ(store.selectedFolderID(), std::nullopt);
    EXPECT_TRUE(screen.allFiles().isEmpty());
    screen.selectAll();
    EXPECT_TRUE(screen.selection().isEmpty());
}

TEST(OrdersScreenState, AFileRemovedFromDiskStaysSelectedButIsNoSelectedMedium)
{
    ScreenFixture f;
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersScreen screen(store, f.defaults);
    screen.selectAll();
    QFile::remove(f.path(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg")));
    store.loadSections();
    EXPECT_EQ(screen.selection().count(), 4);
    EXPECT_EQ(screen.selectedMedia().size(), 3);
    // "Aperçu" takes the first selected file in gallery order.
    screen.previewSelection();
    EXPECT_EQ(screen.previewURL(), f.path(QStringLiteral("Dupont/clip.mov")));
}

TEST(OrdersScreenState, AnotherRootClearsTheSearch)
{
    ScreenFixture f;
    OrdersStore& store = f.openOn();
    OrdersScreen screen(store, f.defaults);
    screen.setFolderQuery(QStringLiteral("dup"));
    EXPECT_EQ(screen.filteredFolders().size(), 1);
    const QString other = f.folder(QStringLiteral("../Autres commandes"));
    store.storeRoot(other);
    EXPECT_EQ(screen.folderQuery(), QString());
}

TEST(OrdersScreenState, TheLayoutLivesInTheUserDefaultsAndAnUnknownOneShowsSections)
{
    ScreenFixture f;
    OrdersStore& store = f.openOn();
    {
        OrdersScreen screen(store, f.defaults);
        EXPECT_EQ(screen.galleryLayout(), OrdersGalleryLayout::sections);
        EXPECT_FALSE(f.defaults.contains("ordersGalleryLayout"));
        QSignalSpy changed(&screen, &OrdersScreen::galleryLayoutChanged);
        screen.setGalleryLayout(OrdersGalleryLayout::grid);
        EXPECT_EQ(changed.count(), 1);
    }
    UserDefaults reread(f.defaults.path());
    EXPECT_EQ(reread.string("ordersGalleryLayout"), "grid");

    f.defaults.setString("ordersGalleryLayout", "foo");
    OrdersScreen screen(store, f.defaults);
    EXPECT_EQ(screen.galleryLayout(), OrdersGalleryLayout::sections);
    EXPECT_EQ(f.defaults.string("ordersGalleryLayout"), "foo");
    // Picking the layout shown writes it.
    screen.setGalleryLayout(OrdersGalleryLayout::sections);
    EXPECT_EQ(f.defaults.string("ordersGalleryLayout"), "sections");
}

TEST(OrdersScreenState, UndoPutsTheOriginalBackAndAFailureIsShown)
{
    ScreenFixture f;
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersScreen screen(store, f.defaults);
    const QString photo = f.file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"), "original");
    PhotoOriginals::ensureBackup(photo);
    f.file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"), "edited");
    QSignalSpy restored(&screen, &OrdersScreen::photoRestored);

    // The restore runs in the photo's turn; the screen hears of its outcome on the event loop.
    const auto undone
        = [](QFuture<void> undo) { return waitUntil([&] { return undo.isFinished(); }, 15000); };
    ASSERT_TRUE(undone(screen.undoEdits(photo)));
    EXPECT_EQ(readFile(photo), "original");
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(store.fileRevision(photo), 1);
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    ASSERT_EQ(restored.count(), 1);
    EXPECT_EQ(restored.first().first().toString(), photo);
    // The menu no longer offers to undo.
    const auto menu = screen.fileMenu({ photo, false });
    EXPECT_TRUE(std::none_of(menu.cbegin(), menu.cend(),
        [](const OrderMenuItem& i) { return i.action == OrderMenuAction::undo; }));

    // A photo with no original: its pixels stay, no message.
    ASSERT_TRUE(undone(screen.undoEdits(photo)));
    EXPECT_EQ(readFile(photo), "original");
    EXPECT_EQ(store.errorMessage(), std::nullopt);

    // The photo's place is taken by a folder that holds a file: the original cannot go back.
    const QString blocked = f.file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0002.jpg"), "original");
    PhotoOriginals::ensureBackup(blocked);
    QFile::remove(blocked);
    f.file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0002.jpg/inside"), "x");
    ASSERT_TRUE(undone(screen.undoEdits(blocked)));
    ASSERT_TRUE(store.errorMessage());
    EXPECT_FALSE(store.errorMessage()->isEmpty());
    EXPECT_TRUE(PhotoOriginals::hasBackup(blocked));
    EXPECT_EQ(store.fileRevision(blocked), 0);
    EXPECT_EQ(restored.count(), 3); // the editor is asked to reload in every case
}

// The undo waits for a write of the same photo in its turn, not on the GUI thread: the call returns while
// that write still holds the turn, and the original is back once it has let go.
TEST(OrdersScreenState, UndoReturnsAtOnceWhileAWriteOfThePhotoHoldsItsTurn)
{
    ScreenFixture f;
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersScreen screen(store, f.defaults);
    const QString photo = f.file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0003.jpg"), "original");
    PhotoOriginals::ensureBackup(photo);
    f.file(QStringLiteral("Dupont/IMPRESSION A5/IMG_0003.jpg"), "edited");
    QSignalSpy restored(&screen, &OrdersScreen::photoRestored);

    // A batch's write of the photo, held until the undo has returned, or let go from elsewhere when it
    // has not within 10 s (so that an undo that waited for it on this thread still ends).
    QSemaphore gate;
    QSemaphore returned;
    std::atomic<bool> letGo = false;
    QFuture<PhotoWriteQueue::Result> batch
        = PhotoWriteQueue::shared().submit(photo, [&gate] { gate.acquire(); });
    std::thread releaser([&] {
        if (returned.tryAcquire(1, 10000))
            return;
        letGo = true;
        gate.release();
    });
    QFuture<void> undo = screen.undoEdits(photo);
    returned.release();
    releaser.join();
    EXPECT_FALSE(letGo) << "the undo waited for the batch's write";
    EXPECT_FALSE(undo.isFinished());
    EXPECT_EQ(readFile(photo), "edited");
    EXPECT_EQ(restored.count(), 0);

    if (!letGo)
        gate.release();
    EXPECT_TRUE(waitUntil([&] { return undo.isFinished(); }, 20000));
    EXPECT_EQ(readFile(photo), "original");
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(store.fileRevision(photo), 1);
    EXPECT_EQ(restored.count(), 1);
    batch.waitForFinished();
}

// A batch over the photo the crop editor shows, the editor closed right after the batch was asked for
// (the watermark's has run by then, the retouch's still runs): the editor's look goes into the batch, and
// what the batch wrote stays, on disk and in the journal. Closing writes no older look over it.
struct EditorBatch
{
    const char* name;
    bool watermark; // else the retouch batch
};

class EditorClosedOverABatch : public testing::TestWithParam<EditorBatch>
{
};

TEST_P(EditorClosedOverABatch, KeepsTheBatchsLook)
{
    OrdersFixture f;
    UserDefaults defaults(f.tmp.file(QStringLiteral("defaults.json")));
    const QString photo = f.photo(QStringLiteral("Durand/IMPRESSION A4/IMG_0001.jpg"), QColor(90, 90, 90));
    const QString other = f.photo(QStringLiteral("Durand/IMPRESSION A4/IMG_0002.jpg"), QColor(90, 90, 90));
    OrdersStore& store = f.openOn(QStringLiteral("Durand"));
    store.addWatermark(OrdersFixture::writeImage(f.tmp.file(QStringLiteral("Logo.png")), Qt::white, 60, 20));
    PhotoRetouchSettings brighter;
    brighter.brightness = 60;
    store.setRetouch(brighter);
    OrdersScreen screen(store, defaults);
    CropEditorModel& model = screen.cropEditor();
    screen.openCrop({ photo, false });
    ASSERT_TRUE(waitUntil([&] { return model.loadedURL() == photo && !model.preview().isNull(); }, 15000));
    PhotoRetouchSettings warmer;
    warmer.contrast = 20;
    model.setRetouchPreview(warmer); // its write still waits for the end of the burst

    if (GetParam().watermark) {
        screen.applyWatermark({ photo, other });
        model.close();
        ASSERT_TRUE(OrdersFixture::finishWatermark(store, 30000));
    } else {
        screen.applyRetouch({ photo, other });
        ASSERT_TRUE(store.isRetouching());
        model.close();
        ASSERT_TRUE(waitUntil([&] { return !store.isRetouching(); }, 30000));
    }
    PhotoWriteQueue::shared().waitForAll();
    ASSERT_TRUE(waitForPhotoWork()); // the writes' outcomes reach the GUI thread

    const PhotoEditJournal journal = PhotoEditMemory::load(photo);
    const QImage written = ImageIO::decode(photo)->toQImage();
    const int middle = qGray(written.pixel(written.width() / 2, written.height() / 4));
    if (GetParam().watermark) {
        EXPECT_TRUE(journal.current.includeWatermark) << "closing the editor undid the watermark";
        EXPECT_EQ(journal.current.retouch, warmer) << "the batch lost the editor's retouch";
        EXPECT_GT(qGray(written.pixel(written.width() / 2, written.height() - 3)), 200)
            << "the watermark went";
        EXPECT_LT(middle, 90) << "the editor's contrast is not on the photo";
    } else {
        EXPECT_EQ(journal.current.retouch, brighter) << "closing the editor undid the retouch";
        EXPECT_EQ(journal.history.last().retouch, warmer) << "the batch did not start from the editor's look";
        EXPECT_GT(middle, 90 + 8) << "the photo on disk is not the retouched one";
    }
    EXPECT_EQ(store.errorMessage(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Batches, EditorClosedOverABatch,
    testing::Values(EditorBatch { "watermark", true }, EditorBatch { "retouch", false }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
