// The real service against FakePhone through a real avahi-daemon on loopback (started by
// scripts/test, which sets QUAVEL_TEST_AVAHI).
#include "FakeNetwork.h"
#include "FakePhone.h"
#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "platform/UserDefaults.h"
#include "platform/UuidText.h"
#include "platform/net/SystemNetwork.h"
#include "sync/SyncService.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace quavel::test {
namespace {

// Names unique to this run: another program may browse the same daemon at the same time.
QString uniqueSuffix()
{
    return uuidText(QUuid::createUuid()).left(4);
}

class SyncIntegration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QUAVEL_TEST_AVAHI"))
            GTEST_SKIP() << "no avahi-daemon for the tests (QUAVEL_TEST_AVAHI unset)";
        m_defaults = std::make_unique<UserDefaults>(m_folder.file("defaults.json"));
        m_store = std::make_unique<LibraryStore>(m_folder.file("support"), *m_defaults);
    }

    SyncService& desktop()
    {
        if (!m_service) {
            m_service = std::make_unique<SyncService>(QStringLiteral("mac"), *m_defaults, m_network);
            m_service->onLibraryReceived = [this](const LibrarySnapshot& s) {
                ++m_merges;
                m_store->replaceFromRemote(s);
            };
        }
        return *m_service;
    }

    std::unique_ptr<FakePhone> phone(const QString& role, const QString& dayName)
    {
        const QString prefix
            = role == u"ios" ? QStringLiteral("QUAVEL iOS ") : QStringLiteral("QUAVEL Android ");
        auto p = std::make_unique<FakePhone>(role, prefix + uniqueSuffix(), sampleLibrary(dayName));
        EXPECT_TRUE(p->start());
        EXPECT_TRUE(waitUntil([&] { return p->isAdvertised(); }, 5000));
        return p;
    }

    bool libraryHasDay(const QString& name) const
    {
        for (const DayRecord& d : m_store->snapshot().days) {
            if (d.name == name)
                return true;
        }
        return false;
    }

    bool nearby(const QString& name) const
    {
        for (const SyncPeer& p : m_service->nearbyPeers()) {
            if (p.name == name)
                return true;
        }
        return false;
    }

    TempFolder m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<LibraryStore> m_store;
    SystemNetwork m_network;
    std::unique_ptr<SyncService> m_service;
    int m_merges = 0;
};

TEST_F(SyncIntegration, EnabledAndroidPhoneIsDialledAndItsLibraryMerged)
{
    auto android = phone("android", "Samedi Android");
    desktop().setPeerEnabled(android->name(), true);
    desktop().start(false);
    // Found through the real avahi-daemon: on a machine busy with the whole test run, publishing,
    // browsing and resolving the phone has taken over 10 s.
    ASSERT_TRUE(waitUntil([&] { return libraryHasDay("Samedi Android"); }, 30000));
    EXPECT_EQ(android->acceptedCount(), 1);
    ASSERT_TRUE(waitUntil([&] { return desktop().status() == SyncStatus::synced(android->name()); }));
    ASSERT_GE(android->received().size(), 2);
    EXPECT_EQ(android->received()[0].kind, SyncEnvelopeKind::hello);
    EXPECT_EQ(android->received()[0].peerName, desktop().peerName());
    EXPECT_EQ(android->received()[1].kind, SyncEnvelopeKind::requestLibrary);
    EXPECT_TRUE(nearby(android->name()));
}

TEST_F(SyncIntegration, IPhoneDialsTheDesktopAndIsRekeyed)
{
    auto iphone = phone("ios", "Dimanche iPhone");
    desktop().setPeerEnabled(iphone->name(), true);
    desktop().start(false);
    iphone->dialDesktop(desktop().peerName());
    ASSERT_TRUE(waitUntil([&] { return libraryHasDay("Dimanche iPhone"); }, 30000));
    EXPECT_EQ(desktop().linkKeys(), QStringList { iphone->name() });
    EXPECT_TRUE(desktop().isLinked(iphone->name()));
    // The link made by the phone stands: the desktop's delayed dial never happens.
    test::waitUntil([] { return false; }, 2500);
    EXPECT_EQ(iphone->acceptedCount(), 0);
}

TEST_F(SyncIntegration, PhoneThatIsNotEnabledIsRefused)
{
    auto stranger = phone("ios", "Intrus");
    desktop().start(false);
    // Nothing enabled: the link is closed at once.
    stranger->dialDesktop(desktop().peerName());
    ASSERT_TRUE(waitUntil([&] { return stranger->closedByDesktopCount() == 1; }, 10000));

    auto other = phone("ios", "Autre");
    desktop().setPeerEnabled(other->name(), true);
    auto stranger2 = phone("ios", "Intrus 2");
    stranger2->dialDesktop(desktop().peerName());
    ASSERT_TRUE(waitUntil([&] { return stranger2->closedByDesktopCount() == 1; }, 10000));
    EXPECT_EQ(m_merges, 0);
    EXPECT_FALSE(libraryHasDay("Intrus") || libraryHasDay("Intrus 2"));
    EXPECT_TRUE(desktop().linkKeys().isEmpty() || !desktop().linkKeys().first().startsWith("pending-"));
}

TEST_F(SyncIntegration, PhoneThatGoesAwayIsReconnectedAfterTwoSeconds)
{
    auto android = phone("android", "Retour");
    desktop().setPeerEnabled(android->name(), true);
    desktop().start(false);
    ASSERT_TRUE(waitUntil([&] { return desktop().isLinked(android->name()); }, 10000));
    // Any browse update dials an enabled peer at once, so let the results of earlier tests settle.
    int browseUpdates = 0;
    QObject::connect(&desktop(), &SyncService::nearbyPeersChanged, [&] { ++browseUpdates; });
    QElapsedTimer quiet;
    quiet.start();
    for (int seen = -1; seen != browseUpdates && quiet.elapsed() < 10000;) {
        seen = browseUpdates;
        test::waitUntil([] { return false; }, 1000);
    }
    browseUpdates = 0;
    QElapsedTimer clock;
    android->disconnectAll();
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return !desktop().isLinked(android->name()); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return android->acceptedCount() == 2; }, 8000));
    if (browseUpdates == 0) {
        EXPECT_GE(clock.elapsed(), 1900);
    }
    if (test::timeBoundsApply()) {
        EXPECT_LE(clock.elapsed(), 5000);
    }
    EXPECT_TRUE(waitUntil([&] { return desktop().isLinked(android->name()); }, 5000));
}

TEST_F(SyncIntegration, MisbehavingPhonesNeitherStallNorWriteTheLibrary)
{
    auto android = phone("android", "Désordre");
    android->answers = false;
    desktop().setPeerEnabled(android->name(), true);
    desktop().start(false);
    ASSERT_TRUE(waitUntil([&] { return desktop().isLinked(android->name()); }, 10000));

    // Garbage is skipped, and a nameless library on the link the desktop dialled is merged.
    android->sendGarbage();
    android->namelessLibrary = true;
    android->sendLibrary();
    ASSERT_TRUE(waitUntil([&] { return libraryHasDay("Désordre"); }, 5000));

    // An oversized frame loses the link; the phone is dialled again.
    android->sendOversizedHeader();
    ASSERT_TRUE(waitUntil([&] { return android->closedByDesktopCount() == 1; }, 5000));
    ASSERT_TRUE(waitUntil([&] { return android->acceptedCount() == 2; }, 8000));

    // A phone that dials in and sends a nameless library without saying who it is writes nothing.
    auto sly = phone("ios", "Anonyme");
    desktop().setPeerEnabled(sly->name(), true);
    sly->sendsHello = false;
    sly->namelessLibrary = true;
    sly->dialDesktop(desktop().peerName());
    ASSERT_TRUE(waitUntil([&] { return sly->dialledCount() == 1 && sly->openLinkCount() == 1; }, 10000));
    test::waitUntil([] { return false; }, 500);
    EXPECT_FALSE(libraryHasDay("Anonyme"));
}

} // namespace
} // namespace quavel::test
