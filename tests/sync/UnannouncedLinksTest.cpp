// Links that never say who they are, over real loopback sockets: a real accepted socket (PeerConnection)
// handed to the service through the fake listener, and plain POSIX clients on threads of their own.
#include "SyncFixture.h"

#include "platform/net/PeerConnection.h"
#include "sync/SyncLimits.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quavel::test {
namespace {

const QString kIPhone = QStringLiteral("QUAVEL iOS 1F3A");

double threadSeconds()
{
    timespec t {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A client of anyone on the local network: connects, writes what it is given from a thread of its own
// (as much as the desktop takes before it closes the link), and tells when the desktop has closed it.
class RawClient
{
public:
    explicit RawClient(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient()
    {
        if (m_writer.joinable())
            m_writer.join();
        ::close(m_fd);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return m_connected; }

    void send(QByteArray bytes)
    {
        m_writer = std::thread([this, bytes = std::move(bytes)] {
            qsizetype at = 0;
            while (at < bytes.size()) {
                const ssize_t n
                    = ::send(m_fd, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
                if (n <= 0)
                    break; // the desktop closed the link
                at += n;
            }
            m_written = at;
            m_done = true;
        });
    }
    bool sent() const { return m_done; }
    qint64 written() const { return m_written; }

    // The desktop ended the link: the stream reads as ended or reset.
    bool closedByDesktop() const
    {
        pollfd p { m_fd, POLLIN | POLLRDHUP, 0 };
        if (::poll(&p, 1, 0) <= 0)
            return false;
        if (p.revents & (POLLRDHUP | POLLHUP | POLLERR))
            return true;
        char byte;
        const ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN);
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    std::thread m_writer;
    std::atomic<qint64> m_written { 0 };
    std::atomic<bool> m_done { false };
};

QByteArray header(quint32 length)
{
    QByteArray bytes(4, '\0');
    bytes[0] = char(length >> 24);
    bytes[1] = char(length >> 16);
    bytes[2] = char(length >> 8);
    bytes[3] = char(length);
    return bytes;
}

class UnannouncedLinks : public SyncFixture
{
protected:
    void SetUp() override
    {
        using namespace std::chrono_literals;
        timing.pendingNameTimeout = 30000ms; // the limits close these links, not the clock
        service().setPeerEnabled(kIPhone, true);
        service().onLibraryReceived = [this](const LibrarySnapshot&) { ++merges; };
        QObject::connect(
            &service(), &SyncService::statusChanged, [this] { titles.append(service().statusTitle()); });
        service().start(false);
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
        // Each accepted socket reaches the service as the real listener hands it over.
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                network.listener()->newConnectionHandler(
                    NetConnectionPtr(new PeerConnection(socket, TcpOptions {})));
        });
    }

    int pendingLinks() const
    {
        int n = 0;
        for (const QString& key : m_service->linkKeys())
            n += key.startsWith(QStringLiteral("pending-"));
        return n;
    }

    QTcpServer server;
    int merges = 0;
    QStringList titles;
};

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
    EXPECT_LT(threadSeconds() - cpu, 0.5);
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
    const QByteArray part = header(7900000) + QByteArray(200 * 1024, 'x');
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
    big.send(header(7900000) + QByteArray(SyncLimits::pendingLinkBytes + 1, 'x'));
    EXPECT_TRUE(waitUntil([&] { return big.closedByDesktop(); }));

    // Libraries without a name, or with one that is not enabled, and garbage: nothing is merged.
    clients.clear();
    pump(50);
    RawClient sly(server.serverPort());
    sly.send(envelopeFrame(SyncEnvelopeKind::library, std::nullopt, sampleLibrary("Anonyme"))
        + frameOf("not json")
        + envelopeFrame(SyncEnvelopeKind::library, QStringLiteral("Intrus"), sampleLibrary("Intrus")));
    EXPECT_TRUE(waitUntil([&] { return sly.closedByDesktop(); }));
    EXPECT_EQ(merges, 0);
    EXPECT_TRUE(service().connectedPeerNames().isEmpty());
    for (const QString& title : titles)
        EXPECT_FALSE(title.contains(QStringLiteral("pending"))) << title.toStdString();
}

} // namespace quavel::test
