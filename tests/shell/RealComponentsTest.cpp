// The shell over the real components: the sync badge and device panels driven by a real sync service
// (on the sync library's fake network), done marks and the history with a real workspace store, web
// programmes stored into the real store of the shown section, and the standard services.
#include "Fakes.h"

#include "library/AppSupport.h"
#include "orders/OrdersStore.h"
#include "platform/net/DnsSdClient.h"
#include "shell/DeviceSyncPanel.h"
#include "shell/HistoryPanel.h"
#include "shell/MainWindow.h"
#include "shell/OrdersStoreSource.h"
#include "shell/QuavelApplication.h"
#include "shell/RiderFoldersStoreSource.h"
#include "shell/RootController.h"
#include "shell/Sidebar.h"
#include "shell/SyncBadge.h"
#include "shell/SyncServiceSource.h"
#include "shell/WorkspaceStoreSource.h"
#include "sync/FakeNetwork.h"
#include "sync/SyncService.h"
#include "ui/DesktopSettings.h"
#include "ui/SymbolButton.h"
#include "ui/Theme.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

const QString kAndroid = QStringLiteral("QUAVEL Android 77C0");
const QString kIPhone = QStringLiteral("QUAVEL iOS 1F3A");

// A desktop sync service on the fake network, seen through the shell's adapter.
class RealSync : public ::testing::Test
{
public:
    TempFolder folder;
    UserDefaults defaults { folder.file(QStringLiteral("defaults.json")) };
    FakeNetwork network;
    std::unique_ptr<SyncServiceSource> source;

    void SetUp() override
    {
        using namespace std::chrono_literals;
        defaults.setString(QStringLiteral("quavel.peerName.mac.v3"), QStringLiteral("QUAVEL Mac 0B12"));
        SyncTiming timing;
        timing.dialDelay = 40ms;
        timing.reconnectDelay = 40ms;
        timing.restartDelay = 60ms;
        source = std::make_unique<SyncServiceSource>(
            std::make_unique<SyncService>(QStringLiteral("mac"), defaults, network, timing));
    }
    SyncService& service() { return source->service(); }
    void browse(const QStringList& names)
    {
        QList<BrowseResult> results;
        for (const QString& name : names)
            results.append(
                serviceResult(name, QMap<QString, QString> { { "app", "QUAVEL" }, { "role", "ios" } }));
        network.browser()->deliver(results);
    }
};

// How each status is reached on the network, and what the badge, the picker and the panel then say.
struct StatusCase
{
    const char* name;
    std::function<void(RealSync&)> drive;
    SyncStatus::Kind kind;
    const char* badge;
    const char* picker;
    // The state line of each listed device, in listed order.
    QStringList rows;
    bool retries;
};

void PrintTo(const StatusCase& c, std::ostream* os)
{
    *os << c.name;
}

class SyncStatusViews : public RealSync, public ::testing::WithParamInterface<StatusCase>
{
};

TEST_P(SyncStatusViews, BadgePickerAndPanelFollowTheService)
{
    const StatusCase& c = GetParam();
    SyncBadge badge;
    badge.follow(source.get());
    NearbyDevicePicker picker(*source);
    DeviceSyncPanel panel(*source);
    c.drive(*this);
    QApplication::processEvents();

    EXPECT_EQ(service().status().kind, c.kind);
    EXPECT_EQ(badge.shownText(), QString::fromUtf8(c.badge));
    EXPECT_EQ(badge.shownText(), service().statusTitle());
    const bool dark = Theme::isDark(&badge);
    const QColor dot = c.kind == SyncStatus::Kind::synced ? Theme::green(dark)
        : c.kind == SyncStatus::Kind::failed              ? Theme::red(dark)
        : c.kind == SyncStatus::Kind::idle                ? Theme::secondary(dark)
                                                          : Theme::orange(dark);
    EXPECT_EQ(badge.dotColor(), dot);
    EXPECT_EQ(picker.title(), QString::fromUtf8(c.picker));

    QStringList states;
    for (const QString& name : panel.shownNames())
        for (QWidget* w : panel.findChildren<QWidget*>())
            if (w->property("deviceName").toString() == name)
                states << w->findChild<QLabel*>(QStringLiteral("deviceState"))->text();
    EXPECT_EQ(states, c.rows);

    // A click on the badge restarts discovery on the network unless sync is established.
    const qsizetype browsers = network.browsers.size();
    badge.resize(260, 32);
    QTest::mouseClick(&badge, Qt::LeftButton);
    EXPECT_EQ(network.browsers.size() > browsers, c.retries);
}

INSTANTIATE_TEST_SUITE_P(Statuses, SyncStatusViews,
    ::testing::Values(StatusCase { "idle", [](RealSync&) {}, SyncStatus::Kind::idle, "Inactif",
                          "Choisir un appareil", {}, true },
        StatusCase { "searching", [](RealSync& t) { t.service().start(false); }, SyncStatus::Kind::searching,
            "Recherche…", "Choisir un appareil", {}, true },
        StatusCase { "searchingEnabledAway",
            [](RealSync& t) {
                t.service().setPeerEnabled(kIPhone, true);
                t.service().start(false);
                t.browse({ QStringLiteral("Atelier") });
            },
            SyncStatus::Kind::searching, "Appareils hors de portée", "iPhone 1F3A · hors de portée",
            { "En ligne", "Hors de portée" }, true },
        StatusCase { "connecting",
            [](RealSync& t) {
                t.service().setPeerEnabled(kAndroid, true);
                t.service().start(false);
                t.browse({ kAndroid });
            },
            SyncStatus::Kind::connecting, "Lien avec Android 77C0…", "Android 77C0", { "Lien en cours" },
            true },
        StatusCase { "synced",
            [](RealSync& t) {
                t.service().setPeerEnabled(kAndroid, true);
                t.service().start(false);
                t.browse({ kAndroid, kIPhone });
                t.network.dialled()->report(NetState::ready);
            },
            SyncStatus::Kind::synced, "Synchronisé · Android 77C0", "Android 77C0",
            { "Synchronisé", "En ligne" }, false },
        StatusCase { "noLocalNetwork",
            [](RealSync& t) {
                t.network.refuseListener = true;
                t.service().start(false);
            },
            SyncStatus::Kind::failed, "Wi‑Fi local indisponible", "Choisir un appareil", {}, true },
        StatusCase { "browserFailed",
            [](RealSync& t) {
                t.service().start(false);
                t.network.browser()->report(
                    NetState::failed, NetError { NetError::Domain::dnsService, -2, {}, {} });
            },
            SyncStatus::Kind::failed, "Recherche impossible", "Choisir un appareil", {}, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RealSync, PanelCheckboxAndForgetGoThroughTheService)
{
    service().start(false);
    browse({ kAndroid, kIPhone });
    DeviceSyncPanel panel(*source);
    auto rowOf = [&](const QString& name) -> QWidget* {
        for (QWidget* w : panel.findChildren<QWidget*>())
            if (w->property("deviceName").toString() == name)
                return w;
        return nullptr;
    };
    rowOf(kAndroid)->findChild<QCheckBox*>()->setChecked(true);
    QApplication::processEvents();
    EXPECT_EQ(service().preferredPeerNames(), QStringList { kAndroid });
    EXPECT_EQ(network.dials.size(), 1); // the desktop dials an Android phone at once
    EXPECT_EQ(
        defaults.stringList(QStringLiteral("quavel.preferredPeerNames.mac.v2")), QStringList { kAndroid });

    rowOf(kIPhone)->findChild<QAbstractButton*>(QStringLiteral("deviceForget"))->click();
    QApplication::processEvents();
    EXPECT_EQ(panel.shownNames(), QStringList { kAndroid });
}

TEST_F(RealSync, LibrariesArriveThroughTheReceiverTheShellSets)
{
    QList<LibrarySnapshot> received;
    source->setLibraryReceiver([&](const LibrarySnapshot& s) { received.append(s); });
    service().setPeerEnabled(kAndroid, true);
    service().start(false);
    browse({ kAndroid });
    FakeConnection* link = network.dialled();
    link->report(NetState::ready);
    link->deliver(
        envelopeFrame(SyncEnvelopeKind::library, kAndroid, sampleLibrary(QStringLiteral("Samedi"))));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first().days.first().name, QStringLiteral("Samedi"));
}

// The sidebar's done marks and the history panel over a real workspace store in a temporary folder.
class RealWorkspace : public ::testing::Test
{
protected:
    LibraryFixture lib;
    FakeSync sync;
    RootController root { *lib.store, lib.defaults };
    QString folder = lib.folder.file(QStringLiteral("workspace"));
    std::unique_ptr<WorkspaceStoreSource> workspace;
    std::unique_ptr<Sidebar> sidebar;

    void open()
    {
        sidebar.reset();
        workspace = std::make_unique<WorkspaceStoreSource>(std::make_unique<WorkspaceStore>(folder));
        sidebar = std::make_unique<Sidebar>(*lib.store, sync, workspace.get(), root, lib.defaults);
        sidebar->resize(300, 700);
        sidebar->show();
    }
    void SetUp() override { open(); }
    SymbolButton* mark(const QUuid& id) const
    {
        return sidebar->list()
            ->itemWidget(sidebar->itemFor(id), 0)
            ->findChild<SymbolButton*>(QStringLiteral("doneMark"));
    }
    QStringList historyTexts() const
    {
        QStringList out;
        QScrollArea* list = sidebar->historyPanel()->list();
        if (list->isVisible() && list->widget())
            for (QLabel* l : list->widget()->findChildren<QLabel*>())
                out << l->text();
        return out;
    }
};

TEST_F(RealWorkspace, DoneMarkIsSavedAndReadBackAfterARestart)
{
    const auto day = lib.store->addDay(QStringLiteral("Samedi"));
    const auto a = lib.store->addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    const auto b = lib.store->addSpreadsheet(day.id, QStringLiteral("Amateur 2"));
    mark(a.id)->click();
    EXPECT_TRUE(workspace->store().settings(a.id).isCompleted);
    EXPECT_EQ(mark(a.id)->symbol(), QStringLiteral("checkmark.circle.fill"));
    EXPECT_EQ(mark(b.id)->symbol(), QStringLiteral("circle"));

    open();
    EXPECT_EQ(mark(a.id)->symbol(), QStringLiteral("checkmark.circle.fill"));
    EXPECT_EQ(mark(b.id)->symbol(), QStringLiteral("circle"));
    mark(a.id)->click();
    open();
    EXPECT_EQ(mark(a.id)->symbol(), QStringLiteral("circle"));
}

TEST_F(RealWorkspace, RecordedRunsShowUnderTheirSpreadsheetsCurrentTitle)
{
    const auto day = lib.store->addDay(QStringLiteral("Samedi"));
    const auto sheet = lib.store->addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    EXPECT_TRUE(sidebar->historyPanel()->placeholder()->isVisible());

    OrganizerReport report;
    report.copied = 5;
    report.folders = 2;
    report.messages = { QStringLiteral("DUPONT JEAN — 3 photos"), QStringLiteral("MARTIN ÉLISE — 2 photos") };
    workspace->store().recordOrganizer(report, sheet.id, QStringLiteral("Grand Prix"));
    lib.store->renameSpreadsheet(sheet.id, QStringLiteral("GP 1m30"));
    QApplication::processEvents();
    const QStringList texts = historyTexts();
    EXPECT_TRUE(texts.contains(QStringLiteral("GP 1m30")));
    EXPECT_TRUE(texts.contains(QStringLiteral("2 dossiers · 5 photos copiées")));
    EXPECT_TRUE(texts.contains(QStringLiteral("MARTIN ÉLISE — 2 photos")));
    EXPECT_FALSE(sidebar->historyPanel()->placeholder()->isVisible());

    // Read back from "workspace.json".
    open();
    EXPECT_TRUE(historyTexts().contains(QStringLiteral("2 dossiers · 5 photos copiées")));
}

// Web programmes go into the real store of the shown section, in that store's own folder only.
class RealProgrammeRouting : public ::testing::Test
{
protected:
    LibraryFixture lib;
    QString workspaceFolder = lib.folder.file(QStringLiteral("ws"));
    QString riderFolder = lib.folder.file(QStringLiteral("ws/RiderFolders"));
    std::unique_ptr<WorkspaceStoreSource> workspace;
    std::unique_ptr<RiderFoldersStoreSource> riders;
    std::unique_ptr<RootController> root;

    void SetUp() override
    {
        QDir().mkpath(riderFolder);
        // Each store holds an older programme imported from a file.
        lib.folder.write(QStringLiteral("ws/programme.pdf"), "%PDF-1.4");
        lib.folder.write(QStringLiteral("ws/RiderFolders/programme.xlsx"), "PK");
        open();
    }
    void open()
    {
        root.reset();
        auto unreadable = [](const QString&, const QString&) -> ProgrammeDocument {
            throw Error(QStringLiteral("illisible"));
        };
        workspace = std::make_unique<WorkspaceStoreSource>(
            std::make_unique<WorkspaceStore>(workspaceFolder, unreadable));
        riders = std::make_unique<RiderFoldersStoreSource>(
            std::make_unique<RiderFoldersStore>(riderFolder, unreadable));
        root = std::make_unique<RootController>(*lib.store, lib.defaults);
        root->setProgrammeStores(workspace.get(), riders.get());
        // The stores read their programme files on their worker.
        ASSERT_TRUE(waitUntil([&] {
            return !workspace->store().isLoadingProgramme() && !riders->store().isLoadingProgramme();
        }));
    }
    static ProgrammeDocument contest(const QString& name)
    {
        ProgrammeDocument d = programmeNamed(name);
        d.days = { ProgrammeDay { QStringLiteral("Samedi"),
            { ProgrammeEvent { QStringLiteral("Samedi|1"), QStringLiteral("Grand Prix"),
                { ImportedPerson {
                    QStringLiteral("12"), QStringLiteral("Jean"), QStringLiteral("Dupont"), 1 } } } } } };
        return d;
    }
    bool exists(const QString& name) const { return QFile::exists(lib.folder.file(name)); }
};

TEST_F(RealProgrammeRouting, PaniersStoresIntoTheRiderFoldersOnly)
{
    root->showSection(WorkspaceSection::paniers);
    root->setShowProgrammeBrowser(true);
    root->ingestWebProgramme(contest(QStringLiteral("CSO Fontainebleau")));

    EXPECT_EQ(riders->store().programme(), contest(QStringLiteral("CSO Fontainebleau")));
    EXPECT_EQ(riders->store().programmeName(), QStringLiteral("CSO Fontainebleau"));
    EXPECT_TRUE(exists(QStringLiteral("ws/RiderFolders/programme.json")));
    EXPECT_FALSE(exists(QStringLiteral("ws/RiderFolders/programme.xlsx")));
    EXPECT_FALSE(workspace->store().programme());
    EXPECT_FALSE(exists(QStringLiteral("ws/programme.json")));
    EXPECT_TRUE(exists(QStringLiteral("ws/programme.pdf")));
    EXPECT_FALSE(root->showProgrammeBrowser());

    // The name was saved with the rider folders' settings and the programme comes back from disk.
    open();
    EXPECT_EQ(riders->store().programmeName(), QStringLiteral("CSO Fontainebleau"));
    EXPECT_EQ(riders->store().programme(), contest(QStringLiteral("CSO Fontainebleau")));
}

TEST_F(RealProgrammeRouting, EveryOtherSectionStoresIntoTheWorkspace)
{
    for (WorkspaceSection section : { WorkspaceSection::tableur, WorkspaceSection::commandes }) {
        root->showSection(section);
        const QString name = Section::title(section);
        root->ingestWebProgramme(contest(name));
        EXPECT_EQ(workspace->store().programmeName(), name);
        EXPECT_EQ(workspace->store().programme(), contest(name));
    }
    EXPECT_FALSE(exists(QStringLiteral("ws/programme.pdf")));
    EXPECT_TRUE(exists(QStringLiteral("ws/RiderFolders/programme.xlsx")));
    EXPECT_FALSE(riders->store().programme());
    open();
    EXPECT_EQ(workspace->store().programmeName(), QStringLiteral("Commandes"));
}

TEST_F(RealProgrammeRouting, AFailedWriteKeepsTheOldProgrammeAndItsSourceCopy)
{
    // "programme.json" cannot replace a folder of that name.
    QDir().mkpath(workspaceFolder + QStringLiteral("/programme.json"));
    root->setShowProgrammeBrowser(true);
    root->ingestWebProgramme(contest(QStringLiteral("Nouveau")));
    ASSERT_TRUE(root->programmeImportError());
    EXPECT_FALSE(root->programmeImportError()->isEmpty());
    EXPECT_FALSE(workspace->store().programmeName());
    EXPECT_TRUE(exists(QStringLiteral("ws/programme.pdf")));
    EXPECT_TRUE(root->showProgrammeBrowser());
}

// The application as built: real stores in the user's folders and sync really started.
TEST(StandardServices, TheApplicationStartsSyncOnTheRealNetwork)
{
    auto services = ShellServices::standard();
    DesktopSettings desktop;
    QuavelApplication app(*services, UserDefaults::standard(), desktop);
    auto* workspace = dynamic_cast<WorkspaceStoreSource*>(app.workspace());
    auto* riders = dynamic_cast<RiderFoldersStoreSource*>(app.riderFolders());
    ASSERT_TRUE(workspace && riders);
    EXPECT_EQ(workspace->store().fileURL(), AppSupport::folder() + QStringLiteral("/workspace.json"));
    EXPECT_EQ(riders->store().fileURL(), AppSupport::riderFoldersFolder() + QStringLiteral("/settings.json"));
    auto* orders = dynamic_cast<OrdersStoreSource*>(app.orders());
    ASSERT_TRUE(orders);
    EXPECT_EQ(orders->store().fileURL(), AppSupport::ordersFolder() + QStringLiteral("/settings.json"));
    auto* sync = dynamic_cast<SyncServiceSource*>(&app.sync());
    ASSERT_TRUE(sync);
    EXPECT_EQ(sync->service().role(), QStringLiteral("mac"));
    EXPECT_EQ(sync->status().kind, SyncStatus::Kind::idle);

    app.window().show();
    QApplication::processEvents();
    EXPECT_TRUE(sync->service().isStarted());
    // Without a DNS-SD daemon on this machine the badge says the search is impossible.
    waitUntil([&] { return false; }, 300);
    if (DnsSdClient::shared()->isDaemonMissing())
        EXPECT_EQ(sync->status(), SyncStatus::failed(QStringLiteral("Recherche impossible")));
    else
        EXPECT_NE(sync->status().kind, SyncStatus::Kind::idle);
    ASSERT_TRUE(app.window().sidebar());
    EXPECT_EQ(app.window().sidebar()->badge()->shownText(), sync->statusTitle());
}

} // namespace
