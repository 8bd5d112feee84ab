// The window with the application's real screens: the spreadsheet editor placed for the selected
// spreadsheet, the rider-folders screen in "Paniers", the programme browser opened by its notification,
// each over the real stores; and pictures of the whole window with real content.
#include "Fakes.h"
#include "common/SampleProgramme.h"

#include "shell/MainWindow.h"
#include "shell/QuavelApplication.h"
#include "shell/RiderFoldersStoreSource.h"
#include "shell/RootController.h"
#include "shell/ScreenFactory.h"
#include "shell/WorkspaceStoreSource.h"
#include "ui/DesktopSettings.h"
#include "ui/Notifications.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"
#include "workspace/views/ProgrammeBrowserView.h"
#include "orders/OrdersStore.h"
#include "shell/OrdersStoreSource.h"
#include "workspace/views/RiderFoldersView.h"
#include "workspace/views/WorkspaceView.h"

#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// Real workspace and rider-folder stores in a temporary folder, the real screen factory, sync faked.
class ScreenServices : public ShellServices
{
public:
    ScreenServices(const QString& folder, UserDefaults& defaults)
        : m_folder(folder)
        , m_defaults(defaults)
    { }
    FakeSync* sync = nullptr;
    WorkspaceStore* workspace = nullptr;
    RiderFoldersStore* riderFolders = nullptr;
    LibraryStore* library = nullptr;
    OrdersStore* orders = nullptr;

    std::unique_ptr<LibraryStore> makeLibrary() override
    {
        auto l = std::make_unique<LibraryStore>(m_folder, m_defaults);
        library = l.get();
        return l;
    }
    std::unique_ptr<SyncStatusSource> makeSync() override
    {
        auto s = std::make_unique<FakeSync>();
        sync = s.get();
        return s;
    }
    std::unique_ptr<WorkspaceSource> makeWorkspace() override
    {
        auto w = std::make_unique<WorkspaceStoreSource>(std::make_unique<WorkspaceStore>(m_folder));
        workspace = &w->store();
        return w;
    }
    std::unique_ptr<RiderFoldersSource> makeRiderFolders() override
    {
        auto r = std::make_unique<RiderFoldersStoreSource>(
            std::make_unique<RiderFoldersStore>(m_folder + QStringLiteral("/RiderFolders")));
        riderFolders = &r->store();
        return r;
    }
    std::unique_ptr<OrdersSource> makeOrders() override
    {
        auto o = std::make_unique<OrdersStoreSource>(std::make_unique<OrdersStore>(m_folder + QStringLiteral("/Orders")));
        orders = &o->store();
        return o;
    }
    std::unique_ptr<ViewFactory> makeViews() override
    {
        return std::make_unique<ScreenFactory>(*library, *workspace, *riderFolders, *orders);
    }

private:
    QString m_folder;
    UserDefaults& m_defaults;
};

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

    window().resize(1280, 800);
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
    }
    std::printf("screenshots in %s\n", qPrintable(screenshotsFolder()));
}

} // namespace
