// The network layer against the real libraries: sockets on 127.0.0.1, and the avahi-daemon where
// QUAVEL_TEST_AVAHI says one runs.
#include "LoopbackLinks.h"
#include "common/TestSupport.h"
#include "platform/UuidText.h"
#include "platform/net/DnsSdClient.h"
#include "platform/net/PathMonitor.h"
#include "platform/net/PeerConnection.h"
#include "platform/net/ServiceAdvertiser.h"
#include "platform/net/ServiceBrowser.h"
#include "platform/net/ServiceListener.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <QNetworkInterface>

namespace quavel::test {
namespace {

const QString kType = QStringLiteral("_quavel-sync._tcp");

TEST(ServiceNames, NextNameCountsUp)
{
    EXPECT_EQ(ServiceAdvertiser::nextName("QUAVEL Mac 0B12"), QStringLiteral("QUAVEL Mac 0B12 (2)"));
    EXPECT_EQ(ServiceAdvertiser::nextName("Studio (2)"), QStringLiteral("Studio (3)"));
    EXPECT_EQ(ServiceAdvertiser::nextName("Studio (9)"), QStringLiteral("Studio (10)"));
    EXPECT_EQ(ServiceAdvertiser::nextName("Studio(2)"), QStringLiteral("Studio(2) (2)"));
}

int intOption(QTcpSocket* socket, int level, int name)
{
    int value = -1;
    socklen_t size = sizeof value;
    ::getsockopt(int(socket->socketDescriptor()), level, name, &value, &size);
    return value;
}

struct Received
{
    QByteArray data;
    bool complete = false;
    bool error = false;
    int calls = 0;
};

void receiveInto(PeerConnection& c, Received& r, qint64 maximum)
{
    c.receive(maximum, [&r](const QByteArray& d, bool complete, const std::optional<NetError>& e) {
        r.data += d;
        r.complete = complete;
        r.error = e.has_value();
        ++r.calls;
    });
}

TEST(PeerConnectionTest, DialsWithTheOptionsAndReadsUpToTheAskedLength)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    TcpOptions options;
    PeerConnection c(NetEndpoint::hostPort(QHostAddress::LocalHost, server.serverPort()), options);
    QList<NetState> states;
    c.setStateHandler([&](NetState s, const std::optional<NetError>&) { states.append(s); });
    c.start();
    ASSERT_TRUE(waitUntil([&] { return states.contains(NetState::ready); }));
    EXPECT_EQ(states.first(), NetState::preparing);
    EXPECT_EQ(intOption(c.socket(), SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(intOption(c.socket(), IPPROTO_TCP, TCP_NODELAY), 1);
    EXPECT_EQ(intOption(c.socket(), IPPROTO_TCP, TCP_KEEPIDLE), 5);

    ASSERT_TRUE(waitUntil([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    peer->write(QByteArray(10, 'a'));
    peer->flush();
    Received r;
    receiveInto(c, r, 4);
    ASSERT_TRUE(waitUntil([&] { return r.calls == 1; }));
    EXPECT_EQ(r.data, QByteArray(4, 'a'));
    // The rest, then the end of the stream only after the last byte.
    peer->disconnectFromHost();
    while (!r.complete && !r.error) {
        const int calls = r.calls;
        receiveInto(c, r, 262144);
        ASSERT_TRUE(waitUntil([&] { return r.calls == calls + 1; }));
    }
    EXPECT_EQ(r.data, QByteArray(10, 'a'));
    EXPECT_TRUE(r.complete);
    EXPECT_FALSE(r.error);
}

TEST(PeerConnectionTest, RefusedDialFailsAndCancelSilencesEverything)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const quint16 port = server.serverPort();
    server.close();
    PeerConnection refused(NetEndpoint::hostPort(QHostAddress::LocalHost, port), TcpOptions {});
    std::optional<NetError> error;
    bool failed = false;
    refused.setStateHandler([&](NetState s, const std::optional<NetError>& e) {
        failed = failed || s == NetState::failed;
        error = e;
    });
    refused.start();
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->message, QStringLiteral("L’appareil a refusé la connexion."));

    PeerConnection cancelled(NetEndpoint::hostPort(QHostAddress::LocalHost, port), TcpOptions {});
    int calls = 0;
    cancelled.setStateHandler([&](NetState, const std::optional<NetError>&) { ++calls; });
    cancelled.start();
    cancelled.cancel();
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(calls, 0);
}

// A peer that writes faster than the desktop reads: the socket holds no more than one receive takes
// (TCP holds the rest back), and every byte still arrives, in order.
TEST(PeerConnectionTest, HoldsNoMoreThanOneReceiveAndLosesNothing)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QByteArray sent(8 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < sent.size(); ++i)
        sent[i] = char(i % 251);
    RawClient writer(server.serverPort());
    ASSERT_TRUE(writer.connected());
    ASSERT_TRUE(waitUntil([&] { return server.hasPendingConnections(); }));
    PeerConnection c(server.nextPendingConnection(), TcpOptions {});
    c.start();
    writer.send(sent);

    constexpr qint64 chunk = 262144;
    QByteArray received;
    qint64 mostHeld = 0;
    std::function<void()> next = [&] {
        c.receive(chunk, [&](const QByteArray& data, bool, const std::optional<NetError>&) {
            mostHeld = std::max(mostHeld, c.socket()->bytesAvailable() + data.size());
            received += data;
            if (!data.isEmpty())
                next();
        });
    };
    next();
    ASSERT_TRUE(waitUntil([&] { return received.size() == sent.size(); }, 20000)) << received.size();
    EXPECT_TRUE(received == sent);
    EXPECT_LE(mostHeld, chunk);
}

TEST(PathMonitorTest, ReportsOnceAtStart)
{
    PathMonitor monitor;
    int reports = 0;
    monitor.updateHandler = [&](NetPathStatus) { ++reports; };
    monitor.start();
    ASSERT_TRUE(waitUntil([&] { return reports == 1; }));
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(reports, 1);
}

// Without a daemon nobody can be found: the browser says so at once instead of searching forever.
TEST(DnsSdWithoutDaemon, BrowserFailsWithTheFrenchMessage)
{
    auto client = DnsSdClient::shared();
    if (!client->isDaemonMissing())
        GTEST_SKIP() << "an avahi-daemon answers on this machine";
    ServiceBrowser browser(kType, QStringLiteral("local."), client);
    std::optional<NetState> state;
    std::optional<NetError> error;
    browser.stateHandler = [&](NetState s, const std::optional<NetError>& e) {
        state = s;
        error = e;
    };
    browser.start();
    ASSERT_TRUE(waitUntil([&] { return state.has_value(); }, 2000));
    EXPECT_EQ(*state, NetState::failed);
    ASSERT_TRUE(error);
    EXPECT_EQ(
        error->message, QStringLiteral("Le service de découverte du réseau local (Avahi) ne répond pas."));
}

class DnsSd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QUAVEL_TEST_AVAHI"))
            GTEST_SKIP() << "no avahi-daemon for the tests (QUAVEL_TEST_AVAHI unset)";
    }
    static QString uniqueName(const char* base)
    {
        return QString::fromUtf8(base) + " " + uuidText(QUuid::createUuid()).left(6);
    }
};

TEST_F(DnsSd, TakenNameIsRenamedAndBothAreBrowsedWithTheirRecords)
{
    const QString name = uniqueName("QUAVEL Test");
    ServiceRecord record { name, kType, QStringLiteral("local."),
        { { "app", "QUAVEL" }, { "role", "ios" } } };
    ServiceAdvertiser first(record, 4001);
    first.start();
    ASSERT_TRUE(waitUntil([&] { return first.isEstablished(); }));
    ServiceAdvertiser second(record, 4002);
    second.start();
    ASSERT_TRUE(waitUntil([&] { return second.isEstablished(); }));
    EXPECT_EQ(first.name(), name);
    EXPECT_EQ(second.name(), name + " (2)");

    ServiceBrowser browser(kType, QStringLiteral("local."));
    QList<BrowseResult> latest;
    std::optional<NetState> state;
    browser.resultsHandler = [&](const QList<BrowseResult>& r) { latest = r; };
    browser.stateHandler = [&](NetState s, const std::optional<NetError>&) { state = s; };
    browser.start();
    auto find = [&](const QString& n) -> std::optional<BrowseResult> {
        for (const BrowseResult& r : latest) {
            if (r.endpoint.serviceName == n)
                return r;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(waitUntil([&] { return find(name) && find(name + " (2)"); }));
    EXPECT_EQ(state, NetState::ready);
    const BrowseResult r = *find(name + " (2)");
    EXPECT_TRUE(r.endpoint.isService());
    EXPECT_EQ(r.endpoint.port, 4002);
    // The daemon may publish on more than loopback (one already running on this host): any address of
    // this machine is a correct resolution.
    EXPECT_TRUE(QNetworkInterface::allAddresses().contains(r.endpoint.address))
        << r.endpoint.address.toString().toStdString();
    EXPECT_EQ(r.txt, (QMap<QString, QString> { { "app", "QUAVEL" }, { "role", "ios" } }));

    second.cancel();
    ASSERT_TRUE(waitUntil([&] { return find(name) && !find(name + " (2)"); }));
}

TEST_F(DnsSd, ListenerAcceptsOnItsAdvertisedPort)
{
    const QString name = uniqueName("QUAVEL Listener");
    auto listener = ServiceListener::create({ name, kType, QStringLiteral("local."), {} }, TcpOptions {});
    ASSERT_TRUE(listener);
    std::optional<NetState> state;
    listener->stateHandler = [&](NetState s, const std::optional<NetError>&) { state = s; };
    NetConnectionPtr accepted;
    listener->newConnectionHandler = [&](NetConnectionPtr c) { accepted = std::move(c); };
    listener->start();
    ASSERT_TRUE(waitUntil([&] { return state == NetState::ready; }));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener->port());
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    bool ready = false;
    accepted->setStateHandler(
        [&](NetState s, const std::optional<NetError>&) { ready = s == NetState::ready; });
    accepted->start();
    EXPECT_TRUE(waitUntil([&] { return ready; }));
    EXPECT_EQ(listener->advertisedName(), name);
}

} // namespace
} // namespace quavel::test
