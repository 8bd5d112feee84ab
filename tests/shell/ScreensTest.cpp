// The window with the application's real screens: the spreadsheet editor placed for the selected
// spreadsheet, the rider-folders screen in "Paniers", the programme browser opened by its notification,
// each over the real stores; and pictures of the whole window with real content.
#include "Contrast.h"
#include "Fakes.h"
#include "ScreenServices.h"
#include "common/SampleProgramme.h"

#include "orders/OrdersScreen.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrdersDetail.h"
#include "orders/views/OrdersView.h"
#include "photo/views/PhotoCropEditorView.h"
#include "shell/MainWindow.h"
#include "shell/OrdersStoreSource.h"
#include "shell/QuavelApplication.h"
#include "shell/RiderFoldersStoreSource.h"
#include "shell/RootController.h"
#include "shell/ScreenFactory.h"
#include "shell/WorkspaceStoreSource.h"
#include "ui/CapsuleMenu.h"
#include "ui/DesktopSettings.h"
#include "ui/LinkedGroup.h"
#include "ui/Notifications.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "workspace/PreviewRows.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"
#include "workspace/views/PreviewTableModel.h"
#include "workspace/views/PreviewTableView.h"
#include "workspace/views/ProgrammeBrowserView.h"
#include "workspace/views/RiderFoldersView.h"
#include "workspace/views/SummaryLabel.h"
#include "workspace/views/WorkspaceView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cmath>

using namespace quavel;
using namespace quavel::test;

namespace {

class Screens : public ::testing::Test
{
protected:
    LibraryFixture lib;
    TempFolder photos;
    TempFolder sorted;
    ScreenServices services { lib.folder.file(QStringLiteral("app")), lib.defaults };
    DesktopSettings desktop;
    std::unique_ptr<QuavelApplication> app;

    void SetUp() override
    {
        Symbols::installIconTheme();
        QDir().mkpath(lib.folder.file(QStringLiteral("app")));
        app = std::make_unique<QuavelApplication>(services, lib.defaults, desktop);
    }
    void TearDown() override
    {
        app.reset();
        QApplication::setPalette(Theme::palette(false));
    }
    MainWindow& window() { return app->window(); }
    RootController& root() { return app->root(); }
};

TEST_F(Screens, EachSectionShowsItsOwnScreenOverTheRealStores)
{
    LibraryStore& store = app->library();
    const auto day = store.addDay(QStringLiteral("Samedi"));
    const auto a = store.addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    const auto b = store.addSpreadsheet(day.id, QStringLiteral("Amateur 2"));
    window().show();

    root().showSection(WorkspaceSection::tableur);
    root().setSelectedSpreadsheetID(a.id);
    QPointer<WorkspaceView> first = qobject_cast<WorkspaceView*>(window().detail());
    ASSERT_TRUE(first);

    // Another spreadsheet gets a fresh editor; the old one is gone with its notifications.
    root().setSelectedSpreadsheetID(b.id);
    ASSERT_TRUE(waitUntil([&] { return first.isNull(); }));
    ASSERT_TRUE(qobject_cast<WorkspaceView*>(window().detail()));

    root().showSection(WorkspaceSection::commandes);
    ASSERT_TRUE(qobject_cast<OrdersView*>(window().pane()));
    EXPECT_EQ(&qobject_cast<OrdersView*>(window().pane())->store(), services.orders);

    root().showSection(WorkspaceSection::paniers);
    ASSERT_TRUE(qobject_cast<RiderFoldersView*>(window().pane()));
    EXPECT_FALSE(window().detail());

    // The web-programme command opens the real browser; its import lands in the shown section's store.
    Notifications::instance().quavelImportProgrammeWeb();
    ASSERT_TRUE(waitUntil([&] { return window().programmeBrowser() != nullptr; }));
    EXPECT_TRUE(qobject_cast<ProgrammeBrowserView*>(window().programmeBrowser()));
    root().ingestWebProgramme(sampleProgramme());
    EXPECT_EQ(services.riderFolders->programmeName(), QStringLiteral("Programme CSO Fontainebleau.pdf"));
    EXPECT_FALSE(services.workspace->programme());
    ASSERT_TRUE(waitUntil([&] { return window().programmeBrowser() == nullptr; }));
}

// A right click opens a row's menu and nothing else: the selection and the editor stay, through
// Escape too.

// The crop editor in the real window: the window's minimum height, through the menu bar, the section
// bar and the split, grows to make room for the editor and the gallery's first row, within the screen.
TEST_F(Screens, TheCropEditorGrowsTheWindowsMinimumWithinTheScreen)
{
    TempFolder orders;
    const QString order = orders.file(QStringLiteral("Commandes/DUPONT Marie"));
    QDir().mkpath(order + QStringLiteral("/IMPRESSION A5"));
    const QString photo = order + QStringLiteral("/IMPRESSION A5/IMG_0001.JPG");
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(QColor(80, 110, 150));
    ASSERT_TRUE(picture.save(photo, "JPEG"));
    services.orders->storeRoot(orders.file(QStringLiteral("Commandes")));
    window().show();
    root().showSection(WorkspaceSection::commandes);
    auto* view = qobject_cast<OrdersView*>(window().pane());
    ASSERT_TRUE(view);
    view->screen().selectFolder(order);
    QApplication::processEvents();
    const int closedMinimum = window().minimumSizeHint().height();

    view->screen().openCrop({ photo, false });
    for (int i = 0; i < 12; ++i)
        QApplication::processEvents();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget* editor = view->editor();
    ASSERT_TRUE(editor->isVisible());
    // The column keeps room for a row of the gallery and the editor's minimum; the window's other parts
    // may ask for more already.
    EXPECT_GE(window().minimumHeight(), closedMinimum);
    EXPECT_GE(view->detail()->minimumHeight(),
        int(std::ceil(OrdersDetailHeights::minimumColumn(view->detail()->room()))));
    EXPECT_LE(window().frameGeometry().height(), screen.height());
    EXPECT_GE(editor->height(), std::max(editor->minimumHeight(), editor->minimumSizeHint().height()));
    EXPECT_LE(editor->mapTo(&window(), QPoint(0, editor->height())).y(), window().height() + 1);
}
TEST_F(Screens, ARightClickOnASidebarRowOnlyOpensItsMenu)
{
    LibraryStore& store = app->library();
    const auto day = store.addDay(QStringLiteral("Samedi"));
    const auto a = store.addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    const auto b = store.addSpreadsheet(day.id, QStringLiteral("Amateur 2"));
    window().show();
    root().showSection(WorkspaceSection::tableur);
    root().setSelectedSpreadsheetID(a.id);
    QPointer<QWidget> editor = window().detail();
    ASSERT_TRUE(qobject_cast<WorkspaceView*>(editor));

    Sidebar* sidebar = window().sidebar();
    QWidget* row = sidebar->list()->itemWidget(sidebar->itemFor(b.id), 0);
    const QPoint at(60, row->height() / 2);
    QTest::mousePress(row, Qt::RightButton, {}, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, row->mapToGlobal(at));
    QApplication::sendEvent(row, &menuEvent);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->actions().first()->text() == QStringLiteral("Nouveau tableur"));
    QTest::keyClick(menu, Qt::Key_Escape);
    QTest::mouseRelease(row, Qt::RightButton, {}, at);
    QApplication::processEvents();
    EXPECT_FALSE(QApplication::activePopupWidget());
    EXPECT_EQ(root().selectedSpreadsheetID(), a.id);
    EXPECT_EQ(window().detail(), editor.data());
    EXPECT_TRUE(sidebar->list()->itemWidget(sidebar->itemFor(a.id), 0)->property("rowSelected").toBool());
}

// The sidebar keeps its width when the editor beside it is replaced: the selected spreadsheet
// deleted, the last one deleted, the width the user dragged it to.
TEST_F(Screens, TheSidebarKeepsItsWidthWhenTheEditorIsReplaced)
{
    LibraryStore& store = app->library();
    const auto day = store.addDay(QStringLiteral("Samedi"));
    const auto a = store.addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    const auto b = store.addSpreadsheet(day.id, QStringLiteral("Amateur 2"));
    const auto c = store.addSpreadsheet(day.id, QStringLiteral("Club 1"));
    window().resize(1180, 760);
    window().show();
    root().showSection(WorkspaceSection::tableur);
    root().setSelectedSpreadsheetID(a.id);
    QApplication::processEvents();
    Sidebar* sidebar = window().sidebar();
    EXPECT_EQ(sidebar->width(), 280);

    sidebar->deleteSpreadsheet(a.id);
    QApplication::processEvents();
    ASSERT_TRUE(root().selectedSpreadsheetID());
    EXPECT_EQ(sidebar->width(), 280);

    auto* split = qobject_cast<QSplitter*>(window().pane());
    ASSERT_TRUE(split);
    split->setSizes({ 312, split->width() - 312 });
    // QSplitter reports a drag as a move of the handle.
    QMetaObject::invokeMethod(split, "splitterMoved", Q_ARG(int, 312), Q_ARG(int, 1));
    sidebar->deleteSpreadsheet(*root().selectedSpreadsheetID());
    QApplication::processEvents();
    EXPECT_EQ(sidebar->width(), 312);
    sidebar->deleteSpreadsheet(*root().selectedSpreadsheetID());
    QApplication::processEvents();
    EXPECT_FALSE(root().selectedSpreadsheetID());
    EXPECT_TRUE(window().emptyDetail());
    EXPECT_EQ(sidebar->width(), 312);
    EXPECT_FALSE(store.snapshot().spreadsheet(b.id) || store.snapshot().spreadsheet(c.id));
}

TEST(MainWindowSize, OpensAtItsDefaultSizeWithinTheScreen)
{
    EXPECT_EQ(MainWindow::defaultSize(QSize(1920, 1080)), QSize(1180, 760));
    EXPECT_EQ(MainWindow::defaultSize(QSize(1280, 800)), QSize(1180, 752));
    EXPECT_EQ(MainWindow::defaultSize(QSize(1000, 700)), QSize(940, 658));
    EXPECT_EQ(MainWindow::defaultSize(QSize()), QSize(1180, 760));
}

// At the window's default size the editor's bar shows its titles, placeholders and guidance whole;
// on a narrower window it still lays out, cutting what it must.
TEST_F(Screens, TheEditorsBarFitsAtTheDefaultSize)
{
    LibraryStore& store = app->library();
    const auto day = store.addDay(QStringLiteral("Samedi"));
    const auto sheet = store.addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    window().resize(1180, 760);
    window().show();
    root().showSection(WorkspaceSection::tableur);
    root().setSelectedSpreadsheetID(sheet.id);
    // Changed titles reach the bar's layout through a few posted layout requests.
    const auto settle = [] {
        for (int i = 0; i < 4; ++i)
            QApplication::processEvents();
    };
    auto* editor = qobject_cast<WorkspaceView*>(window().detail());
    ASSERT_TRUE(editor);
    EXPECT_EQ(window().sidebar()->width(), 280);

    const auto value = [&](const char* name) {
        return editor->findChild<LinkedValue*>(QString::fromLatin1(name))->shownValue();
    };
    const auto menuWhole = [&](const char* name, const char* text) {
        auto* menu = editor->findChild<CapsuleMenu*>(QString::fromLatin1(name));
        return menu->shownText() == QString::fromUtf8(text) && menu->width() >= menu->sizeHint().width();
    };
    const auto summaryWhole = [&] {
        auto* summary = editor->findChild<SummaryLabel*>(QStringLiteral("summaryLine"));
        return summary->lines(summary->width()).join(u' ') == summary->fullText()
            && summary->lines(summary->width()).size() <= 2;
    };
    settle();
    EXPECT_EQ(value("sourceValue"), QStringLiteral("Dossier source"));
    EXPECT_EQ(value("destinationValue"), QStringLiteral("Dossier destination"));
    EXPECT_EQ(value("programmeValue"), QStringLiteral("PDF / Excel / page web"));
    EXPECT_TRUE(menuWhole("dayMenu", "Choisir un jour"));
    EXPECT_TRUE(menuWhole("eventMenu", "Choisir un jour"));
    EXPECT_EQ(editor->summaryLine(),
        QStringLiteral(
            "Importez le programme (fichier ou page internet), puis choisissez le jour et l’épreuve."));
    EXPECT_TRUE(summaryWhole());

    // A programme without a chosen day, then a day and a class of the sample.
    services.workspace->setProgramme(sampleProgramme());
    services.workspace->setProgrammeName(QStringLiteral("Programme.pdf"));
    settle();
    EXPECT_TRUE(menuWhole("eventMenu", "Choisir une épreuve"));
    EXPECT_TRUE(summaryWhole());
    EXPECT_EQ(value("programmeValue"), QStringLiteral("Programme.pdf"));
    const ProgrammeDay first = sampleProgramme().days.first();
    services.workspace->selectDay(first.name, sheet.id);
    services.workspace->selectEvent(first.events.last().id, sheet.id);
    settle();
    EXPECT_TRUE(menuWhole("dayMenu", first.name.toUtf8().constData()));
    EXPECT_TRUE(menuWhole("eventMenu", first.events.last().title.toUtf8().constData()));
    EXPECT_TRUE(summaryWhole());

    // Narrower: nothing overlaps and nothing leaves the editor; the summary takes a line of its own.
    window().resize(900, 700);
    settle();
    EXPECT_FALSE(editor->summaryBesideMenus());
    QList<QRect> placed;
    for (QWidget* w : editor->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible() || w == editor->table())
            continue;
        const QRect r = w->geometry();
        EXPECT_TRUE(editor->rect().contains(r)) << w->objectName().toStdString();
        for (const QRect& other : placed)
            EXPECT_FALSE(r.intersects(other)) << w->objectName().toStdString();
        placed.append(r);
    }
    // Wide: the summary stands beside the menus again.
    window().resize(1700, 800);
    settle();
    EXPECT_TRUE(editor->summaryBesideMenus());
    EXPECT_TRUE(summaryWhole());
}

// Every text on a coloured line, measured in the painted window over the backdrop, stands at 4.5:1
// at least against its line, in both appearances: the preview's duplicate and unmatched lines, the
// sidebar's selected row.
TEST_F(Screens, TextsOnColouredLinesAreReadable)
{
    LibraryStore& store = app->library();
    const auto day = store.addDay(QStringLiteral("Samedi"));
    const auto sheet = store.addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    for (int n = 3413; n < 3413 + 40 * 12 + 8; ++n)
        photos.write(QStringLiteral("IMG_%1.JPG").arg(n), "");
    for (const auto& [photo, bib] : sampleRows()) {
        const QList<RowRecord> rows = store.snapshot().spreadsheet(sheet.id)->rows;
        store.updateRow(sheet.id, rows.last().id, photo, bib);
    }
    WorkspaceStore& workspace = *services.workspace;
    workspace.setProgramme(sampleProgramme());
    workspace.selectDay(sampleProgramme().days.first().name, sheet.id);
    workspace.selectEvent(sampleProgramme().days.first().events.last().id, sheet.id);
    workspace.storeFolder(photos.path(), WorkspaceStore::FolderKind::source, sheet.id);
    window().resize(1180, 760);
    window().show();
    root().showSection(WorkspaceSection::tableur);
    root().setSelectedSpreadsheetID(sheet.id);
    auto* editor = qobject_cast<WorkspaceView*>(window().detail());
    ASSERT_TRUE(editor);
    ASSERT_TRUE(waitUntil([&] { return !editor->groups().isEmpty(); }));

    for (AppearancePreference appearance : { AppearancePreference::light, AppearancePreference::dark }) {
        store.setAppearance(appearance);
        QApplication::processEvents();
        const QImage picture = window().grab().toImage();
        PreviewTableView* table = editor->table();
        int measured = 0;
        for (int row = 0; row < editor->model()->rowCount(); ++row) {
            if (PreviewRows::lineStatus(editor->model()->line(row)) == PreviewRows::LineStatus::clear)
                continue;
            for (int column : { PreviewTableModel::photo, PreviewTableModel::assigned,
                     PreviewTableModel::lastName, PreviewTableModel::firstName, PreviewTableModel::photos }) {
                QRect cell = table->visualRect(editor->model()->index(row, column));
                if (!table->viewport()->rect().contains(cell))
                    continue;
                cell.moveTopLeft(table->viewport()->mapTo(&window(), cell.topLeft()));
                EXPECT_GE(inkContrast(picture, cell.adjusted(0, 2, 0, -2)), 4.5)
                    << Appearance::rawValue(appearance).toStdString() << " line " << row << " column "
                    << column;
                ++measured;
            }
        }
        EXPECT_GE(measured, 10);
        // The selected spreadsheet's row of the sidebar, on the accent.
        Sidebar* sidebar = window().sidebar();
        QWidget* selected = sidebar->list()->itemWidget(sidebar->itemFor(sheet.id), 0);
        for (const char* name : { "spreadsheetTitle", "spreadsheetCount" }) {
            auto* label = selected->findChild<QWidget*>(QString::fromLatin1(name));
            const QRect area(label->mapTo(&window(), QPoint(0, 0)), label->size());
            EXPECT_GE(inkContrast(picture, area), 4.5)
                << Appearance::rawValue(appearance).toStdString() << " " << name;
        }
    }
}

TEST_F(Screens, WindowPicturesWithRealContent)
{
    LibraryStore& store = app->library();
    const auto day = store.addDay(QStringLiteral("Samedi 12 septembre 2026"));
    const auto sheet = store.addSpreadsheet(day.id, QStringLiteral("Grand Prix 1,40 m"));
    store.addSpreadsheet(day.id, QStringLiteral("Amateur 1"));

    // 40 rows of twelve photos each: one bib missing from the start list, one typed twice, one named by
    // hand.
    for (int n = 3413; n < 3413 + 40 * 12 + 8; ++n)
        photos.write(QStringLiteral("IMG_%1.JPG").arg(n), "");
    for (const auto& [photo, bib] : sampleRows()) {
        const QList<RowRecord> rows = store.snapshot().spreadsheet(sheet.id)->rows;
        store.updateRow(sheet.id, rows.last().id, photo, bib);
    }
    WorkspaceStore& workspace = *services.workspace;
    workspace.setProgramme(sampleProgramme());
    workspace.setProgrammeName(QStringLiteral("Programme CSO Fontainebleau.pdf"));
    workspace.selectDay(sampleProgramme().days.first().name, sheet.id);
    workspace.selectEvent(sampleProgramme().days.first().events.last().id, sheet.id);
    workspace.setManualRider(
        sheet.id, QStringLiteral("501"), QStringLiteral("Leblanc"), QStringLiteral("Sophie"));
    workspace.storeFolder(photos.path(), WorkspaceStore::FolderKind::source, sheet.id);
    workspace.storeFolder(sorted.path(), WorkspaceStore::FolderKind::destination, sheet.id);

    RiderFoldersStore& riders = *services.riderFolders;
    riders.setProgramme(sampleProgramme());
    riders.setProgrammeName(QStringLiteral("Programme CSO Fontainebleau.pdf"));
    riders.storeDestination(sorted.path());

    // An orders folder with two orders; the first is shown with its prints and a number jump.
    TempFolder orders;
    QDir().mkpath(orders.file(QStringLiteral("Commandes 2026/DUPONT Marie/IMPRESSION A5")));
    QDir().mkpath(orders.file(QStringLiteral("Commandes 2026/MARTIN Lucas")));
    for (int n : { 3413, 3414, 3416, 3430, 3431 }) {
        QImage photo(120, 80, QImage::Format_RGB32);
        photo.fill(QColor(60 + (n % 7) * 20, 110, 150));
        ASSERT_TRUE(photo.save(
            orders.file(QStringLiteral("Commandes 2026/DUPONT Marie/IMPRESSION A5/IMG_%1.JPG").arg(n)),
            "JPEG"));
    }
    services.orders->storeRoot(orders.file(QStringLiteral("Commandes 2026")));

    window().resize(1180, 760);
    window().show();
    for (AppearancePreference appearance : { AppearancePreference::light, AppearancePreference::dark }) {
        store.setAppearance(appearance);
        const QString scheme = Appearance::rawValue(appearance);
        root().showSection(WorkspaceSection::tableur);
        root().setSelectedSpreadsheetID(sheet.id);
        auto* editor = qobject_cast<WorkspaceView*>(window().detail());
        ASSERT_TRUE(editor);
        ASSERT_TRUE(waitUntil([&] { return !editor->groups().isEmpty(); }));
        QApplication::processEvents();
        ASSERT_TRUE(window().grab().save(
            screenshotsFolder() + QStringLiteral("/screens-tableur-%1.png").arg(scheme)));
        root().showSection(WorkspaceSection::paniers);
        QApplication::processEvents();
        ASSERT_TRUE(window().grab().save(
            screenshotsFolder() + QStringLiteral("/screens-paniers-%1.png").arg(scheme)));
        root().showSection(WorkspaceSection::commandes);
        auto* commandes = qobject_cast<OrdersView*>(window().pane());
        ASSERT_TRUE(commandes);
        // The thumbnails come from the thumbnail worker.
        QTest::qWait(600);
        QApplication::processEvents();
        ASSERT_TRUE(window().grab().save(
            screenshotsFolder() + QStringLiteral("/screens-commandes-%1.png").arg(scheme)));
    }
    std::printf("screenshots in %s\n", qPrintable(screenshotsFolder()));
}

} // namespace
