// Links that never say who they are, over real loopback sockets.
#include "LoopbackLinks.h"

#include "sync/SyncLimits.h"

#include <gtest/gtest.h>

namespace quavel::test {
namespace {

using UnannouncedLinks = LoopbackLinks;

} // namespace

// 8 MB of empty frames from a link that never says who it is: the desktop reads a few of them, closes
// the link, and its GUI thread has spent a fraction of a second on it all.
TEST_F(UnannouncedLinks, aFloodOfEmptyFramesCostsTheGuiThreadLittle)
{
    const double cpu = threadSeconds();
    RawClient flood(server.serverPort());
    ASSERT_TRUE(flood.connected());
    flood.send(QByteArray(8 * 1024 * 1024, '\0'));
    ASSERT_TRUE(waitUntil([&] { return flood.closedByDesktop(); }, 10000));
    ASSERT_TRUE(waitUntil([&] { return flood.sent(); }, 10000));
    pump(50);
    if (timeBoundsApply()) {
        EXPECT_LT(threadSeconds() - cpu, 0.5);
    }
    EXPECT_LT(flood.written(), 8 * 1024 * 1024);
    EXPECT_EQ(pendingLinks(), 0);
}

// More silent links than the limit: the oldest give way, so at most a few stay open at once.
TEST_F(UnannouncedLinks, linksBeyondTheLimitAreClosed)
{
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 10; ++i) {
        clients.push_back(std::make_unique<RawClient>(server.serverPort()));
        ASSERT_TRUE(waitUntil([&] { return pendingLinks() == std::min(i + 1, SyncLimits::pendingLinks); }));
    }
    int closed = 0;
    ASSERT_TRUE(waitUntil([&] {
        closed = 0;
        for (const auto& c : clients)
            closed += c->closedByDesktop();
        return closed == 10 - SyncLimits::pendingLinks;
    }));
    for (int i = 0; i < 10 - SyncLimits::pendingLinks; ++i)
        EXPECT_TRUE(clients[size_t(i)]->closedByDesktop()) << "the oldest go first: " << i;
    EXPECT_EQ(pendingLinks(), SyncLimits::pendingLinks);
    for (const QString& title : titles)
        EXPECT_FALSE(title.contains(QStringLiteral("pending"))) << title.toStdString();
}

// Partial frames of nearly 8 MB on silent links: each link may hold a little, all of them together a
// little more, and the link that goes past either is closed; the library never hears of them.
TEST_F(UnannouncedLinks, partialFramesAndNamelessLibrariesHoldLittleAndWriteNothing)
{
    const QByteArray part = frameHeader(7900000) + QByteArray(200 * 1024, 'x');
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<RawClient>(server.serverPort()));
        clients.back()->send(part);
        ASSERT_TRUE(waitUntil([&] { return clients.back()->sent(); }));
        pump(100);
    }
    // 200 KiB each: two links fit the total, the third goes past it.
    EXPECT_FALSE(clients[0]->closedByDesktop());
    EXPECT_FALSE(clients[1]->closedByDesktop());
    EXPECT_TRUE(clients[2]->closedByDesktop());
    RawClient big(server.serverPort());
    big.send(frameHeader(7900000) + QByteArray(SyncLimits::pendingLinkBytes + 1, 'x'));
    EXPECT_TRUE(waitUntil([&] { return big.closedByDesktop(); }));

    // Libraries without a name, or with one that is not enabled, and garbage: nothing is merged.
    clients.clear();
    pump(50);
    RawClient sly(server.serverPort());
    sly.send(envelopeFrame(SyncEnvelopeKind::library, std::nullopt, sampleLibrary("Anonyme"))
        + frameOf("not json")
        + envelopeFrame(SyncEnvelopeKind::library, QStringLiteral("Intrus"), sampleLibrary("Intrus")));
    EXPECT_TRUE(waitUntil([&] { return sly.closedByDesktop(); }));
    EXPECT_TRUE(merged.isEmpty());
    EXPECT_TRUE(service().connectedPeerNames().isEmpty());
    for (const QString& title : titles)
        EXPECT_FALSE(title.contains(QStringLiteral("pending"))) << title.toStdString();
}

} // namespace quavel::test
