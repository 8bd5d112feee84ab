// Start-up and lifetime: the stores' order, opened ".quavel" files, the phase changes, the menu and the
// section across a restart.
#include "Fakes.h"
#include "Fixtures.h"

#include "shell/MainWindow.h"
#include "shell/OpenHandler.h"
#include "shell/QuavelApplication.h"
#include "shell/RootController.h"
#include "shell/TerminationSignals.h"
#include "ui/DesktopSettings.h"
#include "ui/Notifications.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST(OpenHandlerRules, QueuesTransferFilesUntilAHandlerThenDrainsInOrder)
{
    OpenHandler handler;
    handler.open({ "/a/premier.quavel", "/a/notes.txt", "/a/SECOND.QUAVEL", "/a/sans-extension" });
    EXPECT_EQ(handler.pending(), (QStringList { "/a/premier.quavel", "/a/SECOND.QUAVEL" }));
    QStringList seen;
    handler.setHandler([&](const QString& p) { seen << p; });
    EXPECT_EQ(seen, (QStringList { "/a/premier.quavel", "/a/SECOND.QUAVEL" }));
    EXPECT_TRUE(handler.pending().isEmpty());
    handler.open({ "/a/troisieme.quavel" });
    EXPECT_EQ(seen.last(), QStringLiteral("/a/troisieme.quavel"));
    EXPECT_TRUE(handler.pending().isEmpty());
}

class ApplicationTest : public ::testing::Test
{
protected:
    TempFolder folder;
    UserDefaults defaults { folder.file(QStringLiteral("config/defaults.json")) };
    DesktopSettings desktop;
    std::unique_ptr<FakeServices> services;
    std::unique_ptr<QuavelApplication> app;

    void start()
    {
        app.reset();
        services = std::make_unique<FakeServices>(folder.file(QStringLiteral("data")), defaults);
        app = std::make_unique<QuavelApplication>(*services, defaults, desktop);
    }
    void SetUp() override { start(); }
    void TearDown() override { app.reset(); }
    void show()
    {
        app->window().show();
        QApplication::processEvents();
    }
    QAction* menuItem(const QString& name) { return app->window().menuBar()->findChild<QAction*>(name); }
};

TEST_F(ApplicationTest, CreatesTheStoresInOrder)
{
    EXPECT_EQ(services->journal,
        (QStringList { "make.library", "make.sync", "make.workspace", "make.riderFolders", "make.orders" }));
    EXPECT_TRUE(services->sync->calls.isEmpty());
}

TEST_F(ApplicationTest, FilesFromTheCommandLineAreImportedOnShowingInArrivalOrderWithTheAlert)
{
    const QString first = writeTransferFile(
        folder, QStringLiteral("a.quavel"), QStringLiteral("Samedi"), { QStringLiteral("GP") });
    const QString second
        = writeTransferFile(folder, QStringLiteral("b.QUAVEL"), QStringLiteral("Dimanche"), {});
    app->openFiles({ first, folder.write(QStringLiteral("c.txt"), "x"), second });
    EXPECT_EQ(app->openHandler().pending().size(), 2);
    EXPECT_TRUE(app->library().snapshot().days.isEmpty());
    show();
    EXPECT_TRUE(app->openHandler().pending().isEmpty());
    ASSERT_EQ(app->library().snapshot().days.size(), 2);
    EXPECT_EQ(app->library().snapshot().days[0].name, QStringLiteral("Samedi"));
    EXPECT_EQ(app->library().snapshot().days[1].name, QStringLiteral("Dimanche"));
    ASSERT_TRUE(app->window().importAlert());
    EXPECT_EQ(app->window().importAlert()->windowTitle(), QStringLiteral("AirDrop"));
    EXPECT_EQ(app->window().importAlert()->text(), QStringLiteral("Jour « Dimanche » importé"));
    // The imported spreadsheet stays selected: the second file holds none.
    EXPECT_EQ(app->root().selectedSpreadsheetID(), app->library().snapshot().spreadsheets.first().id);

    // While the window shows, a file goes in at once.
    const QString third = writeTransferFile(
        folder, QStringLiteral("d.quavel"), QStringLiteral("Lundi"), { QStringLiteral("Amateur") });
    app->openFiles({ third });
    EXPECT_EQ(app->library().snapshot().days.size(), 3);
    EXPECT_TRUE(app->openHandler().pending().isEmpty());
}

TEST_F(ApplicationTest, ShowingWiresTheLibraryAndStartsSync)
{
    show();
    EXPECT_EQ(services->sync->calls, QStringList { "start(false)" });
    ASSERT_TRUE(services->sync->receiver);
    LibrarySnapshot remote = LibrarySnapshot::empty();
    remote.days.append(
        { QUuid::createUuid(), QStringLiteral("Depuis l’iPhone"), QDateTime::currentDateTimeUtc(), 0 });
    services->sync->receiver(remote);
    EXPECT_EQ(app->library().snapshot().days.size(), 1);
}

TEST_F(ApplicationTest, PhaseChangesAreIgnoredUntilShownThenSaveAndRestartSync)
{
    app->applicationStateChanged(Qt::ApplicationInactive);
    app->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(services->journal.size(), 5);
    EXPECT_TRUE(services->sync->calls.isEmpty());
    show();
    // The activation that follows the first showing belongs to the launch.
    app->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(services->sync->calls, QStringList { "start(false)" });
    const auto day = app->library().addDay(QStringLiteral("J"));
    app->root().setSelectedDayID(day.id);
    app->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(services->journal.mid(5),
        (QStringList { "workspace.persist", "riderFolders.persist", "orders.persist" }));
    // The selection is on disk although the event loop has not run yet.
    EXPECT_TRUE(readFile(app->library().uiStateFilePath())
                    .contains(day.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()));
    const int sets = services->sync->receiverSets;
    app->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(services->sync->calls.last(), QStringLiteral("start(true)"));
    EXPECT_EQ(services->sync->receiverSets, sets + 1);
    app->applicationStateChanged(Qt::ApplicationHidden);
    EXPECT_EQ(services->journal.count(QStringLiteral("workspace.persist")), 2);
    EXPECT_EQ(services->journal.last(), QStringLiteral("orders.persist"));
}

// The window opens where and as large as it was left, maximised or not, at the next launch; the first
// launch, and a frame left on a screen that is gone, open at the default size.
TEST_F(ApplicationTest, TheWindowsFrameComesBackAtTheNextLaunch)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize first = MainWindow::defaultSize(screen.size());
    show();
    EXPECT_EQ(app->window().size(), first);
    EXPECT_FALSE(app->window().isMaximized());

    // Within the window's minimum size, which the "Tableur" split sets.
    const QRect moved(screen.x() + 30, screen.y() + 40, first.width() - 30, first.height() - 80);
    app->window().setGeometry(moved);
    QApplication::processEvents();
    ASSERT_EQ(app->window().geometry(), moved);
    app->flushStores(); // what leaving the application and quitting do
    start();
    show();
    EXPECT_EQ(app->window().geometry(), moved);
    EXPECT_FALSE(app->window().isMaximized());

    app->window().showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(app->window().isMaximized());
    app->flushStores();
    start();
    show();
    EXPECT_TRUE(app->window().isMaximized());
    // Back from maximised, the frame before it.
    app->window().showNormal();
    QApplication::processEvents();
    EXPECT_EQ(app->window().geometry(), moved);

    // A frame on a screen that is no longer there.
    defaults.setString(QStringLiteral("windowGeometry"), QStringLiteral("4000 3000 700 500 normal"));
    start();
    show();
    EXPECT_EQ(app->window().size(), first);
    EXPECT_TRUE(screen.contains(app->window().geometry().center()));
}

TEST_F(ApplicationTest, MenuCommandsPostTheirNotificationsWithCtrlShortcuts)
{
    struct Item
    {
        const char* name;
        QKeySequence keys;
    };
    const Item items[] = { { "quavelNewDay", QKeySequence(QStringLiteral("Ctrl+Shift+N")) },
        { "quavelNewSpreadsheet", QKeySequence(QStringLiteral("Ctrl+N")) },
        { "quavelShowPaniers", QKeySequence(QStringLiteral("Ctrl+1")) },
        { "quavelShowTableur", QKeySequence(QStringLiteral("Ctrl+2")) },
        { "quavelShowCommandes", QKeySequence(QStringLiteral("Ctrl+3")) },
        { "quavelImportProgramme", QKeySequence(QStringLiteral("Ctrl+O")) },
        { "quavelImportProgrammeWeb", QKeySequence(QStringLiteral("Ctrl+Shift+O")) } };
    QMenu* file = app->window().menuBar()->findChild<QMenu*>();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->title(), QStringLiteral("Fichier"));
    QStringList order;
    for (QAction* a : file->actions())
        if (!a->isSeparator())
            order << a->text();
    EXPECT_EQ(order,
        (QStringList { "Nouveau jour", "Nouveau tableur", "Paniers", "Tableur", "Commandes",
            "Importer le programme…", "Importer depuis une page internet…", "Quitter" }));
    for (const Item& item : items) {
        QAction* action = menuItem(QString::fromLatin1(item.name));
        ASSERT_TRUE(action) << item.name;
        EXPECT_EQ(action->shortcut(), item.keys) << item.name;
        QSignalSpy spy(&Notifications::instance(), (QByteArray("2") + item.name + "()").constData());
        action->trigger();
        EXPECT_EQ(spy.count(), 1) << item.name;
    }
}

TEST_F(ApplicationTest, SectionSurvivesARestartAndOnlyTheShownScreenExists)
{
    show();
    Notifications::instance().post(QStringLiteral("quavelShowPaniers"));
    QPointer<QWidget> riders = app->window().pane();
    ASSERT_TRUE(riders);
    EXPECT_EQ(riders->objectName(), QStringLiteral("fakeRiderFolders"));
    menuItem(QStringLiteral("quavelShowCommandes"))->trigger();
    EXPECT_FALSE(riders); // destroyed with its section
    EXPECT_EQ(app->window().pane()->objectName(), QStringLiteral("commandesPane"));
    start();
    show();
    EXPECT_EQ(app->root().shownSection(), WorkspaceSection::commandes);
    EXPECT_EQ(app->window().pane()->objectName(), QStringLiteral("commandesPane"));
}

TEST_F(ApplicationTest, NewSpreadsheetFromTheMenuWhileInCommandes)
{
    show();
    const auto day = app->library().addDay(QStringLiteral("Samedi"));
    app->root().setSelectedDayID(day.id);
    app->root().showSection(WorkspaceSection::commandes);
    menuItem(QStringLiteral("quavelNewSpreadsheet"))->trigger();
    EXPECT_EQ(app->root().shownSection(), WorkspaceSection::tableur);
    NamePrompt* prompt = app->window().newSheetPrompt();
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Nouveau tableur"));
    EXPECT_EQ(prompt->field()->placeholderText(), QStringLiteral("Nom du tableur"));
    QTest::keyClicks(prompt->field(), QStringLiteral("Grand Prix"));
    prompt->confirmButton()->click();
    ASSERT_EQ(app->library().snapshot().spreadsheets.size(), 1);
    EXPECT_EQ(app->library().snapshot().spreadsheets.first().dayID, day.id);
    EXPECT_FALSE(app->root().showNewSheet());
    QApplication::processEvents();
    EXPECT_TRUE(app->window().sidebar());
    EXPECT_FALSE(app->window().emptyDetail());
}

TEST_F(ApplicationTest, WebProgrammeFromTheFakeBrowserGoesToTheShownSection)
{
    show();
    app->root().showSection(WorkspaceSection::paniers);
    menuItem(QStringLiteral("quavelImportProgrammeWeb"))->trigger();
    ASSERT_EQ(services->views->browsersMade, 1);
    ASSERT_TRUE(app->window().programmeBrowser());
    services->views->onImport(programmeNamed(QStringLiteral("CSO de Deauville")));
    EXPECT_EQ(services->riderFolders->programmeName, QStringLiteral("CSO de Deauville"));
    EXPECT_FALSE(services->workspace->programmeName);
    EXPECT_FALSE(app->root().showProgrammeBrowser());

    services->workspace->failWrites = true;
    app->root().showSection(WorkspaceSection::tableur);
    menuItem(QStringLiteral("quavelImportProgrammeWeb"))->trigger();
    services->views->onImport(programmeNamed(QStringLiteral("Perdu")));
    ASSERT_TRUE(app->window().programmeAlert());
    EXPECT_EQ(app->window().programmeAlert()->windowTitle(), QStringLiteral("Programme"));
    EXPECT_EQ(app->window().programmeAlert()->text(), QStringLiteral("Écriture impossible : disque plein."));
}

} // namespace

namespace {

// A session that ends with SIGTERM still gets its stores saved: the signal arrives as a Qt signal.
TEST(TerminationSignalsTest, SigtermAndSigintArriveOnTheEventLoop)
{
    TerminationSignals termination;
    QSignalSpy spy(&termination, &TerminationSignals::terminationRequested);
    ::raise(SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 1; }));
    EXPECT_EQ(spy.first().first().toInt(), SIGTERM);
    ::raise(SIGINT);
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 2; }));
    EXPECT_EQ(spy.last().first().toInt(), SIGINT);
}

} // namespace
