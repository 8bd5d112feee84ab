#pragma once

#include "platform/net/InterfaceType.h"

#include <QHostAddress>
#include <QString>

#include <optional>

namespace quavel {

// Where to reach a peer: a DNS-SD service instance found by browsing (with the address its resolver
// gave), or a plain host and port.
struct NetEndpoint
{
    enum class Kind { service, hostPort };

    Kind kind = Kind::hostPort;
    QString serviceName;
    QString serviceType;
    QString serviceDomain;
    // The interface the service was seen on; absent when it was not tied to one.
    std::optional<int> interfaceIndex;
    InterfaceType interfaceType = InterfaceType::other;
    QHostAddress address;
    quint16 port = 0;

    bool isService() const { return kind == Kind::service; }
    bool operator==(const NetEndpoint&) const = default;

    static NetEndpoint hostPort(const QHostAddress& address, quint16 port)
    {
        NetEndpoint e;
        e.address = address;
        e.port = port;
        return e;
    }
};

} // namespace quavel
