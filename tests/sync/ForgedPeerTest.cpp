// A link that announces an enabled phone's name (names are advertised, never proven) and then floods the
// desktop with frames that decode to nothing, over real loopback sockets.
#include "LoopbackLinks.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace quavel::test {
namespace {

using ForgedPeer = LoopbackLinks;

bool hasDay(const QList<LibrarySnapshot>& libraries, const QString& name)
{
    for (const LibrarySnapshot& library : libraries)
        for (const DayRecord& day : library.days)
            if (day.name == name)
                return true;
    return false;
}

} // namespace

// After a valid hello under the enabled iPhone's name, 8 MB of one-byte frames, with a library every
// 64 KiB to show how far the desktop read: the link is dropped within the first of them, the GUI thread
// has spent a fraction of a second, and the real phone links and syncs afterwards.
TEST_F(ForgedPeer, floodOfOneByteFramesDropsTheLinkAndThePeerSyncsAfterwards)
{
    const QByteArray oneByteFrame = frameHeader(1) + "x";
    QByteArray flood = envelopeFrame(SyncEnvelopeKind::hello, kIPhone);
    for (int lot = 0; flood.size() < 8 * 1024 * 1024; ++lot) {
        flood += oneByteFrame.repeated(64 * 1024 / oneByteFrame.size());
        flood += envelopeFrame(
            SyncEnvelopeKind::library, std::nullopt, sampleLibrary(QStringLiteral("Lot %1").arg(lot)));
    }

    const double cpu = threadSeconds();
    {
        RawClient forger(server.serverPort());
        ASSERT_TRUE(forger.connected());
        forger.send(flood);
        ASSERT_TRUE(waitUntil([&] { return forger.closedByDesktop(); }, 10000));
        ASSERT_TRUE(waitUntil([&] { return forger.sent(); }, 10000));
        pump(50);
    }
    const double spent = threadSeconds() - cpu;
    if (timeBoundsApply()) {
        EXPECT_LT(spent, 0.5);
    }
    EXPECT_TRUE(merged.isEmpty()) << merged.size() << " libraries read behind the flood";
    EXPECT_TRUE(service().linkKeys().isEmpty());
    EXPECT_TRUE(service().connectedPeerNames().isEmpty());

    RawClient phone(server.serverPort());
    ASSERT_TRUE(phone.connected());
    phone.send(envelopeFrame(SyncEnvelopeKind::hello, kIPhone)
        + envelopeFrame(SyncEnvelopeKind::library, kIPhone, sampleLibrary(QStringLiteral("Samedi"))));
    ASSERT_TRUE(waitUntil([&] { return hasDay(merged, QStringLiteral("Samedi")); }, 10000));
    EXPECT_EQ(service().linkKeys(), QStringList { kIPhone });
    EXPECT_EQ(service().status(), SyncStatus::synced(kIPhone));
    EXPECT_FALSE(phone.closedByDesktop());
}

// A newer phone may send kinds this version does not know: a few such frames between the valid ones
// are skipped, and the library behind them is merged on a link that stays.
TEST_F(ForgedPeer, occasionalUndecodableFramesAreSkipped)
{
    const QByteArray odd = frameOf("x")
        + frameOf(R"({"kind":"ping","platform":"ios","peerName":"QUAVEL iOS 1F3A"})")
        + frameOf("{\"kind\":\"hello\", truncated") + frameOf({});
    RawClient phone(server.serverPort());
    ASSERT_TRUE(phone.connected());
    phone.send(odd + envelopeFrame(SyncEnvelopeKind::hello, kIPhone) + odd.repeated(8)
        + envelopeFrame(SyncEnvelopeKind::library, kIPhone, sampleLibrary(QStringLiteral("Dimanche"))) + odd);
    ASSERT_TRUE(waitUntil([&] { return hasDay(merged, QStringLiteral("Dimanche")); }, 10000));
    pump(100);
    EXPECT_EQ(merged.size(), 1);
    EXPECT_FALSE(phone.closedByDesktop());
    EXPECT_EQ(service().linkKeys(), QStringList { kIPhone });
    EXPECT_EQ(service().status(), SyncStatus::synced(kIPhone));
}

} // namespace quavel::test
