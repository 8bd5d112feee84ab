// The inline crop editor under the gallery, on real photos with the real model and editor: opened from
// a cell, following plain clicks, closed by another order, given the watermark in use; each photo the
// editor writes (also the one it has just left) has its thumbnail refreshed, and a preset saved from it
// becomes the store's.
#include "OrdersViewFixture.h"
#include "TestDesktop.h"

#include "orders/views/OrderMediaTile.h"
#include "orders/views/OrdersFolderColumn.h"
#include "orders/views/OrdersSearchField.h"
#include "orders/views/OrdersWatermarkPicker.h"
#include "orders/views/WatermarkChoiceRow.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoOriginals.h"
#include "photo/views/CropRetouchPanel.h"
#include "photo/views/PhotoCropEditorView.h"
#include "ui/CapsuleButton.h"

#include <QLineEdit>
#include <QScrollArea>
#include <QStyleHints>
#include <QTest>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct Editor : public ::testing::Test
{
    OrdersViewFixture f;
    QString a, b, clip;

    void SetUp() override
    {
        a = f.photo(
            QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"), QColor(200, 60, 40), QSize(300, 200));
        b = f.photo(
            QStringLiteral("Dupont/IMPRESSION A5/IMG_0002.jpg"), QColor(40, 80, 200), QSize(200, 300));
        clip = f.video(QStringLiteral("Dupont/IMPRESSION A5/IMG_0003.mp4"));
        f.folder(QStringLiteral("Martin"));
        f.openOn(QStringLiteral("Dupont"));
        f.show(QSize(1280, 900));
    }
    CropEditorModel& model() const { return f.view->screen().cropEditor(); }
    bool loaded(const QString& photo) const
    {
        return waitUntil([&] { return model().loadedURL() == photo && !model().preview().isNull(); }, 15000);
    }
};

TEST_F(Editor, OpensFromACellUnderTheGalleryAndFollowsPlainClicks)
{
    OrdersView& view = *f.view;
    EXPECT_FALSE(view.detail()->isEditorShown());
    EXPECT_FALSE(view.editor()->isVisible());
    OrderMediaCell* cell = f.gallery().cellFor(a);
    ASSERT_TRUE(cell);
    cell->cropButton()->click();
    EXPECT_TRUE(model().isOpen());
    EXPECT_EQ(model().fileURL(), a);
    EXPECT_EQ(view.screen().selection().selectedIDs(), QSet<QString> { a });
    settle();
    ASSERT_TRUE(view.editor()->isVisible());
    EXPECT_EQ(view.editor()->objectName(), "quavel-crop-editor");
    const OrdersDetailHeights heights = view.detail()->heights();
    ASSERT_TRUE(heights.editor);
    EXPECT_EQ(view.detail()->galleryScroll()->height(), int(std::lround(heights.gallery)));
    // The divider's point comes out of the editor: it ends with the column.
    EXPECT_EQ(view.editor()->height(), int(std::lround(*heights.editor)) - 1);
    EXPECT_EQ(view.editor()->y(), view.detail()->galleryScroll()->height() + 1);
    EXPECT_EQ(view.editor()->geometry().bottom(), view.detail()->height() - 1);
    ASSERT_TRUE(loaded(a));

    // With the editor open a plain click opens the photo clicked; a video is only selected.
    view.screen().click({ b, false }, { false, false });
    EXPECT_EQ(model().fileURL(), b);
    EXPECT_EQ(view.screen().selection().selectedIDs(), QSet<QString> { b });
    view.screen().click({ clip, true }, { false, false });
    EXPECT_EQ(model().fileURL(), b);
    EXPECT_EQ(view.screen().selection().selectedIDs(), QSet<QString> { clip });
    view.screen().click({ a, false }, { false, true });
    EXPECT_EQ(model().fileURL(), b) << "a Ctrl-click selects as usual";
    EXPECT_EQ(view.screen().selection().count(), 2);

    // The watermark chosen reaches the open editor at once.
    const QString logo = writeWatermark(f.tmp.file(QStringLiteral("Logo.png")), QSize(60, 20), Qt::white);
    const QString mark = writeWatermark(f.tmp.file(QStringLiteral("Marque.png")), QSize(60, 20), Qt::black);
    f.store->addWatermark(logo);
    f.store->addWatermark(mark);
    view.screen().syncCropWatermark();
    EXPECT_EQ(model().watermarkURL(), mark);
    view.folderColumn()->watermarkPicker()->rows()[0]->choiceButton()->click();
    EXPECT_EQ(model().watermarkURL(), logo);

    // Another order: no selection, the editor closed and gone from under the gallery.
    view.screen().selectFolder(f.path(QStringLiteral("Martin")));
    EXPECT_FALSE(model().isOpen());
    EXPECT_TRUE(view.screen().selection().isEmpty());
    settle();
    EXPECT_FALSE(view.editor()->isVisible());
    EXPECT_EQ(view.detail()->galleryScroll()->height(), view.detail()->height());
}

TEST_F(Editor, EveryPhotoWrittenHasItsThumbnailRefreshedAlsoTheOneJustLeft)
{
    OrdersView& view = *f.view;
    view.screen().openCrop({ a, false });
    ASSERT_TRUE(loaded(a));
    // A retouch of A, written once the sliders rest; B opened before that: A's look is written then,
    // and A (not B, which the editor shows now) is the thumbnail refreshed.
    PhotoRetouchSettings brighter;
    brighter.brightness = 40;
    model().setRetouchPreview(brighter);
    view.screen().openCrop({ b, false });
    ASSERT_TRUE(waitUntil([&] { return f.store->fileRevision(a) >= 1; }, 15000));
    EXPECT_TRUE(PhotoOriginals::hasBackup(a));
    EXPECT_EQ(f.store->fileRevision(b), 0);
    ASSERT_TRUE(loaded(b));

    // Validating B's crop writes B.
    const int before = f.store->fileRevision(b);
    view.editor()->confirmCrop();
    ASSERT_TRUE(waitUntil([&] { return f.store->fileRevision(b) > before; }, 15000));
    OrderMediaCell* cell = f.gallery().cellFor(b);
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->state().canUndo);
    ASSERT_TRUE(
        waitUntil([&] { return cell->shownKey() == b + u'-' + QString::number(f.store->fileRevision(b)); }));

    // Undoing B from its cell restores it and the editor shows it again as it was.
    ASSERT_TRUE(model().cropValidated());
    QFuture<void> undo = view.screen().undoEdits(b);
    ASSERT_TRUE(waitUntil([&] { return undo.isFinished(); }, 15000)) << "the restore runs in B's turn";
    EXPECT_FALSE(PhotoOriginals::hasBackup(b));
    EXPECT_TRUE(waitUntil([&] { return !model().cropValidated(); }, 15000)) << "the editor loaded B again";
    EXPECT_EQ(model().fileURL(), b);
}

TEST_F(Editor, APresetSavedFromTheEditorBecomesTheStoresAndIsWrittenOnce)
{
    OrdersView& view = *f.view;
    view.screen().openCrop({ a, false });
    ASSERT_TRUE(loaded(a));
    PhotoRetouchSettings look;
    look.contrast = 25;
    model().setRetouchPreview(look);
    QFile::remove(f.tmp.file(QStringLiteral("support/settings.json")));
    view.editor()->retouchPanel()->savePresetButton()->click();
    EXPECT_EQ(f.store->retouch().contrast, 25);
    EXPECT_EQ(view.editor()->preset(), f.store->retouch());
    EXPECT_EQ(OrdersStore(f.tmp.file(QStringLiteral("support"))).retouch().contrast, 25);
}

// Return typed in the orders' search while a photo is open in the editor searches, and validates nothing:
// the photo is not rewritten and the editor stays as it was.
TEST_F(Editor, ReturnInTheSearchFieldLeavesThePhotoAlone)
{
    f.view->screen().openCrop({ a, false });
    ASSERT_TRUE(loaded(a));
    const QByteArray pixels = readFile(a);
    QLineEdit* search = f.view->folderColumn()->searchField()->field();
    search->setFocus();
    ASSERT_TRUE(waitUntil([&] { return search->hasFocus(); }));
    QTest::keyClicks(search, QStringLiteral("dup"));
    QTest::keyClick(search, Qt::Key_Return);
    QTest::keyClick(search, Qt::Key_Escape);
    ASSERT_TRUE(waitForPhotoWork()); // a validation the keys started would have been written
    EXPECT_EQ(f.view->screen().folderQuery(), QStringLiteral("dup"));
    EXPECT_TRUE(model().isOpen());
    EXPECT_FALSE(model().cropValidated());
    EXPECT_EQ(readFile(a), pixels);
}

// With the editor open, a double click on another photo opens it (with its application) and leaves the
// editor on the photo it shows; a single click moves the editor once no second click can come.
TEST_F(Editor, ADoubleClickWithTheEditorOpenOnlyOpens)
{
    f.view->screen().openCrop({ a, false });
    ASSERT_TRUE(loaded(a));
    TestDesktop::shared().clearLaunches();
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    OrderMediaCell* cell = f.gallery().cellFor(b);
    ASSERT_TRUE(cell);
    // As the pointer gives it: a click, then the second press as a double click.
    QTest::mouseClick(cell->tile(), Qt::LeftButton, {}, QPoint(20, 100));
    QTest::mouseDClick(cell->tile(), Qt::LeftButton, {}, QPoint(20, 100));
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 1; }));
    EXPECT_EQ(TestDesktop::shared().launches(), QStringList { "visionneur|" + b });
    letTimePass(interval + 200); // past the double click: the editor stays where it was
    EXPECT_EQ(model().fileURL(), a);
    EXPECT_EQ(f.view->screen().selection().selectedIDs(), QSet<QString> { b });

    QTest::mouseClick(f.gallery().cellFor(b)->tile(), Qt::LeftButton, {}, QPoint(20, 100));
    EXPECT_EQ(f.view->screen().selection().selectedIDs(), QSet<QString> { b }); // at once
    EXPECT_TRUE(waitUntil([&] { return model().fileURL() == b; }, interval + 2000));
    EXPECT_EQ(TestDesktop::shared().launches().size(), 1);
}

} // namespace
