// The orders screen over a real orders tree and the real store: its empty states, the enabled states of
// its controls, the folder list and its search, the watermark and retouch pickers, the layout picker
// and the keyboard shortcuts.
#include "OrdersViewFixture.h"

#include "orders/views/OrderBatchRow.h"
#include "orders/views/OrderDetailHeader.h"
#include "orders/views/OrderSectionBlock.h"
#include "orders/views/OrdersEmptyState.h"
#include "orders/views/OrdersFilesPanel.h"
#include "orders/views/OrdersFolderColumn.h"
#include "orders/views/OrdersRetouchPicker.h"
#include "orders/views/OrdersSearchField.h"
#include "orders/views/OrdersWatermarkPicker.h"
#include "orders/views/WatermarkChoiceRow.h"
#include "photo/views/PrintPhotosMenu.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMenu.h"
#include "ui/LinkedGroup.h"
#include "ui/PickButton.h"
#include "ui/SymbolButton.h"
#include "ui/ToneLabel.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

QStringList listed(QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

TEST(OrdersViewStates, BeforeAnyRootThenARootWithoutFoldersThenAnEmptyOrder)
{
    OrdersViewFixture f;
    f.openStore();
    OrdersView& view = f.show();
    OrdersFolderColumn& column = *view.folderColumn();
    EXPECT_EQ(column.rootButton()->text(), "Choisir");
    EXPECT_EQ(column.rootValue()->value(), "Dossier contenant les commandes");
    EXPECT_EQ(column.listMessage()->text(), "Choisissez d’abord le dossier d’où extraire les données.");
    EXPECT_EQ(view.detail()->face(), OrdersDetail::Face::noRoot);
    EXPECT_EQ(view.detail()->emptyState()->title(), "Choisissez un dossier");
    EXPECT_EQ(view.detail()->emptyState()->subtitle(),
        "Le bouton en haut de la colonne de gauche sert à indiquer le dossier d’où extraire les commandes.");

    // The root is chosen in the folder panel.
    QString title;
    const auto picking = whenPanelShows([&](QFileDialog* panel) {
        title = panel->windowTitle();
        EXPECT_EQ(panel->labelText(QFileDialog::Accept), "Choisir");
        acceptPanel(panel, f.root, true);
    });
    column.rootButton()->click();
    EXPECT_EQ(title, "Dossier des commandes");
    EXPECT_EQ(column.rootButton()->text(), "Changer");
    EXPECT_EQ(column.rootValue()->value(), "Commandes");
    EXPECT_EQ(column.listMessage()->text(), "Aucun dossier dans « Commandes ».");
    EXPECT_TRUE(column.listMessage()->isVisibleTo(&view));
    EXPECT_EQ(view.detail()->emptyState()->title(), "Aucune commande");

    // An order folder with nothing in it.
    f.folder(QStringLiteral("Vide"));
    f.store->reload();
    EXPECT_FALSE(column.listMessage()->isVisibleTo(&view));
    EXPECT_EQ(listed(column.folderList()), QStringList { "Vide" });
    ASSERT_EQ(view.detail()->face(), OrdersDetail::Face::order);
    EXPECT_EQ(view.detail()->header()->nameLabel()->text(), "Vide");
    EXPECT_EQ(view.detail()->header()->summaryLabel()->text(), "Aucun contenu exploitable");
    EXPECT_TRUE(view.detail()->emptyOrderText()->isVisibleTo(&view));
    EXPECT_EQ(view.detail()->emptyOrderText()->text(),
        "Ce dossier ne contient pas de types (par exemple IMPRESSION A5) ni de photos ou vidéos.");
    EXPECT_EQ(
        view.detail()->header()->watermarkLabel()->text(), "Ajoutez un filigrane dans la colonne de gauche");
}

TEST(OrdersViewStates, EmptySectionsInEachLayout)
{
    OrdersViewFixture f;
    f.folder(QStringLiteral("Martin/IMPRESSION A4"));
    f.folder(QStringLiteral("Martin/IMPRESSION A5"));
    f.openOn(QStringLiteral("Martin"));
    OrdersView& view = f.show();
    OrdersGallery& gallery = f.gallery();
    ASSERT_EQ(gallery.sectionBlocks().size(), 2);
    for (OrderSectionBlock* block : gallery.sectionBlocks()) {
        EXPECT_TRUE(block->emptyText()->isVisibleTo(&view));
        EXPECT_EQ(block->emptyText()->text(), "Aucune photo ni vidéo");
        EXPECT_EQ(block->header()->countLabel()->text(), "0 fichier");
        EXPECT_FALSE(block->strip()->isVisibleTo(&view));
    }
    EXPECT_EQ(view.detail()->header()->summaryLabel()->text(), "2 types");

    for (OrdersGalleryLayout layout : { OrdersGalleryLayout::list, OrdersGalleryLayout::grid }) {
        view.screen().setGalleryLayout(layout);
        ASSERT_TRUE(gallery.folderActions());
        EXPECT_TRUE(gallery.sectionBlocks().isEmpty());
        EXPECT_TRUE(gallery.emptyText()->isVisibleTo(&view));
        EXPECT_EQ(gallery.folderActions()->countLabel()->text(), "0 fichier");
        EXPECT_FALSE(gallery.folderActions()->retouchButton()->isEnabled());
    }
}

TEST(OrdersViewStates, ControlsFollowTheSettingsTheWatermarksAndTheSelection)
{
    OrdersViewFixture f;
    f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg"));
    f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_0002.jpg"));
    f.video(QStringLiteral("Dupont/VIDEOS/clip.mp4"));
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();
    OrdersFilesPanel& files = *view.folderColumn()->filesPanel();
    auto blocks = f.gallery().sectionBlocks();
    ASSERT_EQ(blocks.size(), 2);
    OrderBatchRow& prints = *blocks[0]->header();
    OrderBatchRow& videos = *blocks[1]->header();

    // Neutral settings, no watermark, nothing selected.
    EXPECT_EQ(files.summary()->text(), "Aucun fichier sélectionné");
    EXPECT_FALSE(files.openWithButton()->isEnabled());
    EXPECT_FALSE(files.shareButton()->isEnabled());
    EXPECT_FALSE(files.previewButton()->isEnabled());
    EXPECT_FALSE(files.clearButton()->isEnabled());
    EXPECT_TRUE(files.allButton()->isEnabled());
    EXPECT_FALSE(files.printButton()->isEnabled()) << "no photo to print";
    EXPECT_EQ(files.printButton()->toolTip(), "Aucune photo à imprimer");
    EXPECT_FALSE(prints.retouchButton()->isEnabled());
    EXPECT_EQ(prints.retouchButton()->toolTip(), "Réglez d’abord la retouche dans le panneau de gauche");
    EXPECT_FALSE(prints.watermarkButton()->isEnabled());
    EXPECT_EQ(prints.watermarkButton()->toolTip(), "Choisissez d’abord un fichier filigrane");
    EXPECT_TRUE(prints.printButton()->isEnabled());
    EXPECT_EQ(
        prints.printButton()->toolTip(), "Imprimer toutes les photos de cette section en pleine résolution");
    // A section of videos alone: nothing to edit or print, and the count.
    EXPECT_FALSE(videos.printButton()->isEnabled());
    EXPECT_EQ(videos.countLabel()->text(), "1 fichier");
    for (OrderMediaCell* cell : f.cells()) {
        if (!cell->state().item.isVideo) {
            EXPECT_FALSE(cell->retouchButton()->isEnabled());
            EXPECT_EQ(
                cell->retouchButton()->toolTip(), "Réglez d’abord la retouche dans le panneau de gauche");
        }
    }

    // A retouch preset and a watermark.
    PhotoRetouchSettings retouch;
    retouch.brightness = 10;
    store.setRetouch(retouch);
    store.addWatermark(writeWatermark(f.tmp.file(QStringLiteral("logo.png")), QSize(40, 20), Qt::white));
    EXPECT_TRUE(prints.retouchButton()->isEnabled());
    EXPECT_EQ(prints.retouchButton()->toolTip(),
        "Appliquer les réglages de retouche à toutes les photos de cette section");
    EXPECT_TRUE(prints.watermarkButton()->isEnabled());
    EXPECT_FALSE(videos.retouchButton()->isEnabled());
    EXPECT_EQ(videos.retouchButton()->toolTip(),
        "Appliquer les réglages de retouche à toutes les photos de cette section");
    for (OrderMediaCell* cell : f.cells()) {
        if (!cell->state().item.isVideo) {
            EXPECT_TRUE(cell->retouchButton()->isEnabled());
        }
    }

    // One photo, then the video alone.
    view.screen().click({ f.path(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg")), false }, {});
    EXPECT_EQ(files.summary()->text(), "1 fichier sélectionné");
    EXPECT_TRUE(files.openWithButton()->isEnabled());
    EXPECT_TRUE(files.shareButton()->isEnabled());
    EXPECT_TRUE(files.printButton()->isEnabled());
    EXPECT_EQ(files.printMenu()->files(),
        QStringList { f.path(QStringLiteral("Dupont/IMPRESSION A5/IMG_0001.jpg")) });
    EXPECT_TRUE(files.clearButton()->isEnabled());
    view.screen().click({ f.path(QStringLiteral("Dupont/VIDEOS/clip.mp4")), true }, {});
    EXPECT_FALSE(files.printButton()->isEnabled());
    EXPECT_TRUE(files.shareButton()->isEnabled());
    files.allButton()->click();
    EXPECT_EQ(files.summary()->text(), "3 fichiers sélectionnés");
    EXPECT_EQ(
        view.detail()->header()->summaryLabel()->text(), "2 types · 3 fichiers · 3 fichiers sélectionnés");
    files.clearButton()->click();
    EXPECT_TRUE(view.screen().selection().isEmpty());
    EXPECT_FALSE(view.screen().selection().lastClickedID());
}

TEST(OrdersViewStates, FolderListSearchAndSelection)
{
    OrdersViewFixture f;
    for (const char* name : { "COMMANDE 12", "Commande été", "Dupont", "Martin" })
        f.folder(QString::fromUtf8(name));
    f.photo(QStringLiteral("Dupont/IMG_1.jpg"));
    f.photo(QStringLiteral("Martin/IMG_2.jpg"));
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();
    OrdersFolderColumn& column = *view.folderColumn();
    QListWidget* list = column.folderList();
    EXPECT_EQ(listed(list), (QStringList { "COMMANDE 12", "Commande été", "Dupont", "Martin" }));
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first()->text(), "Dupont");

    // The search ignores spaces around it, case and accents; the clear button shows for any text.
    QLineEdit* field = column.searchField()->field();
    QTest::keyClicks(field, QStringLiteral(" commande "));
    EXPECT_EQ(view.screen().folderQuery(), " commande ");
    EXPECT_EQ(listed(list), (QStringList { "COMMANDE 12", "Commande été" }));
    // The selected folder is hidden by the search and stays the order shown.
    EXPECT_EQ(store.selectedFolderID(), f.path(QStringLiteral("Dupont")));
    EXPECT_EQ(view.detail()->header()->nameLabel()->text(), "Dupont");
    field->setText(QStringLiteral("xyz"));
    EXPECT_EQ(column.listMessage()->text(), "Aucune commande ne correspond à « xyz ».");
    field->setText(QStringLiteral("   "));
    EXPECT_EQ(list->count(), 4);
    EXPECT_TRUE(column.searchField()->clearButton()->isVisibleTo(&view));
    column.searchField()->clearButton()->click();
    EXPECT_EQ(view.screen().folderQuery(), "");
    EXPECT_FALSE(column.searchField()->clearButton()->isVisibleTo(&view));

    // Choosing another order: the store selects it, the file selection empties.
    view.screen().selectAll();
    EXPECT_EQ(view.screen().selection().count(), 1);
    const QRect martin = list->visualItemRect(list->item(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, martin.center());
    EXPECT_EQ(store.selectedFolderID(), f.path(QStringLiteral("Martin")));
    EXPECT_TRUE(view.screen().selection().isEmpty());
    EXPECT_EQ(view.detail()->header()->nameLabel()->text(), "Martin");
    EXPECT_EQ(OrdersStore(f.tmp.file(QStringLiteral("support"))).selectedFolderID(),
        f.path(QStringLiteral("Martin")));

    // Another root clears the search.
    field->setText(QStringLiteral("mar"));
    store.storeRoot(f.folder(QStringLiteral("Martin")));
    EXPECT_EQ(field->text(), "");
}

// An order folder made in the root while the screen shows shows in the list, without leaving the
// screen; the order shown stays selected.
TEST(OrdersViewStates, AFolderMadeInTheRootShowsInTheList)
{
    OrdersViewFixture f;
    f.photo(QStringLiteral("Dupont/IMG_1.jpg"));
    f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();
    QListWidget* list = view.folderColumn()->folderList();
    ASSERT_EQ(listed(list), QStringList { "Dupont" });
    f.folder(QStringLiteral("Commande 13"));
    EXPECT_TRUE(waitUntil([&] { return listed(list) == QStringList({ "Commande 13", "Dupont" }); }, 2000));
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first()->text(), "Dupont");
}

TEST(OrdersViewStates, WatermarkPickerAddsChoosesAndRemoves)
{
    OrdersViewFixture f;
    f.openOn();
    OrdersView& view = f.show();
    OrdersWatermarkPicker& picker = *view.folderColumn()->watermarkPicker();
    EXPECT_EQ(picker.addButton()->text(), "Choisir");
    EXPECT_EQ(picker.value()->value(), "Aucun fichier filigrane");
    EXPECT_FALSE(picker.list()->isVisibleTo(&view));

    const QString logo
        = writeWatermark(f.tmp.file(QStringLiteral("marques/Logo.png")), QSize(64, 32), QColor(250, 0, 0));
    const auto picking = whenPanelShows([&](QFileDialog* panel) {
        EXPECT_EQ(panel->windowTitle(), "Fichier filigrane");
        acceptPanel(panel, logo, false);
    });
    picker.addButton()->click();
    ASSERT_EQ(f.store->watermarks().size(), 1);
    EXPECT_EQ(picker.addButton()->text(), "Ajouter");
    EXPECT_EQ(picker.value()->value(), "Logo.png");
    ASSERT_EQ(picker.rows().size(), 1);
    EXPECT_LE(picker.list()->maximumHeight(), 46);
    EXPECT_TRUE(picker.rows()[0]->isSelected());
    EXPECT_EQ(picker.rows()[0]->choiceButton()->toolTip(), "Filigrane actif");
    ASSERT_TRUE(waitUntil([&] { return !picker.rows()[0]->image().isNull(); }));
    const QColor thumb = picker.rows()[0]->image().pixelColor(2, 2);
    EXPECT_GT(thumb.red(), 200);
    EXPECT_LT(thumb.green(), 60);

    for (int i = 2; i <= 5; ++i)
        f.store->addWatermark(writeWatermark(
            f.tmp.file(QStringLiteral("marques/Marque %1.png").arg(i)), QSize(20, 20), Qt::gray));
    ASSERT_EQ(picker.rows().size(), 5);
    EXPECT_EQ(picker.list()->maximumHeight(), 168) << "three rows and a part of the fourth";
    EXPECT_EQ(picker.value()->value(), "Marque 5.png");
    EXPECT_EQ(view.detail()->header()->watermarkLabel()->text(), "Marque 5.png");
    // Clicking anywhere on a row's choice chooses it.
    QAbstractButton* second = picker.rows()[1]->choiceButton();
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(second->width() - 4, second->height() / 2));
    EXPECT_EQ(f.store->selectedWatermarkID(), f.store->watermarks()[1].id);
    EXPECT_TRUE(picker.rows()[1]->isSelected());
    EXPECT_FALSE(picker.rows()[4]->isSelected());
    EXPECT_EQ(picker.rows()[4]->choiceButton()->toolTip(), "Utiliser ce filigrane");

    // Removing the chosen one chooses the first of those left.
    picker.rows()[1]->removeButton()->click();
    settle();
    ASSERT_EQ(picker.rows().size(), 4);
    EXPECT_EQ(f.store->selectedWatermarkID(), f.store->watermarks()[0].id);
    EXPECT_TRUE(picker.rows()[0]->isSelected());
    EXPECT_EQ(picker.value()->value(), "Logo.png");
}

TEST(OrdersViewStates, TheRetouchPopoverEditsTheStoresPresetAndSavesIt)
{
    OrdersViewFixture f;
    f.photo(QStringLiteral("Dupont/IMG_1.jpg"));
    OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();
    OrdersRetouchPicker& picker = *view.folderColumn()->retouchPicker();
    EXPECT_EQ(picker.value()->value(), "Aucun réglage");
    EXPECT_EQ(picker.settingsButton()->toolTip(), "Choisir les réglages qui s’appliquent aux retouches");
    picker.settingsButton()->click();
    ASSERT_TRUE(picker.popover());
    EXPECT_TRUE(view.screen().showRetouchPopover());
    ASSERT_TRUE(waitUntil([&] { return picker.popover()->isVisible(); }));

    QFile::remove(f.tmp.file(QStringLiteral("support/settings.json")));
    PhotoRetouchSettings edited = store.retouch();
    edited.contrast = 15;
    picker.binding()->edit(edited);
    EXPECT_EQ(store.retouch().contrast, 15);
    EXPECT_NE(picker.value()->value(), "Aucun réglage");
    EXPECT_EQ(picker.value()->value(), store.retouch().summary());
    ASSERT_TRUE(QFile::exists(f.tmp.file(QStringLiteral("support/settings.json")))) << "saved on the change";
    EXPECT_EQ(OrdersStore(f.tmp.file(QStringLiteral("support"))).retouch().contrast, 15);
    // The cells can retouch now.
    for (OrderMediaCell* cell : f.cells())
        EXPECT_TRUE(cell->retouchButton()->isEnabled());

    picker.popover()->hide();
    ASSERT_TRUE(waitUntil([&] { return !view.screen().showRetouchPopover(); }));
    EXPECT_FALSE(picker.popover());
}

TEST(OrdersViewStates, TheLayoutPickerAndAStoredUnknownLayout)
{
    OrdersViewFixture f;
    f.photo(QStringLiteral("Dupont/IMPRESSION A5/IMG_1.jpg"));
    f.openOn(QStringLiteral("Dupont"));
    f.defaults.setString(QStringLiteral("ordersGalleryLayout"), QStringLiteral("foo"));
    OrdersView& view = f.show();
    CapsuleMenu* picker = view.detail()->header()->viewPicker();
    EXPECT_EQ(picker->text(), "Sections");
    EXPECT_EQ(picker->toolTip(), "Changer l’organisation des photos");
    EXPECT_EQ(f.gallery().sectionBlocks().size(), 1);
    EXPECT_EQ(f.defaults.string(QStringLiteral("ordersGalleryLayout")), "foo");
    QStringList entries;
    for (QAction* a : picker->items()->actions())
        entries.append(a->text());
    EXPECT_EQ(entries, (QStringList { "Sections", "Liste", "Grille" }));

    view.screen().click(view.screen().allFiles().first(), {});
    picker->items()->actions()[1]->trigger();
    settle();
    EXPECT_EQ(f.defaults.string(QStringLiteral("ordersGalleryLayout")), "list");
    EXPECT_EQ(picker->text(), "Liste");
    ASSERT_TRUE(f.gallery().layer());
    EXPECT_EQ(f.gallery().layer()->flow(), OrderCellLayer::Flow::list);
    ASSERT_EQ(f.cells().size(), 1);
    EXPECT_EQ(f.cells()[0]->kind(), OrderMediaCellKind::row);
    EXPECT_EQ(view.screen().selection().count(), 1) << "the selection stays";
    picker->items()->actions()[2]->trigger();
    settle();
    EXPECT_EQ(f.gallery().layer()->flow(), OrderCellLayer::Flow::grid);
    EXPECT_EQ(f.cells()[0]->kind(), OrderMediaCellKind::card);
    EXPECT_TRUE(f.cells()[0]->state().isSelected);
}

TEST(OrdersViewStates, CtrlASelectsEveryFileUnlessATextFieldHasTheFocus)
{
    OrdersViewFixture f;
    f.photo(QStringLiteral("Dupont/A/IMG_1.jpg"));
    f.photo(QStringLiteral("Dupont/B/IMG_2.jpg"));
    f.openOn(QStringLiteral("Dupont"));
    OrdersView& view = f.show();
    QApplication::setActiveWindow(f.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));

    QLineEdit* field = view.folderColumn()->searchField()->field();
    field->setFocus();
    field->setText(QStringLiteral("Dup"));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText(), "Dup");
    EXPECT_TRUE(view.screen().selection().isEmpty());

    view.detail()->setFocus();
    QTest::keyClick(view.detail(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.screen().selection().count(), 2);
    EXPECT_FALSE(view.screen().selection().lastClickedID());

    // No order shown: nothing to select.
    view.screen().clearSelection();
    view.screen().selectFolder(std::nullopt);
    QTest::keyClick(view.detail(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(view.screen().selection().isEmpty());
}

} // namespace
