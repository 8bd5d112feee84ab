#include "platform/net/PeerConnection.h"

#include "platform/net/NetworkErrors.h"

#include <QTcpSocket>

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace quavel {

PeerConnection::PeerConnection(const NetEndpoint& endpoint, const TcpOptions& options)
    : m_endpoint(endpoint)
    , m_options(options)
    , m_socket(new QTcpSocket)
    , m_accepted(false)
{
    wireSocket();
}

PeerConnection::PeerConnection(QTcpSocket* accepted, const TcpOptions& options)
    : m_endpoint(NetEndpoint::hostPort(accepted->peerAddress(), accepted->peerPort()))
    , m_options(options)
    , m_socket(accepted)
    , m_accepted(true)
{
    m_socket->setParent(nullptr);
    wireSocket();
}

PeerConnection::~PeerConnection()
{
    m_socket->disconnect(this);
    m_socket->abort();
    delete m_socket;
}

void PeerConnection::post(std::function<void()> action)
{
    QMetaObject::invokeMethod(
        this,
        [this, action = std::move(action)] {
            if (!m_cancelled)
                action();
        },
        Qt::QueuedConnection);
}

void PeerConnection::wireSocket()
{
    m_connectTimer.setSingleShot(true);
    QObject::connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        m_socket->abort();
        failWith(posixError(ETIMEDOUT, QStringLiteral("connect timed out")));
    });
    QObject::connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer.stop();
        becomeReady();
    });
    QObject::connect(m_socket, &QTcpSocket::readyRead, this, [this] { serveReceive(); });
    QObject::connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_peerClosed = true;
        serveReceive();
    });
    QObject::connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (m_cancelled)
            return;
        if (error == QAbstractSocket::RemoteHostClosedError && m_ready) {
            // The peer ended its side: reported by the receive path after the bytes still held.
            m_peerClosed = true;
            serveReceive();
            return;
        }
        m_connectTimer.stop();
        failWith(socketError(error, m_socket->errorString()));
    });
}

void PeerConnection::start()
{
    if (m_started || m_cancelled)
        return;
    m_started = true;
    if (m_accepted) {
        post([this] { becomeReady(); });
        return;
    }
    post([this] { reportState(NetState::preparing); });
    m_connectTimer.start(m_options.connectTimeoutMs);
    m_socket->connectToHost(m_endpoint.address, m_endpoint.port);
}

void PeerConnection::applyOptions()
{
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, m_options.keepAlive ? 1 : 0);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, m_options.noDelay ? 1 : 0);
    const qintptr fd = m_socket->socketDescriptor();
    if (fd >= 0 && m_options.keepAlive) {
        const int idle = m_options.keepAliveIdleSeconds;
        ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    }
}

void PeerConnection::becomeReady()
{
    if (m_ready || m_failed)
        return;
    applyOptions();
    m_ready = true;
    reportState(NetState::ready);
    serveReceive();
}

void PeerConnection::failWith(const NetError& error)
{
    if (m_failed)
        return;
    m_failed = true;
    m_error = error;
    // State first, then the pending receive: either one tells the owner the link is lost.
    post([this, error] { reportState(NetState::failed, error); });
    post([this] { serveReceive(); });
}

void PeerConnection::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    m_receiveHandler = nullptr;
    clearStateHandler();
    m_connectTimer.stop();
    m_socket->abort();
}

void PeerConnection::send(const QByteArray& bytes)
{
    if (m_cancelled || m_failed || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(bytes);
}

void PeerConnection::receive(qint64 maximumLength, ReceiveHandler handler)
{
    if (m_cancelled)
        return;
    m_receiveLength = std::max<qint64>(1, maximumLength);
    // The socket takes from the kernel no more than one receive hands over: a peer that sends faster
    // than it is read is held back by TCP instead of filling memory.
    if (m_socket->readBufferSize() != m_receiveLength)
        m_socket->setReadBufferSize(m_receiveLength);
    m_receiveHandler = std::move(handler);
    post([this] { serveReceive(); });
}

void PeerConnection::serveReceive()
{
    if (m_cancelled || !m_receiveHandler)
        return;
    QByteArray data;
    bool complete = false;
    std::optional<NetError> error;
    if (m_ready && m_socket->bytesAvailable() > 0) {
        data = m_socket->read(std::min(m_socket->bytesAvailable(), m_receiveLength));
    } else if (m_failed) {
        error = m_error;
    } else if (m_peerClosed) {
        complete = true;
    } else {
        return; // nothing yet: readyRead, disconnected or an error will serve it
    }
    ReceiveHandler handler = std::move(m_receiveHandler);
    m_receiveHandler = nullptr;
    handler(data, complete, error);
}

} // namespace quavel
