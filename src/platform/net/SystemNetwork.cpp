#include "platform/net/SystemNetwork.h"

#include "platform/net/DnsSdClient.h"
#include "platform/net/PathMonitor.h"
#include "platform/net/PeerConnection.h"
#include "platform/net/ServiceBrowser.h"
#include "platform/net/ServiceListener.h"

namespace quavel {

SystemNetwork::SystemNetwork() = default;
SystemNetwork::~SystemNetwork() = default;

std::shared_ptr<DnsSdClient> SystemNetwork::client()
{
    // Made on first use, so that a process that never syncs never talks to the daemon.
    if (!m_client)
        m_client = DnsSdClient::shared();
    return m_client;
}

NetListenerPtr SystemNetwork::makeListener(const ServiceRecord& service, const TcpOptions& options)
{
    return NetListenerPtr(ServiceListener::create(service, options, QHostAddress::Any, client()).release());
}

NetBrowserPtr SystemNetwork::makeBrowser(const QString& type, const QString& domain)
{
    return NetBrowserPtr(new ServiceBrowser(type, domain, client()));
}

NetConnectionPtr SystemNetwork::makeConnection(const NetEndpoint& endpoint, const TcpOptions& options)
{
    return NetConnectionPtr(new PeerConnection(endpoint, options));
}

NetPathMonitorPtr SystemNetwork::makePathMonitor()
{
    return NetPathMonitorPtr(new PathMonitor);
}

} // namespace quavel
