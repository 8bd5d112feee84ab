// The gallery of the orders screen over a real orders tree: clicks and their selection rules through
// real mouse events, double clicks and the menus opening files with real desktop applications, the
// cells' thumbnails (lazy, recycled, never a stale picture), undo from a cell, and the quick preview.
#include "GalleryFixture.h"

#include "orders/views/OrderMediaTile.h"
#include "orders/views/OrderSectionBlock.h"
#include "orders/views/OrdersFilesPanel.h"
#include "orders/views/OrdersFolderColumn.h"
#include "photo/originals/PhotoOriginals.h"
#include "photo/views/PrintPhotosMenu.h"
#include "ui/CapsuleButton.h"
#include "ui/FusedCapsule.h"

#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST_F(Gallery, ClicksSelectRangesAndToggles)
{
    OrdersView& view = open();
    clickCell(cell("B.jpg"));
    EXPECT_EQ(selectedNames(view.screen()), QStringList { "B.jpg" });
    EXPECT_TRUE(cell("B.jpg")->state().isSelected);
    clickCell(cell("D.jpg"), Qt::ShiftModifier);
    EXPECT_EQ(selectedNames(view.screen()), (QStringList { "B.jpg", "C.jpg", "D.jpg" }));
    clickCell(cell("A.jpg"), Qt::ShiftModifier);
    EXPECT_EQ(selectedNames(view.screen()), (QStringList { "A.jpg", "B.jpg" }));
    clickCell(cell("E.mp4"), Qt::ControlModifier);
    EXPECT_EQ(selectedNames(view.screen()), (QStringList { "A.jpg", "B.jpg", "E.mp4" }));
    EXPECT_TRUE(cell("E.mp4")->state().isSelected);
    EXPECT_FALSE(cell("C.jpg")->state().isSelected);
    // A click on the name under a card selects nothing: only the tile takes clicks.
    QTest::mouseClick(cell("C.jpg"), Qt::LeftButton, {}, QPoint(20, OrderMediaCell::cardTileHeight + 14));
    EXPECT_EQ(view.screen().selection().count(), 3);
    clickCell(cell("C.jpg"));
    EXPECT_EQ(selectedNames(view.screen()), QStringList { "C.jpg" });
}

TEST_F(Gallery, ADoubleClickOpensTheSelectionItBelongsToWithTheRememberedApplication)
{
    OrdersView& view = open();
    f.store->rememberOpenWith(TestDesktop::shared().editor(), { file("A.jpg").url });
    clickCell(cell("A.jpg"));
    clickCell(cell("C.jpg"), Qt::ShiftModifier);
    // The double click's first click selects B alone; the double click opens the three.
    QTest::mouseDClick(cell("B.jpg")->tile(), Qt::LeftButton, {}, QPoint(20, 100));
    EXPECT_EQ(selectedNames(view.screen()), (QStringList { "A.jpg", "B.jpg", "C.jpg" }));
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 1; }));
    EXPECT_EQ(TestDesktop::shared().launches(),
        QStringList { "editeur|" + file("A.jpg").url + "|" + file("B.jpg").url + "|" + file("C.jpg").url });

    // An unselected file: selected alone, opened alone, with its default application (a video).
    TestDesktop::shared().clearLaunches();
    QTest::mouseDClick(cell("E.mp4")->tile(), Qt::LeftButton, {}, QPoint(20, 100));
    EXPECT_EQ(selectedNames(view.screen()), QStringList { "E.mp4" });
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 1; }));
    EXPECT_EQ(TestDesktop::shared().launches(), QStringList { "visionneur|" + file("E.mp4").url });
}

TEST_F(Gallery, ContextMenusActOnTheSelectionOrTheClickedFileAlone)
{
    OrdersView& view = open();
    clickCell(cell("A.jpg"));
    clickCell(cell("B.jpg"), Qt::ControlModifier);

    std::unique_ptr<QMenu> menu(OrderFileActions::fileMenu(view.screen(), file("B.jpg"), nullptr));
    EXPECT_EQ(titles(*menu),
        (QStringList { "Recadrer", "Retoucher", "Ajouter le filigrane", "—", "Imprimer",
            "Partager par AirDrop", "Ouvrir", "Choisir une application…" }));
    EXPECT_FALSE(entry(*menu, "Retoucher")->isEnabled()) << "neutral settings";
    ASSERT_TRUE(entry(*menu, "Imprimer")->menu());
    EXPECT_EQ(titles(*entry(*menu, "Imprimer")->menu()),
        (QStringList { "A5", "A4", "10 × 15 cm", "13 × 18 cm", "15 × 21 cm", "—", "Panneau d’impression…" }));
    // "Ouvrir" on a selected file: the whole selection, which stays.
    // Nothing remembered: each file opens in its default application, one after the other.
    entry(*menu, "Ouvrir")->trigger();
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 2; }));
    EXPECT_EQ(TestDesktop::shared().launches(),
        (QStringList { "visionneur|" + file("A.jpg").url, "visionneur|" + file("B.jpg").url }));
    EXPECT_EQ(view.screen().selection().count(), 2);

    // On an unselected file: that file alone; the selection is left as it was.
    TestDesktop::shared().clearLaunches();
    menu.reset(OrderFileActions::fileMenu(view.screen(), file("D.jpg"), nullptr));
    entry(*menu, "Ouvrir")->trigger();
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 1; }));
    EXPECT_EQ(TestDesktop::shared().launches(), QStringList { "visionneur|" + file("D.jpg").url });
    EXPECT_EQ(selectedNames(view.screen()), (QStringList { "A.jpg", "B.jpg" }));

    // "Choisir une application…": the application panel, then the files opened with it and remembered.
    TestDesktop::shared().clearLaunches();
    menu.reset(OrderFileActions::fileMenu(view.screen(), file("A.jpg"), nullptr));
    QString title;
    const auto picking = whenPanelShows([&](QFileDialog* panel) {
        title = panel->windowTitle();
        acceptPanel(panel, TestDesktop::shared().editor(), false);
    });
    entry(*menu, "Choisir une application…")->trigger();
    EXPECT_EQ(title, "Choisir une application");
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 1; }));
    EXPECT_EQ(TestDesktop::shared().launches(),
        QStringList { "editeur|" + file("A.jpg").url + "|" + file("B.jpg").url });
    EXPECT_EQ(f.store->openWithApps().value("jpg"), TestDesktop::shared().editor());

    // "Recadrer" makes the clicked file the only one selected; a video's menu shares and opens only.
    menu.reset(OrderFileActions::fileMenu(view.screen(), file("B.jpg"), nullptr));
    entry(*menu, "Recadrer")->trigger();
    EXPECT_EQ(selectedNames(view.screen()), QStringList { "B.jpg" });
    menu.reset(OrderFileActions::fileMenu(view.screen(), file("E.mp4"), nullptr));
    EXPECT_EQ(titles(*menu), (QStringList { "Partager par AirDrop", "Ouvrir", "Choisir une application…" }));
}

TEST_F(Gallery, TheOpenWithMenuRemembersAndChecksTheApplication)
{
    OrdersView& view = open();
    OrdersFilesPanel& panel = *view.folderColumn()->filesPanel();
    panel.fillOpenWithMenu();
    EXPECT_EQ(titles(*panel.openWithMenu()), QStringList { "Sélectionnez des fichiers" });
    EXPECT_FALSE(panel.openWithMenu()->actions()[0]->isEnabled());

    clickCell(cell("A.jpg"));
    panel.fillOpenWithMenu();
    EXPECT_EQ(titles(*panel.openWithMenu()),
        (QStringList { "Partager par AirDrop", "Ouvrir", "—", "Éditeur de photos", "Visionneuse", "—",
            "Choisir une autre application…" }));
    entry(*panel.openWithMenu(), "Éditeur de photos")->trigger();
    ASSERT_TRUE(waitUntil([] { return TestDesktop::shared().launches().size() == 1; }));
    EXPECT_EQ(TestDesktop::shared().launches(), QStringList { "editeur|" + file("A.jpg").url });

    // Another JPEG now shows the editor checked.
    clickCell(cell("C.jpg"));
    panel.fillOpenWithMenu();
    EXPECT_FALSE(entry(*panel.openWithMenu(), "Éditeur de photos")->icon().isNull());
    EXPECT_TRUE(entry(*panel.openWithMenu(), "Visionneuse")->icon().isNull());
    // A selection with a video: its type does not remember the editor.
    clickCell(cell("E.mp4"), Qt::ControlModifier);
    panel.fillOpenWithMenu();
    EXPECT_TRUE(entry(*panel.openWithMenu(), "Éditeur de photos")->icon().isNull());
}

TEST_F(Gallery, OnlyVisibleCellsExistAndThumbnailsLoadForThem)
{
    for (int i = 0; i < 300; ++i)
        f.photo(QStringLiteral("Grand/IMG_%1.jpg").arg(1000 + i, 4, 10, QChar(u'0')),
            QColor::fromHsv(i % 360, 200, 200), QSize(40, 30));
    f.defaults.setString(QStringLiteral("ordersGalleryLayout"), QStringLiteral("list"));
    f.openOn(QStringLiteral("Grand"));
    OrdersView& view = f.show(QSize(1000, 600));
    OrderCellLayer* layer = f.gallery().layer();
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->height(), 300 * OrderMediaCell::rowHeight + 299 * OrderCellLayer::listSpacing);
    EXPECT_LT(layer->cellCount(), 20) << "a cell only for what the window shows";
    ASSERT_TRUE(f.waitForThumbnails());
    for (OrderMediaCell* c : layer->boundCells())
        EXPECT_FALSE(c->image().isNull());
    const int made = layer->cellCount();

    QScrollBar* bar = view.detail()->galleryScroll()->verticalScrollBar();
    bar->setValue(bar->maximum());
    settle();
    const QString last = view.screen().allFiles().last().url;
    ASSERT_TRUE(layer->cellFor(last));
    EXPECT_FALSE(layer->cellFor(view.screen().allFiles().first().url));
    EXPECT_LE(layer->cellCount(), made + 2) << "cells are recycled";
    ASSERT_TRUE(f.waitForThumbnails());
    // The recycled cell shows its own file's picture.
    const QColor expected = QColor::fromHsv(299 % 360, 200, 200);
    const QImage& shown = layer->cellFor(last)->image();
    ASSERT_FALSE(shown.isNull());
    const QColor got = shown.pixelColor(1, 1);
    EXPECT_NEAR(got.hue(), expected.hue(), 12);
}

TEST_F(Gallery, ANewerRevisionReplacesThePictureAndAStaleResultIsDropped)
{
    OrdersView& view = open(OrdersGalleryLayout::list);
    ASSERT_TRUE(f.waitForThumbnails());
    OrderMediaCell* a = cell("A.jpg");
    EXPECT_GT(a->image().pixelColor(1, 1).red(), 200);
    EXPECT_EQ(a->shownKey(), file("A.jpg").url + "-0");

    // The photo changes on disk; until the store notes it, the cell keeps its picture.
    f.photo(QStringLiteral("Dupont/1 A5/A.jpg"), Qt::blue);
    f.store->noteEdited(file("A.jpg").url);
    EXPECT_EQ(a->thumbnailKey(), file("A.jpg").url + "-1");
    ASSERT_TRUE(waitUntil([&] { return a->shownKey() == file("A.jpg").url + "-1"; }));
    EXPECT_GT(a->image().pixelColor(1, 1).blue(), 200);

    // A cell rebound to another file before its thumbnail came: only the newest file's picture lands.
    MediaThumbnailer::cache().clear();
    OrderMediaCell probe(OrderMediaCellKind::row);
    OrderMediaCell::State s = f.gallery().stateFor(file("B.jpg"));
    probe.bind(s);
    probe.requestThumbnail();
    s = f.gallery().stateFor(file("C.jpg"));
    probe.bind(s);
    probe.requestThumbnail();
    ASSERT_TRUE(waitUntil([&] { return !probe.isLoadingThumbnail() && !probe.image().isNull(); }));
    ASSERT_TRUE(waitForPhotoWork()); // the older thumbnail has come back too
    EXPECT_EQ(probe.shownKey(), file("C.jpg").url + "-0");
    EXPECT_GT(probe.image().pixelColor(1, 1).blue(), 200);
    EXPECT_LT(probe.image().pixelColor(1, 1).green(), 80);
    (void)view;
}

TEST_F(Gallery, RowsCardsAndTheirCapsules)
{
    const QString longName
        = QStringLiteral("Photo de groupe avec toute l’équipe du Haras des Trois Chênes au complet, "
                         "les chevaux, les cavaliers, les grooms et les propriétaires réunis.jpg");
    f.photo(QStringLiteral("Dupont/") + longName);
    OrdersView& view = open(OrdersGalleryLayout::list);
    f.window->resize(760, 700);
    settle();
    OrderMediaCell* clip = cell("E.mp4");
    ASSERT_TRUE(clip);
    EXPECT_FALSE(clip->actionCapsule()->isVisibleTo(clip)) << "a video has no actions";
    OrderMediaCell* a = cell("A.jpg");
    EXPECT_TRUE(a->actionCapsule()->isVisibleTo(a));
    EXPECT_FALSE(a->undoButton()->isVisibleTo(a));
    EXPECT_EQ(a->cropButton()->toolTip(), "Recadrer");
    EXPECT_EQ(a->watermarkButton()->toolTip(), "Ajouter le filigrane sélectionné");
    EXPECT_EQ(a->printButton()->toolTip(), "Imprimer en pleine résolution");
    EXPECT_EQ(a->printMenu()->files(), QStringList { file("A.jpg").url });
    OrderMediaCell* group = cell(longName);
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->shownName().contains(QChar(0x2026)));
    EXPECT_TRUE(group->shownName().startsWith("Photo"));
    EXPECT_TRUE(group->shownName().endsWith(".jpg"));

    // A card's name takes two lines at most, cut in the middle.
    const QString cut
        = OrderMediaCell::elidedName(longName + longName, Fonts::font(Fonts::Style::caption), 240, 2);
    EXPECT_TRUE(cut.contains(QChar(0x2026)));
    EXPECT_TRUE(cut.endsWith(".jpg"));
    EXPECT_EQ(OrderMediaCell::elidedName("A.jpg", Fonts::font(Fonts::Style::caption), 240, 2), "A.jpg");

    // The crop button selects the photo alone (the editor opens once it is there).
    clickCell(cell("C.jpg"));
    a->cropButton()->click();
    EXPECT_EQ(selectedNames(view.screen()), QStringList { "A.jpg" });
}

TEST_F(Gallery, UndoFromTheCellPutsTheOriginalBack)
{
    OrdersView& view = open(OrdersGalleryLayout::list);
    const QString a = file("A.jpg").url;
    const QByteArray original = readFile(a);
    PhotoOriginals::ensureBackup(a);
    f.photo(QStringLiteral("Dupont/1 A5/A.jpg"), Qt::black);
    f.store->noteEdited(a);
    OrderMediaCell* c = cell("A.jpg");
    ASSERT_TRUE(c->undoButton()->isVisibleTo(c));
    std::unique_ptr<QMenu> menu(OrderFileActions::fileMenu(view.screen(), file("A.jpg"), nullptr));
    EXPECT_TRUE(entry(*menu, "Annuler les modifications"));

    QSignalSpy restored(&view.screen(), &OrdersScreen::photoRestored);
    c->undoButton()->click();
    // The restore runs in the photo's turn; the screen hears of it on the event loop.
    ASSERT_TRUE(restored.count() == 1 || restored.wait(15000));
    EXPECT_EQ(readFile(a), original);
    EXPECT_FALSE(c->undoButton()->isVisibleTo(c));
    EXPECT_GE(f.store->fileRevision(a), 2); // the folder watch may report the rewrites as well
    EXPECT_EQ(f.store->errorMessage(), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return c->shownKey() == a + "-" + QString::number(f.store->fileRevision(a)); }));
    EXPECT_GT(c->image().pixelColor(1, 1).red(), 200);
    menu.reset(OrderFileActions::fileMenu(view.screen(), file("A.jpg"), nullptr));
    EXPECT_FALSE(entry(*menu, "Annuler les modifications"));
}

TEST_F(Gallery, DeliveredBadgesAndTheQuickPreview)
{
    OrdersView& view = open();
    f.store->markDelivered({ file("B.jpg").url });
    EXPECT_TRUE(cell("B.jpg")->state().isDelivered);
    EXPECT_FALSE(cell("A.jpg")->state().isDelivered);

    // "Aperçu" shows the first selected file in gallery order.
    clickCell(cell("E.mp4"));
    clickCell(cell("B.jpg"), Qt::ControlModifier);
    view.folderColumn()->filesPanel()->previewButton()->click();
    ASSERT_TRUE(view.preview());
    EXPECT_EQ(view.preview()->path(), file("B.jpg").url);
    EXPECT_FALSE(view.preview()->isVideo());
    ASSERT_TRUE(waitUntil([&] { return !view.preview()->image().isNull(); }));
    EXPECT_EQ(view.screen().previewURL(), file("B.jpg").url);
    view.preview()->close();
    EXPECT_EQ(view.screen().previewURL(), std::nullopt);
    EXPECT_FALSE(view.preview()->isVisible());

    // A video: its first frame, with the play badge.
    view.screen().setPreviewURL(file("E.mp4").url);
    ASSERT_TRUE(view.preview());
    EXPECT_TRUE(view.preview()->isVideo());
    ASSERT_TRUE(waitUntil([&] { return !view.preview()->image().isNull(); }));
    EXPECT_TRUE(view.preview()->isVisible());
    QTest::keyClick(view.preview(), Qt::Key_Escape);
    EXPECT_EQ(view.screen().previewURL(), std::nullopt);
}

} // namespace
