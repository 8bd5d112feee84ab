#pragma once

#include "platform/net/NetConnection.h"
#include "platform/net/NetworkFactory.h"

#include <QAbstractSocket>
#include <QTimer>

class QTcpSocket;

namespace quavel {

// A TCP link over QTcpSocket: dialled to an endpoint's address (with the connect time-out of the
// options) or wrapping an accepted socket. Keep-alive (with its idle time) and no-delay are set once
// connected. Receives hand over what the socket holds, up to the asked length, and the socket holds no
// more than that; the peer's end of the stream is reported after its last byte.
class PeerConnection : public NetConnection
{
public:
    PeerConnection(const NetEndpoint& endpoint, const TcpOptions& options);
    // Takes ownership of a connected socket.
    PeerConnection(QTcpSocket* accepted, const TcpOptions& options);
    ~PeerConnection() override;

    NetEndpoint endpoint() const override { return m_endpoint; }
    void start() override;
    void cancel() override;
    void send(const QByteArray& bytes) override;
    void receive(qint64 maximumLength, ReceiveHandler handler) override;

    QTcpSocket* socket() const { return m_socket; }

private:
    void wireSocket();
    void applyOptions();
    void becomeReady();
    void failWith(const NetError& error);
    void serveReceive();
    void post(std::function<void()> action);

    NetEndpoint m_endpoint;
    TcpOptions m_options;
    QTcpSocket* m_socket;
    QTimer m_connectTimer;
    bool m_accepted;
    bool m_started = false;
    bool m_ready = false;
    bool m_cancelled = false;
    bool m_failed = false;
    bool m_peerClosed = false;
    std::optional<NetError> m_error;
    qint64 m_receiveLength = 0;
    ReceiveHandler m_receiveHandler;
};

} // namespace quavel
