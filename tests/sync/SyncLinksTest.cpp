#include "SyncFixture.h"

#include <QElapsedTimer>

namespace quavel::test {
namespace {

const QString kAndroid = QStringLiteral("QUAVEL Android 77C0");
const QString kIPhone = QStringLiteral("QUAVEL iOS 1F3A");

class SyncLinks : public SyncFixture
{
};

struct DialCase
{
    const char* label;
    const char* ownName;
    const char* peer;
    bool dialsAtOnce;
};

void PrintTo(const DialCase& c, std::ostream* os)
{
    *os << c.label;
}

class DialOrder : public SyncLinks, public ::testing::WithParamInterface<DialCase>
{
};

TEST_P(DialOrder, TheNameSortingAfterDialsFirst)
{
    service(QString::fromUtf8(GetParam().ownName));
    const QString peer = QString::fromUtf8(GetParam().peer);
    QElapsedTimer clock;
    clock.start();
    startedWith({ peer }, { peer });
    EXPECT_EQ(network.dials.size(), GetParam().dialsAtOnce ? 1 : 0);
    ASSERT_TRUE(waitUntil([&] { return network.dials.size() == 1; }, 2000));
    if (!GetParam().dialsAtOnce) {
        EXPECT_GE(clock.elapsed(), 35);
    }
    EXPECT_EQ(network.dialledEndpoints.first().serviceName, peer);
    EXPECT_EQ(service().status(), SyncStatus::connecting(peer));
    pump(100);
    EXPECT_EQ(network.dials.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, DialOrder,
    ::testing::Values(DialCase { "iPhoneDialsTheDesktop", "QUAVEL Mac 0B12", "QUAVEL iOS 1F3A", false },
        DialCase { "desktopDialsAndroid", "QUAVEL Mac 0B12", "QUAVEL Android 77C0", true },
        DialCase { "suffixedTwinWaits", "Studio", "Studio (2)", false },
        DialCase { "caseCounts", "QUAVEL Mac 0B12", "QUAVEL mac 0B12", false }),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SyncLinks, IncomingLinkBeforeTheDelayCancelsTheDial)
{
    startedWith({ kIPhone }, { kIPhone });
    FakeConnection* incoming = network.listener()->incoming();
    incoming->report(NetState::ready);
    incoming->deliver(envelopeFrame(SyncEnvelopeKind::hello, kIPhone));
    pump(120);
    EXPECT_TRUE(network.dials.isEmpty());
    EXPECT_FALSE(incoming->cancelled);
}

TEST_F(SyncLinks, BrowseUpdatesStartNoSecondDial)
{
    startedWith({ kAndroid }, { kAndroid });
    browse({ kAndroid, kAndroid + " (2)" }); // still being set up
    EXPECT_EQ(network.dials.size(), 1);
    network.dialled()->report(NetState::ready);
    browse({ kAndroid });
    EXPECT_EQ(network.dials.size(), 1);
}

TEST_F(SyncLinks, IncomingLinksNeedAnEnabledPeer)
{
    service().start(false);
    QPointer<FakeConnection> refused = network.listener()->incoming();
    EXPECT_TRUE(refused.isNull() || refused->cancelled);
    EXPECT_TRUE(service().linkKeys().isEmpty());

    service().setPeerEnabled("Studio", true);
    FakeConnection* accepted = network.listener()->incoming();
    ASSERT_NE(accepted, nullptr);
    EXPECT_TRUE(accepted->started);
    ASSERT_EQ(service().linkKeys().size(), 1);
    // The link is registered under its pending name, which the status never shows.
    EXPECT_TRUE(service().linkKeys().first().startsWith("pending-"));
    EXPECT_EQ(service().status(), SyncStatus::searching());
}

TEST_F(SyncLinks, LostLinkIsRetriedUnlessDisabledMeanwhile)
{
    startedWith({ kAndroid }, { kAndroid });
    network.dialled()->report(NetState::ready);
    network.dialled()->report(NetState::failed, NetError { NetError::Domain::socket, 1, "x", "y" });
    EXPECT_EQ(service().status(), SyncStatus::searching());
    ASSERT_TRUE(waitUntil([&] { return network.dials.size() == 2; }, 2000));

    network.dialled()->report(NetState::cancelled);
    service().setPeerEnabled(kAndroid, false);
    pump(150);
    EXPECT_EQ(network.dials.size(), 2);
}

TEST_F(SyncLinks, DisablingDropsLinksWithoutReconnect)
{
    startedWith({ kAndroid }, { kAndroid });
    FakeConnection* c = network.dialled();
    c->report(NetState::ready);
    service().setPeerEnabled("quavel android 77c0 (5)", false);
    EXPECT_TRUE(c->cancelled);
    EXPECT_FALSE(service().isLinked(kAndroid));
    EXPECT_EQ(service().status(), SyncStatus::searching());
    pump(150);
    EXPECT_EQ(network.dials.size(), 1);
}

TEST_F(SyncLinks, LostPendingLinkIsNotRedialled)
{
    startedWith({ kIPhone }, { kIPhone });
    FakeConnection* incoming = network.listener()->incoming();
    incoming->report(NetState::ready);
    incoming->report(NetState::failed);
    pump(150);
    // Only the delayed dial for the browsed iPhone, never one for the pending name.
    for (const NetEndpoint& e : network.dialledEndpoints)
        EXPECT_EQ(e.serviceName, kIPhone);
}

TEST_F(SyncLinks, LostLinkReplacesAPendingDiscoveryRestart)
{
    startedWith({ kAndroid }, { kAndroid });
    FakeConnection* c = network.dialled();
    c->report(NetState::ready);
    network.listener()->report(NetState::failed, NetError { NetError::Domain::dnsService, -1, "échec", {} });
    const auto browsers = network.browsers.size();
    c->report(NetState::failed);
    ASSERT_TRUE(waitUntil([&] { return network.dials.size() == 2; }, 2000));
    pump(150);
    EXPECT_EQ(network.browsers.size(), browsers); // the 3 s restart was superseded
}

TEST_F(SyncLinks, DestroyedServiceIgnoresLateCallbacks)
{
    startedWith({ kAndroid }, { kAndroid });
    QPointer<FakeConnection> c = network.dialled();
    c->report(NetState::ready);
    m_service.reset();
    pump(10);
    EXPECT_TRUE(c.isNull() || c->cancelled);
}

} // namespace
} // namespace quavel::test
