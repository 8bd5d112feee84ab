#include "platform/net/ServiceListener.h"

#include "platform/net/DnsSdClient.h"
#include "platform/net/PeerConnection.h"
#include "platform/net/ServiceAdvertiser.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace quavel {

std::unique_ptr<ServiceListener> ServiceListener::create(const ServiceRecord& service,
    const TcpOptions& options, const QHostAddress& address, std::shared_ptr<DnsSdClient> client)
{
    auto* server = new QTcpServer;
    if (!server->listen(address, 0)) {
        delete server;
        return nullptr;
    }
    return std::unique_ptr<ServiceListener>(
        new ServiceListener(server, service, options, client ? std::move(client) : DnsSdClient::shared()));
}

ServiceListener::ServiceListener(QTcpServer* server, const ServiceRecord& service, const TcpOptions& options,
    std::shared_ptr<DnsSdClient> client)
    : m_server(server)
    , m_advertiser(std::make_unique<ServiceAdvertiser>(service, server->serverPort(), std::move(client)))
    , m_options(options)
{
    m_server->setParent(this);
    QObject::connect(m_server, &QTcpServer::newConnection, this, [this] { acceptPending(); });
    m_advertiser->onFailed = [this](const NetError& error) { report(NetState::failed, error); };
}

ServiceListener::~ServiceListener() = default;

quint16 ServiceListener::port() const
{
    return m_server->serverPort();
}

QString ServiceListener::advertisedName() const
{
    return m_advertiser->name();
}

void ServiceListener::report(NetState state, const std::optional<NetError>& error)
{
    if (m_state == NetState::cancelled)
        return;
    m_state = state;
    QMetaObject::invokeMethod(
        this,
        [this, state, error] {
            if (m_state != NetState::cancelled && stateHandler)
                stateHandler(state, error);
        },
        Qt::QueuedConnection);
}

void ServiceListener::start()
{
    if (m_state != NetState::setup)
        return;
    m_advertiser->start();
    report(NetState::ready);
}

void ServiceListener::cancel()
{
    m_state = NetState::cancelled;
    stateHandler = nullptr;
    newConnectionHandler = nullptr;
    m_advertiser->cancel();
    m_server->close();
}

void ServiceListener::acceptPending()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        NetConnectionPtr connection(new PeerConnection(socket, m_options));
        if (m_state == NetState::ready && newConnectionHandler)
            newConnectionHandler(std::move(connection));
        else
            connection->cancel();
    }
}

} // namespace quavel
