#include "SyncFixture.h"

#include "platform/text/Regex.h"
#include "sync/SyncLimits.h"

#include <QtEndian>

namespace quavel::test {
namespace {

const QString kAndroid = QStringLiteral("QUAVEL Android 77C0");
const QString kIPhone = QStringLiteral("QUAVEL iOS 1F3A");

class SyncExchange : public SyncFixture
{
protected:
    void SetUp() override
    {
        service().onLibraryReceived = [this](const LibrarySnapshot& s) { received.append(s); };
    }

    // An enabled Android phone in reach: the desktop dials it at once.
    FakeConnection* dialledReadyLink(bool ready = true)
    {
        startedWith({ kAndroid }, { kAndroid });
        FakeConnection* c = network.dialled();
        if (ready)
            c->report(NetState::ready);
        return c;
    }

    // An iPhone dialling the desktop, with `enabled` enabled.
    FakeConnection* incomingReadyLink(const QStringList& enabled = { kIPhone })
    {
        startedWith({}, enabled);
        FakeConnection* c = network.listener()->incoming();
        c->report(NetState::ready);
        return c;
    }

    QList<LibrarySnapshot> received;
};

TEST_F(SyncExchange, ReadyLinkSendsHelloThenRequest)
{
    FakeConnection* c = dialledReadyLink();
    const QList<SyncEnvelope> sent = c->sentEnvelopes();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].kind, SyncEnvelopeKind::hello);
    EXPECT_EQ(sent[0].platform, QStringLiteral("mac"));
    EXPECT_EQ(sent[0].peerName, QStringLiteral("QUAVEL Mac 0B12"));
    EXPECT_EQ(sent[1].kind, SyncEnvelopeKind::requestLibrary);
    EXPECT_EQ(sent[1].platform, QStringLiteral("mac"));
    EXPECT_FALSE(sent[1].peerName || sent[1].snapshot);
    EXPECT_EQ(c->requestedLength, 262144);
    const TcpOptions& o = network.dialOptions.last();
    EXPECT_TRUE(o.keepAlive && o.noDelay);
    EXPECT_EQ(o.keepAliveIdleSeconds, 5);
    EXPECT_EQ(o.connectTimeoutMs, 8000);
}

TEST_F(SyncExchange, HelloOfAnEnabledPeerRekeysTheLinkAndAsksOnce)
{
    FakeConnection* c = incomingReadyLink();
    ASSERT_EQ(service().linkKeys().size(), 1);
    const QString pending = service().linkKeys().first();
    EXPECT_TRUE(Regex(QStringLiteral("^pending-[0-9A-F]{6}$")).matchesEntirely(pending))
        << pending.toStdString();
    // Ready, but nobody yet: the pending name is shown nowhere, and no device is synced.
    EXPECT_EQ(service().status(), SyncStatus::searching());
    EXPECT_TRUE(service().connectedPeerNames().isEmpty());
    EXPECT_FALSE(service().statusTitle().contains(QStringLiteral("pending")));

    // The hello arrives in two receives, cut inside its header.
    const QByteArray hello = envelopeFrame(SyncEnvelopeKind::hello, QStringLiteral("quavel ios 1f3a (2)"));
    ASSERT_TRUE(c->deliver(hello.left(2)));
    EXPECT_EQ(c->sentEnvelopes().size(), 2);
    ASSERT_TRUE(c->deliver(hello.mid(2)));
    EXPECT_EQ(service().linkKeys(), QStringList { "quavel ios 1f3a (2)" });
    const auto sent = c->sentEnvelopes();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[2].kind, SyncEnvelopeKind::requestLibrary);
    EXPECT_EQ(service().status(), SyncStatus::synced("quavel ios 1f3a (2)"));
    EXPECT_EQ(service().statusTitle(), QStringLiteral("Synchronisé · quavel ios 1f3a"));
    EXPECT_TRUE(c->isReceiving());
}

TEST_F(SyncExchange, HelloOfAPeerNotEnabledDropsTheLinkSilently)
{
    FakeConnection* c = incomingReadyLink({ QStringLiteral("Studio") });
    c->deliver(envelopeFrame(SyncEnvelopeKind::hello, QStringLiteral("Intrus")));
    EXPECT_TRUE(c->cancelled);
    EXPECT_EQ(c->sentEnvelopes().size(), 2);
    EXPECT_TRUE(service().linkKeys().isEmpty());
    EXPECT_EQ(service().status(), SyncStatus::searching());
}

enum class Delivery {
    dialledNamed,
    dialledNameless,
    incomingNameless,
    incomingAfterHello,
    incomingOtherName,
    noSnapshot
};

struct LibraryCase
{
    const char* label;
    Delivery delivery;
    bool merged;
};

void PrintTo(const LibraryCase& c, std::ostream* os)
{
    *os << c.label;
}

class LibraryAcceptance : public SyncExchange, public ::testing::WithParamInterface<LibraryCase>
{
};

TEST_P(LibraryAcceptance, MergesOnlyFromLinksOfEnabledPeers)
{
    const LibrarySnapshot library = sampleLibrary();
    QByteArray frames;
    FakeConnection* c = nullptr;
    switch (GetParam().delivery) {
    case Delivery::dialledNamed:
        c = dialledReadyLink();
        frames = envelopeFrame(SyncEnvelopeKind::library, kAndroid, library);
        break;
    case Delivery::dialledNameless:
        c = dialledReadyLink();
        frames = envelopeFrame(SyncEnvelopeKind::library, std::nullopt, library);
        break;
    case Delivery::incomingNameless:
        c = incomingReadyLink();
        frames = envelopeFrame(SyncEnvelopeKind::library, std::nullopt, library);
        break;
    case Delivery::incomingAfterHello:
        c = incomingReadyLink();
        frames = envelopeFrame(SyncEnvelopeKind::hello, kIPhone)
            + envelopeFrame(SyncEnvelopeKind::library, std::nullopt, library);
        break;
    case Delivery::incomingOtherName:
        c = incomingReadyLink();
        frames = envelopeFrame(SyncEnvelopeKind::library, QStringLiteral("QUAVEL iOS 0000"), library);
        break;
    case Delivery::noSnapshot:
        c = dialledReadyLink();
        frames = envelopeFrame(SyncEnvelopeKind::library, kAndroid);
        break;
    }
    ASSERT_TRUE(c->deliver(frames));
    ASSERT_EQ(received.size(), GetParam().merged ? 1 : 0);
    if (GetParam().merged) {
        EXPECT_EQ(received.first(), library);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, LibraryAcceptance,
    ::testing::Values(LibraryCase { "dialledNamed", Delivery::dialledNamed, true },
        LibraryCase { "dialledNameless", Delivery::dialledNameless, true },
        LibraryCase { "incomingNameless", Delivery::incomingNameless, false },
        LibraryCase { "incomingAfterHello", Delivery::incomingAfterHello, true },
        LibraryCase { "incomingOtherName", Delivery::incomingOtherName, false },
        LibraryCase { "noSnapshot", Delivery::noSnapshot, false }),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SyncExchange, FramesBufferedBehindADroppingOneAreNotHandled)
{
    FakeConnection* c = incomingReadyLink();
    // Both frames arrive in one receive; the first drops the link.
    c->deliver(envelopeFrame(SyncEnvelopeKind::hello, QStringLiteral("Intrus"))
        + envelopeFrame(SyncEnvelopeKind::library, kIPhone, sampleLibrary()));
    EXPECT_TRUE(received.isEmpty());
    EXPECT_TRUE(service().linkKeys().isEmpty());
    EXPECT_FALSE(c->isReceiving());
}

struct LossCase
{
    const char* label;
    QByteArray bytes;
    bool isComplete;
    bool error;
};

void PrintTo(const LossCase& c, std::ostream* os)
{
    *os << c.label;
}

class LinkLoss : public SyncExchange, public ::testing::WithParamInterface<LossCase>
{
};

TEST_P(LinkLoss, DropsTheLinkAndDialsTheEnabledPeerAgain)
{
    FakeConnection* c = dialledReadyLink();
    const auto dials = network.dials.size();
    std::optional<NetError> error;
    if (GetParam().error)
        error = NetError { NetError::Domain::socket, 1, QStringLiteral("Réinitialisé"), {} };
    ASSERT_TRUE(c->deliver(GetParam().bytes, GetParam().isComplete, error));
    EXPECT_TRUE(c->cancelled);
    EXPECT_FALSE(c->isReceiving());
    EXPECT_TRUE(service().linkKeys().isEmpty());
    EXPECT_EQ(service().status(), SyncStatus::searching());
    EXPECT_EQ(network.dials.size(), dials);
    ASSERT_TRUE(waitUntil([&] { return network.dials.size() == dials + 1; }, 2000));
    EXPECT_EQ(network.dialledEndpoints.last().serviceName, kAndroid);
    EXPECT_TRUE(received.isEmpty());
}

// Receives that each hold no more undecodable frames than allowed still add up: past the budget of a
// link's life, the link is dropped, whatever valid frames came between.
TEST_F(SyncExchange, UndecodableFramesOverALinksLifeAreBudgeted)
{
    FakeConnection* c = dialledReadyLink();
    const QByteArray run = frameOf("x").repeated(SyncLimits::undecodablePerReceive);
    const QByteArray library = envelopeFrame(SyncEnvelopeKind::library, kAndroid, sampleLibrary());
    int undecodable = 0;
    while (undecodable + run.size() / 5 <= SyncLimits::undecodablePerLink) {
        ASSERT_TRUE(c->deliver(run + library)) << "dropped after " << undecodable;
        undecodable += SyncLimits::undecodablePerReceive;
    }
    ASSERT_EQ(undecodable, SyncLimits::undecodablePerLink);
    EXPECT_EQ(received.size(), SyncLimits::undecodablePerLink / SyncLimits::undecodablePerReceive);
    EXPECT_FALSE(c->cancelled);
    ASSERT_TRUE(c->deliver(frameOf("x") + library));
    EXPECT_TRUE(c->cancelled);
    EXPECT_FALSE(c->isReceiving());
    EXPECT_TRUE(service().linkKeys().isEmpty());
    EXPECT_EQ(received.size(), SyncLimits::undecodablePerLink / SyncLimits::undecodablePerReceive);
}

QByteArray oversizedHeader()
{
    QByteArray h(4, Qt::Uninitialized);
    qToBigEndian(quint32(8000000), h.data());
    return h + QByteArray(100, 'x');
}

INSTANTIATE_TEST_SUITE_P(Causes, LinkLoss,
    ::testing::Values(LossCase { "oversizedHeader", oversizedHeader(), false, false },
        // More frames that are no envelope in one receive than any peer sends.
        LossCase { "undecodableFlood",
            frameOf("x").repeated(SyncLimits::undecodablePerReceive + 1)
                + envelopeFrame(SyncEnvelopeKind::library, kAndroid, sampleLibrary()),
            false, false },
        LossCase { "endOfStream", QByteArray(), true, false },
        LossCase { "receiveError", QByteArray(), false, true },
        // Bytes and the end together: the frame is handled, then the link is lost.
        LossCase {
            "lastFrameThenEnd", envelopeFrame(SyncEnvelopeKind::requestLibrary, std::nullopt), true, false }),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SyncExchange, RekeyingClosesTheLinkItReplaces)
{
    using namespace std::chrono_literals;
    startedWith({ kIPhone }, { kIPhone });
    // The iPhone's name sorts after the desktop's: the desktop dials only after the delay.
    ASSERT_TRUE(waitUntil([&] { return network.dialled() != nullptr; }, 2000));
    FakeConnection* dialled = network.dialled();
    FakeConnection* incoming = network.listener()->incoming();
    // The dialled link is under the peer's name, the accepted one under a pending name.
    ASSERT_EQ(service().linkKeys().size(), 2);
    incoming->report(NetState::ready);
    incoming->deliver(envelopeFrame(SyncEnvelopeKind::hello, kIPhone));
    EXPECT_TRUE(dialled->cancelled);
    EXPECT_FALSE(incoming->cancelled);
    EXPECT_EQ(service().linkKeys(), QStringList { kIPhone });
    dialled->report(NetState::failed); // a late callback of the closed link changes nothing
    EXPECT_EQ(service().linkKeys(), QStringList { kIPhone });
    EXPECT_TRUE(service().isLinked(kIPhone));
}

TEST_F(SyncExchange, AcceptedLinkThatNeverNamesItselfIsClosed)
{
    QPointer<FakeConnection> silent = incomingReadyLink();
    FakeConnection* named = network.listener()->incoming();
    named->report(NetState::ready);
    named->deliver(envelopeFrame(SyncEnvelopeKind::hello, kIPhone));
    ASSERT_TRUE(waitUntil([&] { return silent.isNull() || silent->cancelled; }, 2000));
    pump(200);
    EXPECT_FALSE(named->cancelled);
    EXPECT_EQ(service().linkKeys(), QStringList { kIPhone });
}

} // namespace
} // namespace quavel::test
