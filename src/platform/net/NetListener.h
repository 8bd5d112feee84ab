#pragma once

#include "platform/net/NetConnection.h"

#include <QMap>
#include <QObject>
#include <QString>

namespace quavel {

// What a listener advertises over DNS-SD while it accepts connections.
struct ServiceRecord
{
    QString name;
    QString type;
    QString domain;
    QMap<QString, QString> txt;

    bool operator==(const ServiceRecord&) const = default;
};

// Accepts TCP connections on a port chosen by the system and advertises them as one service.
class NetListener : public QObject
{
public:
    using StateHandler = std::function<void(NetState, const std::optional<NetError>&)>;
    using ConnectionHandler = std::function<void(NetConnectionPtr)>;

    virtual void start() = 0;
    virtual void cancel() = 0;
    // The last state reported (setup before start).
    virtual NetState state() const = 0;

    StateHandler stateHandler;
    ConnectionHandler newConnectionHandler;
};

using NetListenerPtr = std::unique_ptr<NetListener, DeleteLater>;

} // namespace quavel
