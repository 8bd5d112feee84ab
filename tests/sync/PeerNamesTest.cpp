#include "sync/SyncService.h"

#include <gtest/gtest.h>

namespace quavel {
namespace {

struct NameCase
{
    const char* name;
    const char* cleaned;
    const char* shown;
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.cleaned;
}

class PeerNameRules : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(PeerNameRules, CleansAndShows)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(SyncService::normalizedBonjourName(QString::fromUtf8(c.name)), QString::fromUtf8(c.cleaned));
    EXPECT_EQ(SyncService::friendlyName(QString::fromUtf8(c.name)), QString::fromUtf8(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Table, PeerNameRules,
    ::testing::Values(NameCase { "QUAVEL iOS 1F3A (2)", "QUAVEL iOS 1F3A", "iPhone 1F3A" },
        NameCase { "QUAVEL Android 77C0", "QUAVEL Android 77C0", "Android 77C0" },
        NameCase { "QUAVEL Mac 0B12", "QUAVEL Mac 0B12", "Mac 0B12" },
        // The prefix test needs the blank and the exact case.
        NameCase { "QUAVEL iOS", "QUAVEL iOS", "QUAVEL iOS" },
        NameCase { "quavel ios 1F3A", "quavel ios 1F3A", "quavel ios 1F3A" },
        NameCase { "Studio photo", "Studio photo", "Studio photo" },
        NameCase { "  Atelier (12)\n", "Atelier", "Atelier" },
        NameCase { "Atelier (x)", "Atelier (x)", "Atelier (x)" },
        NameCase { "Atelier(2)", "Atelier(2)", "Atelier(2)" },
        // Only the last suffix goes, and nothing is trimmed after the cut.
        NameCase { "Atelier  (2)", "Atelier ", "Atelier " },
        NameCase { "Atelier (2) (3)", "Atelier (2)", "Atelier (2)" },
        NameCase { "Atelier (٣)", "Atelier", "Atelier" }));

TEST(PeerNames, MatchIgnoresCaseAndSuffix)
{
    EXPECT_TRUE(SyncService::namesMatch(QStringLiteral("atelier (3)"), QStringLiteral("Atelier")));
    EXPECT_TRUE(SyncService::namesMatch(QStringLiteral(" ÉCURIE "), QStringLiteral("écurie (2)")));
    EXPECT_FALSE(SyncService::namesMatch(QStringLiteral("Atelier 2"), QStringLiteral("Atelier")));
}

TEST(PeerNames, UniqueDeviceNamesKeepsFirstOfEachKey)
{
    const QStringList input { QStringLiteral("  Studio "), QStringLiteral("studio"),
        QStringLiteral("Studio (2)"), QStringLiteral(""), QStringLiteral("Atelier"), QStringLiteral(" \n") };
    EXPECT_EQ(SyncService::uniqueDeviceNames(input),
        (QStringList { QStringLiteral("Studio"), QStringLiteral("Atelier") }));
}

struct ScoreCase
{
    NetEndpoint::Kind kind;
    std::optional<int> interfaceIndex;
    InterfaceType type;
    int score;
};

void PrintTo(const ScoreCase& c, std::ostream* os)
{
    *os << "score " << c.score;
}

class EndpointScores : public ::testing::TestWithParam<ScoreCase>
{
};

TEST_P(EndpointScores, RanksPaths)
{
    NetEndpoint e;
    e.kind = GetParam().kind;
    e.interfaceIndex = GetParam().interfaceIndex;
    e.interfaceType = GetParam().type;
    EXPECT_EQ(SyncService::endpointScore(e), GetParam().score);
}

INSTANTIATE_TEST_SUITE_P(Table, EndpointScores,
    ::testing::Values(ScoreCase { NetEndpoint::Kind::service, std::nullopt, InterfaceType::loopback, 4 },
        ScoreCase { NetEndpoint::Kind::service, 3, InterfaceType::wifi, 3 },
        ScoreCase { NetEndpoint::Kind::service, 2, InterfaceType::wiredEthernet, 2 },
        ScoreCase { NetEndpoint::Kind::service, 5, InterfaceType::other, 1 },
        ScoreCase { NetEndpoint::Kind::service, 6, InterfaceType::cellular, 0 },
        ScoreCase { NetEndpoint::Kind::service, 1, InterfaceType::loopback, 0 },
        ScoreCase { NetEndpoint::Kind::hostPort, std::nullopt, InterfaceType::wifi, 0 }));

TEST(LocalNetworkDenied, ReadsCodeAndTexts)
{
    EXPECT_TRUE(SyncService::isLocalNetworkDenied({ NetError::Domain::dnsService, -65570, {}, {} }));
    EXPECT_TRUE(SyncService::isLocalNetworkDenied(
        { NetError::Domain::posix, 1, {}, QStringLiteral("kDNSServiceErr_policydenied") }));
    EXPECT_TRUE(
        SyncService::isLocalNetworkDenied({ NetError::Domain::posix, 1, {}, QStringLiteral("error 65570") }));
    EXPECT_FALSE(SyncService::isLocalNetworkDenied(
        { NetError::Domain::dnsService, -65569, {}, QStringLiteral("Timeout") }));
    EXPECT_FALSE(SyncService::isLocalNetworkDenied({ NetError::Domain::posix, -65570, {}, {} }));
}

} // namespace
} // namespace quavel
