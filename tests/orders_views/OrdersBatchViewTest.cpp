// The batch edits from the orders screen on real photos through the real store and photo services: a
// section's retouch with its progress line, its disabled controls and its refreshed thumbnails, the
// editor's photo loaded again after it; the order's watermark; one photo's retouch from its cell.
#include "OrdersViewFixture.h"

#include "orders/views/OrderBatchRow.h"
#include "orders/views/OrderSectionBlock.h"
#include "orders/views/OrdersFolderColumn.h"
#include "orders/views/OrdersRetouchPicker.h"
#include "orders/views/OrdersWatermarkPicker.h"
#include "orders/views/WatermarkChoiceRow.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/imaging/ImageIO.h"
#include "ui/CapsuleButton.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct Batches : public ::testing::Test
{
    OrdersViewFixture f;
    QString a, b, c, clip;

    void SetUp() override
    {
        a = f.photo(QStringLiteral("Dupont/IMPRESSION A4/IMG_0001.jpg"), QColor(90, 90, 90), QSize(120, 80));
        b = f.photo(QStringLiteral("Dupont/IMPRESSION A4/IMG_0002.jpg"), QColor(90, 90, 90), QSize(120, 80));
        clip = f.video(QStringLiteral("Dupont/IMPRESSION A4/IMG_0003.mp4"));
        c = f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_0010.jpg"), QColor(90, 90, 90), QSize(80, 120));
        OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
        PhotoRetouchSettings brighter;
        brighter.brightness = 60;
        store.setRetouch(brighter);
    }
    int lightness(const QString& photo) const
    {
        OrderMediaCell* cell = f.gallery().cellFor(photo);
        return cell && !cell->image().isNull()
            ? cell->image().pixelColor(cell->image().rect().center()).lightness()
            : -1;
    }
};

TEST_F(Batches, ASectionsRetouchShowsItsProgressThenTheNewPicturesAndReloadsTheEditor)
{
    OrdersView& view = f.show();
    ASSERT_TRUE(f.waitForThumbnails());
    const int before = lightness(a);
    view.screen().openCrop({ a, false });
    CropEditorModel& model = view.screen().cropEditor();
    ASSERT_TRUE(waitUntil([&] { return model.loadedURL() == a && !model.preview().isNull(); }, 15000));
    EXPECT_TRUE(model.retouchSettings().isNeutral());

    OrderSectionBlock* prints = f.gallery().sectionBlocks().first();
    ASSERT_EQ(prints->section().name, "IMPRESSION A4");
    ASSERT_TRUE(prints->header()->retouchButton()->isEnabled());
    EXPECT_EQ(prints->header()->files().size(), 3);
    prints->header()->retouchButton()->click();
    // Running: the progress line, and no retouch can start.
    EXPECT_TRUE(f.store->isRetouching());
    EXPECT_TRUE(view.folderColumn()->progressLine()->isVisibleTo(&view));
    EXPECT_FALSE(view.folderColumn()->retouchPicker()->settingsButton()->isEnabled());
    EXPECT_FALSE(prints->header()->retouchButton()->isEnabled());
    EXPECT_FALSE(f.gallery().cellFor(b)->retouchButton()->isEnabled());

    ASSERT_TRUE(waitUntil([&] { return !f.store->isRetouching(); }, 30000));
    EXPECT_FALSE(view.folderColumn()->progressLine()->isVisibleTo(&view));
    EXPECT_TRUE(view.folderColumn()->retouchPicker()->settingsButton()->isEnabled());
    EXPECT_EQ(f.store->errorMessage(), std::nullopt);
    EXPECT_TRUE(PhotoOriginals::hasBackup(a));
    EXPECT_TRUE(PhotoOriginals::hasBackup(b));
    EXPECT_FALSE(PhotoOriginals::hasBackup(clip)) << "videos are left out";
    EXPECT_FALSE(PhotoOriginals::hasBackup(c)) << "another section";
    EXPECT_GE(f.store->fileRevision(a), 1); // the folder watch may report the writes as well
    EXPECT_EQ(f.store->fileRevision(c), 0);
    ASSERT_TRUE(f.waitForThumbnails());
    EXPECT_GT(lightness(a), before + 20) << "the cell shows the retouched photo";
    EXPECT_TRUE(f.gallery().cellFor(b)->state().canUndo);
    // The editor's photo was in the batch: the editor shows it with the retouch it now has.
    EXPECT_TRUE(waitUntil([&] { return model.retouchSettings() == f.store->retouch(); }, 15000));
    EXPECT_EQ(model.fileURL(), a);
}

TEST_F(Batches, TheOrdersWatermarkAndOnePhotosRetouchFromItsCell)
{
    f.defaults.setString(QStringLiteral("ordersGalleryLayout"), QStringLiteral("list"));
    OrdersView& view = f.show();
    OrderBatchRow* row = f.gallery().folderActions();
    ASSERT_TRUE(row);
    EXPECT_FALSE(row->watermarkButton()->isEnabled()) << "no watermark yet";
    f.store->addWatermark(writeWatermark(f.tmp.file(QStringLiteral("Logo.png")), QSize(60, 20), Qt::white));
    ASSERT_TRUE(row->watermarkButton()->isEnabled());
    row->watermarkButton()->click();
    // Running (its end reaches this thread through the event loop): its progress line, no second
    // watermark batch, no watermark taken off the list; the retouch stays available.
    EXPECT_TRUE(f.store->isWatermarking());
    EXPECT_TRUE(view.folderColumn()->watermarkProgressLine()->isVisibleTo(&view));
    EXPECT_FALSE(view.folderColumn()->progressLine()->isVisibleTo(&view));
    EXPECT_FALSE(row->watermarkButton()->isEnabled());
    EXPECT_TRUE(row->retouchButton()->isEnabled());
    ASSERT_FALSE(view.folderColumn()->watermarkPicker()->rows().isEmpty());
    EXPECT_FALSE(view.folderColumn()->watermarkPicker()->rows().first()->removeButton()->isEnabled());
    ASSERT_TRUE(OrdersFixture::finishWatermark(*f.store, 30000));
    EXPECT_FALSE(view.folderColumn()->watermarkProgressLine()->isVisibleTo(&view));
    EXPECT_TRUE(row->watermarkButton()->isEnabled());
    EXPECT_TRUE(view.folderColumn()->watermarkPicker()->rows().first()->removeButton()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor ends with the batch";
    EXPECT_EQ(f.store->errorMessage(), std::nullopt);
    for (const QString& photo : { a, b, c }) {
        EXPECT_TRUE(PhotoOriginals::hasBackup(photo)) << photo.toStdString();
        EXPECT_EQ(f.store->fileRevision(photo), 1);
    }
    EXPECT_EQ(f.store->fileRevision(clip), 0);

    // One photo retouched from its cell's capsule: that photo alone.
    view.screen().selectAll();
    const int revisionOfA = f.store->fileRevision(a);
    const int revisionOfB = f.store->fileRevision(b);
    f.gallery().cellFor(b)->retouchButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !f.store->isRetouching(); }, 30000));
    EXPECT_GT(f.store->fileRevision(b), revisionOfB);
    EXPECT_TRUE(PhotoEditMemory::load(b).current.retouch == f.store->retouch());
    EXPECT_FALSE(PhotoEditMemory::load(a).current.retouch == f.store->retouch()) << "that photo alone";
    EXPECT_GE(f.store->fileRevision(a), revisionOfA);
    EXPECT_EQ(view.screen().selection().count(), 4) << "the selection is left as it was";
}

// A batch over the photo the editor shows keeps what the editor did and is kept when the editor closes:
// the editor's look written first, the batch's result the one the editor goes on with.
TEST_F(Batches, ABatchOverTheEditorsPhotoKeepsTheEditorsLookAndOutlivesItsClosing)
{
    OrdersView& view = f.show();
    ASSERT_TRUE(f.waitForThumbnails());
    const int before = lightness(b);
    f.store->addWatermark(writeWatermark(f.tmp.file(QStringLiteral("Logo.png")), QSize(60, 20), Qt::white));
    CropEditorModel& model = view.screen().cropEditor();
    view.screen().openCrop({ a, false });
    ASSERT_TRUE(waitUntil([&] { return model.loadedURL() == a && !model.preview().isNull(); }, 15000));
    PhotoRetouchSettings warmer;
    warmer.contrast = 20;
    model.setRetouchPreview(warmer); // its write still waits for the end of the burst

    // The watermark over the editor's section, the editor then closed at once.
    f.gallery().sectionBlocks().first()->header()->watermarkButton()->click();
    ASSERT_TRUE(OrdersFixture::finishWatermark(*f.store, 30000));
    EXPECT_EQ(f.store->errorMessage(), std::nullopt);
    // The editor's photo was in the batch: the editor shows it with the watermark it now has.
    EXPECT_TRUE(waitUntil([&] { return model.includeWatermark(); }, 15000));
    model.close();
    PhotoWriteQueue::shared().waitForAll();
    PhotoEditJournal journal = PhotoEditMemory::load(a);
    EXPECT_TRUE(journal.current.includeWatermark) << "closing the editor undid the watermark";
    EXPECT_EQ(journal.current.retouch, warmer) << "the batch lost the editor's retouch";
    const QImage written = ImageIO::decode(a)->toQImage();
    EXPECT_GT(qGray(written.pixel(written.width() / 2, written.height() - 3)), 200) << "the watermark went";

    // A section's retouch while the editor shows one of its photos, the editor closed while it runs.
    view.screen().openCrop({ b, false });
    ASSERT_TRUE(waitUntil([&] { return model.loadedURL() == b && !model.preview().isNull(); }, 15000));
    f.gallery().sectionBlocks().first()->header()->retouchButton()->click();
    ASSERT_TRUE(f.store->isRetouching());
    model.close();
    ASSERT_TRUE(waitUntil([&] { return !f.store->isRetouching(); }, 30000));
    PhotoWriteQueue::shared().waitForAll();
    journal = PhotoEditMemory::load(b);
    EXPECT_EQ(journal.current.retouch, f.store->retouch()) << "closing the editor undid the retouch";
    EXPECT_TRUE(journal.current.includeWatermark);
    ASSERT_TRUE(f.waitForThumbnails());
    EXPECT_GT(lightness(b), before + 20) << "the photo on disk is the retouched one";
}

} // namespace
