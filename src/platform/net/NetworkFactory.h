#pragma once

#include "platform/net/NetBrowser.h"
#include "platform/net/NetConnection.h"
#include "platform/net/NetListener.h"
#include "platform/net/NetPathMonitor.h"

namespace quavel {

// TCP settings of every listener and dialled connection.
struct TcpOptions
{
    bool keepAlive = true;
    int keepAliveIdleSeconds = 5;
    bool noDelay = true;
    int connectTimeoutMs = 8000;
};

// Makes the network objects of one user. The system one talks to the real Avahi daemon and sockets;
// tests pass their own.
class NetworkFactory
{
public:
    virtual ~NetworkFactory() = default;

    // Absent when no listening socket can be opened.
    virtual NetListenerPtr makeListener(const ServiceRecord& service, const TcpOptions& options) = 0;
    virtual NetBrowserPtr makeBrowser(const QString& type, const QString& domain) = 0;
    virtual NetConnectionPtr makeConnection(const NetEndpoint& endpoint, const TcpOptions& options) = 0;
    virtual NetPathMonitorPtr makePathMonitor() = 0;
};

} // namespace quavel
