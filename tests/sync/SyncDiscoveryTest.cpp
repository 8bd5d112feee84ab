#include "SyncFixture.h"

namespace quavel::test {
namespace {

using Txt = std::optional<QMap<QString, QString>>;

class SyncDiscovery : public SyncFixture
{
protected:
    QStringList nearbyNames() const
    {
        QStringList names;
        for (const SyncPeer& p : m_service->nearbyPeers())
            names.append(p.name);
        return names;
    }
};

TEST_F(SyncDiscovery, StartsListenerBrowserAndMonitorOnce)
{
    SyncService& s = service();
    s.start(false);
    ASSERT_NE(network.listener(), nullptr);
    EXPECT_TRUE(network.listener()->started);
    const ServiceRecord& record = network.listener()->service;
    EXPECT_EQ(record.name, QStringLiteral("QUAVEL Mac 0B12"));
    EXPECT_EQ(record.type, QStringLiteral("_quavel-sync._tcp"));
    EXPECT_EQ(record.domain, QStringLiteral("local."));
    EXPECT_EQ(record.txt, (QMap<QString, QString> { { "app", "QUAVEL" }, { "role", "mac" } }));
    EXPECT_TRUE(network.browser()->started);
    EXPECT_TRUE(network.pathMonitor()->started);
    EXPECT_EQ(s.status(), SyncStatus::searching());
    EXPECT_TRUE(s.isStarted());
}

TEST_F(SyncDiscovery, FiltersAndMergesBrowseResults)
{
    service().start(false);
    const QMap<QString, QString> phone { { "app", "QUAVEL" }, { "role", "ios" } };
    network.browser()->deliver({
        serviceResult("QUAVEL Mac 0B12", phone), // ourselves
        serviceResult("QUAVEL Mac 0B12 (2)", Txt {}), // not exactly our name
        serviceResult("QUAVEL Mac 9999", QMap<QString, QString> { { "role", "mac" } }), // another desktop
        serviceResult("Imprimante", QMap<QString, QString> { { "app", "Autre" } }),
        serviceResult("Sans TXT", std::nullopt),
        serviceResult("QUAVEL iOS 1F3A (2)", phone, 2, InterfaceType::wiredEthernet),
        serviceResult("QUAVEL iOS 1F3A", phone, 3, InterfaceType::other),
        serviceResult("QUAVEL iOS 1F3A (3)", phone, 4, InterfaceType::wifi),
        serviceResult("QUAVEL Android 77C0", phone, 5, InterfaceType::loopback),
        serviceResult("quavel lower", phone),
    });
    EXPECT_EQ(nearbyNames(),
        (QStringList {
            "QUAVEL Android 77C0", "QUAVEL Mac 0B12 (2)", "QUAVEL iOS 1F3A", "Sans TXT", "quavel lower" }));
    const SyncPeer iphone = service().nearbyPeers()[2];
    EXPECT_EQ(iphone.endpoint.interfaceIndex, 4); // Wi-Fi beats wired and other
    EXPECT_EQ(iphone.endpoint.serviceName, QStringLiteral("QUAVEL iOS 1F3A (3)"));

    // A host-port endpoint is no DNS-SD service.
    BrowseResult plain;
    plain.endpoint = NetEndpoint::hostPort(QHostAddress::LocalHost, 1);
    network.browser()->deliver({ plain });
    EXPECT_TRUE(service().nearbyPeers().isEmpty());
}

TEST_F(SyncDiscovery, EqualScoresKeepTheFirstEndpoint)
{
    service().start(false);
    network.browser()->deliver({ serviceResult("Studio", Txt {}, std::nullopt),
        serviceResult("Studio (2)", Txt {}, 7, InterfaceType::wifi),
        serviceResult("Studio", Txt {}, std::nullopt, InterfaceType::other) });
    ASSERT_EQ(service().nearbyPeers().size(), 1);
    EXPECT_EQ(service().nearbyPeers()[0].endpoint.interfaceIndex, std::nullopt);
    EXPECT_EQ(service().nearbyPeers()[0].endpoint.interfaceType, InterfaceType::wifi);
}

TEST_F(SyncDiscovery, UnforcedRestartsAreThrottled)
{
    service().start(false);
    EXPECT_EQ(network.browsers.size(), 1);
    service().start(false);
    service().start(false);
    EXPECT_EQ(network.browsers.size(), 2);
    service().start(true);
    service().start(true);
    EXPECT_EQ(network.browsers.size(), 4);
    EXPECT_EQ(network.listeners.size(), 1);
    EXPECT_TRUE(network.browsers[0].isNull() || network.browsers[0]->cancelled);
}

TEST_F(SyncDiscovery, RestartsClearResultsButKeepLinks)
{
    startedWith({ "QUAVEL Android 77C0" }, { "QUAVEL Android 77C0" });
    network.dialled()->report(NetState::ready);
    service().refreshPeers();
    EXPECT_TRUE(service().nearbyPeers().isEmpty());
    EXPECT_EQ(network.browsers.size(), 2);
    service().restart();
    EXPECT_TRUE(network.dialled() == nullptr || network.dialled()->cancelled);
    EXPECT_TRUE(service().linkKeys().isEmpty());
    EXPECT_EQ(service().status(), SyncStatus::searching());
    EXPECT_EQ(network.browsers.size(), 3);
}

struct PathCase
{
    const char* label;
    QList<NetPathStatus> reports;
    bool synced;
    int browsers;
};

void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.label;
}

class PathChanges : public SyncDiscovery, public ::testing::WithParamInterface<PathCase>
{
};

TEST_P(PathChanges, RestartWhenThePathComesBack)
{
    startedWith({ "QUAVEL Android 77C0" }, { "QUAVEL Android 77C0" });
    if (GetParam().synced)
        network.dialled()->report(NetState::ready);
    for (NetPathStatus s : GetParam().reports)
        network.pathMonitor()->report(s);
    EXPECT_EQ(network.browsers.size(), GetParam().browsers);
    EXPECT_EQ(service().lastPathStatus(), GetParam().reports.last());
}

INSTANTIATE_TEST_SUITE_P(Table, PathChanges,
    ::testing::Values(PathCase { "firstReport", { NetPathStatus::satisfied }, false, 1 },
        PathCase { "backOnline", { NetPathStatus::unsatisfied, NetPathStatus::satisfied }, false, 2 },
        PathCase { "stillOnline", { NetPathStatus::satisfied, NetPathStatus::satisfied }, false, 1 },
        PathCase { "whileSynced", { NetPathStatus::unsatisfied, NetPathStatus::satisfied }, true, 1 }),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SyncDiscovery, FailedListenerIsReplacedByTheScheduledRestart)
{
    service().start(false);
    QPointer<FakeListener> first = network.listener();
    first->report(NetState::ready);
    first->report(NetState::failed,
        NetError { NetError::Domain::dnsService, -1, QStringLiteral("Le nom est pris."), {} });
    EXPECT_EQ(service().status(), SyncStatus::failed("Le nom est pris."));
    ASSERT_TRUE(waitUntil([&] { return network.listeners.size() == 2; }, 2000));
    EXPECT_TRUE(first.isNull() || first->cancelled);
    EXPECT_EQ(network.browsers.size(), 2);
    network.listener()->report(NetState::ready);
    EXPECT_EQ(service().status(), SyncStatus::searching());
    // A working listener is kept across restarts.
    service().start(true);
    EXPECT_EQ(network.listeners.size(), 2);
}

TEST_F(SyncDiscovery, ListenerThatCannotOpenIsTriedAgain)
{
    network.refuseListener = true;
    service().start(false);
    EXPECT_EQ(service().status(), SyncStatus::failed("Wi‑Fi local indisponible"));
    EXPECT_EQ(service().status().payload.at(2), QChar(0x2011));
    network.refuseListener = false;
    service().start(true);
    EXPECT_EQ(network.listeners.size(), 1);
}

TEST_F(SyncDiscovery, BrowserFailureShowsAndRestartsUnlessSynced)
{
    service().start(false);
    network.browser()->report(NetState::failed, NetError { NetError::Domain::dnsService, -2, {}, {} });
    EXPECT_EQ(service().status(), SyncStatus::failed("Recherche impossible"));
    ASSERT_TRUE(waitUntil([&] { return network.browsers.size() == 2; }, 2000));

    browse({ "QUAVEL Android 77C0" });
    service().setPeerEnabled("QUAVEL Android 77C0", true);
    network.dialled()->report(NetState::ready);
    network.browser()->report(NetState::failed);
    EXPECT_EQ(service().statusTitle(), QStringLiteral("Synchronisé · Android 77C0"));
    pump(150);
    EXPECT_EQ(network.browsers.size(), 2);
}

TEST_F(SyncDiscovery, DeniedLocalNetworkIsExplained)
{
    service().start(false);
    const NetError denied { NetError::Domain::dnsService, -65570, {}, {} };
    network.browser()->report(NetState::waiting, NetError { NetError::Domain::dnsService, -1, {}, {} });
    EXPECT_EQ(service().status(), SyncStatus::searching());
    network.browser()->report(NetState::waiting, denied);
    EXPECT_EQ(service().status(), SyncStatus::failed("Autorisez le réseau local dans Réglages"));
    service().restart();
    network.listener()->report(NetState::failed, denied);
    EXPECT_EQ(service().status(), SyncStatus::failed("Autorisez le réseau local dans Réglages"));
}

} // namespace
} // namespace quavel::test
