#pragma once

#include "platform/net/NetworkFactory.h"

#include <memory>

namespace quavel {

class DnsSdClient;

// The real network: Avahi for DNS-SD, QTcpServer and QTcpSocket for links, the system's path status.
// Objects are made on, and report to, the calling thread's event loop.
class SystemNetwork : public NetworkFactory
{
public:
    SystemNetwork();
    ~SystemNetwork() override;

    NetListenerPtr makeListener(const ServiceRecord& service, const TcpOptions& options) override;
    NetBrowserPtr makeBrowser(const QString& type, const QString& domain) override;
    NetConnectionPtr makeConnection(const NetEndpoint& endpoint, const TcpOptions& options) override;
    NetPathMonitorPtr makePathMonitor() override;

private:
    std::shared_ptr<DnsSdClient> client();

    std::shared_ptr<DnsSdClient> m_client;
};

} // namespace quavel
