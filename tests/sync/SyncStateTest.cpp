#include "SyncFixture.h"

#include <QSignalSpy>

namespace quavel::test {
namespace {

const QString kPeerNameKey = QStringLiteral("quavel.peerName.mac.v3");
const QString kPreferredKey = QStringLiteral("quavel.preferredPeerNames.mac.v2");
const QString kOlderKey = QStringLiteral("quavel.preferredPeerName.mac");

class SyncState : public SyncFixture
{
};

TEST_F(SyncState, GeneratesItsNameOnceAndKeepsIt)
{
    SyncService first(QStringLiteral("mac"), defaults(), network);
    const QString name = first.peerName();
    ASSERT_TRUE(name.startsWith(QStringLiteral("QUAVEL Mac ")));
    const QString suffix = name.mid(11);
    EXPECT_EQ(suffix.size(), 4);
    EXPECT_TRUE(std::all_of(
        suffix.cbegin(), suffix.cend(), [](QChar c) { return c.isDigit() || (c >= 'A' && c <= 'F'); }));
    EXPECT_EQ(defaults().string(kPeerNameKey), name);

    SyncService again(QStringLiteral("mac"), defaults(), network);
    EXPECT_EQ(again.peerName(), name);
    EXPECT_EQ(again.status(), SyncStatus::idle());
    EXPECT_EQ(again.statusTitle(), QStringLiteral("Inactif"));
}

TEST_F(SyncState, OtherRolesGetTheirPrefixAndKey)
{
    SyncService android(QStringLiteral("android"), defaults(), network);
    SyncService ios(QStringLiteral("ios"), defaults(), network);
    EXPECT_TRUE(android.peerName().startsWith(QStringLiteral("QUAVEL Android ")));
    EXPECT_TRUE(ios.peerName().startsWith(QStringLiteral("QUAVEL iOS ")));
    EXPECT_EQ(defaults().string(QStringLiteral("quavel.peerName.android.v3")), android.peerName());
    // The enabled peers belong to the desktop role only.
    defaults().setStringList(kPreferredKey, { QStringLiteral("Studio") });
    EXPECT_TRUE(SyncService(QStringLiteral("ios"), defaults(), network).preferredPeerNames().isEmpty());
}

TEST_F(SyncState, AnEmptyStoredNameIsReplaced)
{
    defaults().setString(kPeerNameKey, QString());
    SyncService s(QStringLiteral("mac"), defaults(), network);
    EXPECT_TRUE(s.peerName().startsWith(QStringLiteral("QUAVEL Mac ")));
}

struct StoredPeers
{
    const char* label;
    std::function<void(UserDefaults&)> store;
    QStringList loaded;
};

void PrintTo(const StoredPeers& p, std::ostream* os)
{
    *os << p.label;
}

class PreferredLoading : public SyncFixture, public ::testing::WithParamInterface<StoredPeers>
{
};

TEST_P(PreferredLoading, ReadsTheStoredPeers)
{
    GetParam().store(defaults());
    EXPECT_EQ(service().preferredPeerNames(), GetParam().loaded);
}

INSTANTIATE_TEST_SUITE_P(Keys, PreferredLoading,
    ::testing::Values(StoredPeers { "nothing", [](UserDefaults&) {}, {} },
        StoredPeers { "list",
            [](UserDefaults& d) {
                d.setStringList(kPreferredKey, { " Studio ", "studio (2)", "Atelier" });
            },
            { "Studio", "Atelier" } },
        // An empty list is the user's choice: the older single peer is not brought back.
        StoredPeers { "emptyListWins",
            [](UserDefaults& d) {
                d.setStringList(kPreferredKey, {});
                d.setString(kOlderKey, "Studio");
            },
            {} },
        StoredPeers {
            "olderKey", [](UserDefaults& d) { d.setString(kOlderKey, " Studio "); }, { " Studio " } },
        StoredPeers { "olderKeyEmpty", [](UserDefaults& d) { d.setString(kOlderKey, ""); }, {} },
        // A list of another type is no list: the older key answers.
        StoredPeers { "wrongType",
            [](UserDefaults& d) {
                d.setString(kPreferredKey, "Studio");
                d.setString(kOlderKey, "Atelier");
            },
            { "Atelier" } }),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SyncState, OlderKeyIsRemovedAtTheNextChange)
{
    defaults().setStringList(kPreferredKey, {});
    defaults().setString(kOlderKey, QStringLiteral("Studio"));
    service().setPeerEnabled(QStringLiteral("Atelier"), true);
    EXPECT_FALSE(defaults().contains(kOlderKey));
    EXPECT_EQ(defaults().stringList(kPreferredKey), QStringList { QStringLiteral("Atelier") });
}

TEST_F(SyncState, EnablingAndDisablingMatchNames)
{
    SyncService& s = service();
    QSignalSpy changed(&s, &SyncService::preferredPeerNamesChanged);
    s.setPeerEnabled(QStringLiteral("  \n "), true);
    EXPECT_TRUE(s.preferredPeerNames().isEmpty());
    EXPECT_EQ(changed.count(), 0);

    s.setPeerEnabled(QStringLiteral(" Studio (2) "), true);
    s.setPeerEnabled(QStringLiteral("studio"), true);
    s.setPeerEnabled(QStringLiteral("Atelier"), true);
    EXPECT_EQ(s.preferredPeerNames(), (QStringList { "Studio (2)", "Atelier" }));
    EXPECT_TRUE(s.isPreferred(QStringLiteral("atelier (3)")));

    s.setPeerEnabled(QStringLiteral("STUDIO"), false);
    EXPECT_EQ(s.preferredPeerNames(), QStringList { "Atelier" });
    EXPECT_EQ(defaults().stringList(kPreferredKey), QStringList { "Atelier" });
    EXPECT_GE(changed.count(), 3);
}

TEST_F(SyncState, EnablingAStoredNameStillLinksToTheNearbyPeer)
{
    startedWith({ QStringLiteral("QUAVEL Android 77C0 (2)") }, { QStringLiteral("QUAVEL Android 77C0") });
    ASSERT_EQ(network.dials.size(), 1); // dialled at once from the browse results
    network.dialled()->report(NetState::failed);
    pump(1);
    const auto dialsBefore = network.dials.size();
    service().setPeerEnabled(QStringLiteral("quavel android 77c0"), true);
    EXPECT_EQ(service().preferredPeerNames(), QStringList { "QUAVEL Android 77C0" });
    EXPECT_EQ(network.dials.size(), dialsBefore + 1);
    EXPECT_EQ(network.dialledEndpoints.last().serviceName, QStringLiteral("QUAVEL Android 77C0 (2)"));
}

TEST_F(SyncState, ForgetRemovesEnabledAndNearbyEntries)
{
    startedWith({ QStringLiteral("Studio (2)"), QStringLiteral("Atelier") }, { QStringLiteral("Studio") });
    service().forgetPeer(QStringLiteral(" studio "));
    EXPECT_TRUE(service().preferredPeerNames().isEmpty());
    ASSERT_EQ(service().nearbyPeers().size(), 1);
    EXPECT_EQ(service().nearbyPeers().first().name, QStringLiteral("Atelier"));
    EXPECT_EQ(service().listedPeerNames(), QStringList { "Atelier" });
}

struct Listing
{
    QStringList enabled;
    QStringList browsed;
    QStringList listed;
};

void PrintTo(const Listing& l, std::ostream* os)
{
    *os << l.listed.join(',').toStdString();
}

class ListedPeers : public SyncFixture, public ::testing::WithParamInterface<Listing>
{
};

TEST_P(ListedPeers, MergesNearbyAndEnabledNames)
{
    startedWith(GetParam().browsed, GetParam().enabled);
    EXPECT_EQ(service().listedPeerNames(), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(Table, ListedPeers,
    ::testing::Values(Listing { { "Studio" }, { "Studio (2)" }, { "Studio (2)" } },
        Listing { { "Studio" }, {}, { "Studio" } },
        // Keys are exact: letter case keeps two rows.
        Listing { { "studio" }, { "Studio" }, { "Studio", "studio" } },
        Listing { { "Studio (3)" }, { "Studio (2)", "Studio" }, { "Studio" } },
        Listing { {}, { "b", "A", "a" }, { "A", "a", "b" } }));

struct TitleCase
{
    QStringList enabled;
    QStringList browsed;
    const char* title;
};

void PrintTo(const TitleCase& c, std::ostream* os)
{
    *os << c.enabled.size() << " enabled, " << c.browsed.size() << " browsed";
}

class SearchingTitle : public SyncFixture, public ::testing::WithParamInterface<TitleCase>
{
};

TEST_P(SearchingTitle, DescribesTheEnabledPeersReach)
{
    // Peers whose names sort after the desktop's are left to dial it first, so nothing links here.
    startedWith(GetParam().browsed, GetParam().enabled);
    ASSERT_EQ(service().status(), SyncStatus::searching());
    EXPECT_EQ(service().statusTitle(), QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Table, SearchingTitle,
    ::testing::Values(TitleCase { { "QUAVEL iOS 1F3A" }, { "QUAVEL iOS 9999" }, "Appareils hors de portée" },
        TitleCase { { "QUAVEL iOS 1F3A" }, {}, "Recherche des appareils…" },
        TitleCase { {}, {}, "Recherche…" }, TitleCase { {}, { "QUAVEL iOS 1F3A" }, "Choisissez un appareil" },
        TitleCase { { "QUAVEL iOS 1F3A" }, { "QUAVEL iOS 1F3A (2)" }, "Lien avec 1 appareil…" },
        TitleCase { { "QUAVEL iOS 1", "QUAVEL iOS 2", "QUAVEL iOS 3" }, { "QUAVEL iOS 1", "QUAVEL iOS 3" },
            "Lien avec 2 appareils…" }));

struct PlainTitle
{
    SyncStatus status;
    const char* title;
};

void PrintTo(const PlainTitle& c, std::ostream* os)
{
    *os << int(c.status.kind);
}

class StatusTitles : public ::testing::TestWithParam<PlainTitle>
{
};

TEST_P(StatusTitles, GivesThePlainText)
{
    EXPECT_EQ(GetParam().status.title(), QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Table, StatusTitles,
    ::testing::Values(PlainTitle { SyncStatus::connecting("QUAVEL iOS 1F3A"), "Lien avec QUAVEL iOS 1F3A…" },
        PlainTitle { SyncStatus::synced("2 appareils"), "Synchronisé · 2 appareils" },
        PlainTitle { SyncStatus::failed("Recherche impossible"), "Recherche impossible" },
        PlainTitle { SyncStatus::idle(), "Inactif" }, PlainTitle { SyncStatus::searching(), "Recherche…" }));

TEST_F(SyncState, StatusLineOfLinks)
{
    SyncService& s = startedWith(
        { "QUAVEL Android 77C0", "QUAVEL Android 12AB" }, { "QUAVEL Android 77C0", "QUAVEL Android 12AB" });
    ASSERT_EQ(network.dials.size(), 2);
    EXPECT_EQ(s.status().kind, SyncStatus::Kind::connecting);
    EXPECT_EQ(s.statusTitle(), QStringLiteral("Lien avec Android 12AB…"));

    network.dials[0]->report(NetState::ready);
    EXPECT_EQ(s.status(), SyncStatus::synced("QUAVEL Android 77C0"));
    EXPECT_EQ(s.statusTitle(), QStringLiteral("Synchronisé · Android 77C0"));

    network.dials[1]->report(NetState::ready);
    EXPECT_EQ(s.status(), SyncStatus::synced("2 appareils"));
    EXPECT_EQ(s.statusTitle(), QStringLiteral("Synchronisé · 2 appareils"));
    EXPECT_EQ(s.connectedPeerName(), QStringLiteral("QUAVEL Android 12AB"));
    EXPECT_TRUE(s.isLinked("quavel android 77c0 (4)"));
}

TEST_F(SyncState, LosingTheLastReadyLinkWhileAnotherIsSetUpKeepsTheStatus)
{
    SyncService& s = startedWith(
        { "QUAVEL Android 77C0", "QUAVEL Android 12AB" }, { "QUAVEL Android 77C0", "QUAVEL Android 12AB" });
    network.dials[0]->report(NetState::ready);
    network.dials[0]->report(NetState::failed);
    EXPECT_EQ(s.status(), SyncStatus::synced("QUAVEL Android 77C0"));
    EXPECT_TRUE(s.connectedPeerNames().isEmpty());
    EXPECT_FALSE(s.connectedPeerName().has_value());
    network.dials[1]->report(NetState::cancelled);
    EXPECT_EQ(s.status(), SyncStatus::searching());
}

TEST_F(SyncState, StatusSignalsOnlyOnChange)
{
    SyncService& s = service();
    QSignalSpy spy(&s, &SyncService::statusChanged);
    s.start(false);
    s.refreshPeers();
    s.setPeerEnabled("Studio", false);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
} // namespace quavel::test
