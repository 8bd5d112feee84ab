#pragma once

// Links over real loopback sockets: a real accepted socket (PeerConnection) handed to the service through
// the fake listener, and plain POSIX clients writing from threads of their own, as anyone on the local
// network may.
#include "SyncFixture.h"

#include "platform/net/PeerConnection.h"

#include <QTcpServer>
#include <QTcpSocket>

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

// Processor time the calling thread has used, in seconds.
inline double threadSeconds()
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

    // Writes from a thread of its own; one send at a time (the previous one is waited for).
    void send(QByteArray bytes)
    {
        if (m_writer.joinable())
            m_writer.join();
        m_done = false;
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

    // The desktop ended the link: the stream reads as ended or reset. Bytes the desktop sent are
    // left unread (peeked at only).
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

inline QByteArray frameHeader(quint32 length)
{
    QByteArray bytes(4, '\0');
    bytes[0] = char(length >> 24);
    bytes[1] = char(length >> 16);
    bytes[2] = char(length >> 8);
    bytes[3] = char(length);
    return bytes;
}

// A started desktop with one enabled iPhone, nothing browsed, whose listener takes real loopback
// sockets; merges and status lines are recorded.
class LoopbackLinks : public SyncFixture
{
protected:
    static inline const QString kIPhone = QStringLiteral("QUAVEL iOS 1F3A");

    void SetUp() override
    {
        using namespace std::chrono_literals;
        timing.pendingNameTimeout = 30000ms; // the limits close these links, not the clock
        service().setPeerEnabled(kIPhone, true);
        service().onLibraryReceived = [this](const LibrarySnapshot& snapshot) { merged.append(snapshot); };
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
    QList<LibrarySnapshot> merged;
    QStringList titles;
};

} // namespace quavel::test
