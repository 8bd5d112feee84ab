#pragma once

#include "platform/net/NetListener.h"
#include "platform/net/NetworkFactory.h"

#include <QHostAddress>

#include <memory>

class QTcpServer;

namespace quavel {

class DnsSdClient;
class ServiceAdvertiser;

// A QTcpServer on a port the system chooses, advertised as one DNS-SD service. ready once listening;
// failed when the advertisement cannot be published (a renamed name is not a failure).
class ServiceListener : public NetListener
{
public:
    // Absent when the listening socket cannot be opened.
    static std::unique_ptr<ServiceListener> create(const ServiceRecord& service, const TcpOptions& options,
        const QHostAddress& address = QHostAddress::Any, std::shared_ptr<DnsSdClient> client = nullptr);
    ~ServiceListener() override;

    void start() override;
    void cancel() override;
    NetState state() const override { return m_state; }

    quint16 port() const;
    // The advertised name (renamed after a collision).
    QString advertisedName() const;

private:
    ServiceListener(QTcpServer* server, const ServiceRecord& service, const TcpOptions& options,
        std::shared_ptr<DnsSdClient> client);
    void report(NetState state, const std::optional<NetError>& error = std::nullopt);
    void acceptPending();

    QTcpServer* m_server;
    std::unique_ptr<ServiceAdvertiser> m_advertiser;
    TcpOptions m_options;
    NetState m_state = NetState::setup;
};

} // namespace quavel
