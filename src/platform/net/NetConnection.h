#pragma once

#include "platform/net/NetEndpoint.h"
#include "platform/net/NetError.h"
#include "platform/net/NetState.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace quavel {

// One TCP link to a peer. Every handler runs later on the connection's thread, never from inside the
// call that caused it. After cancel() no handler runs again. Owners release a connection through
// NetConnectionPtr, so that one dropped from inside its own handler is deleted safely afterwards.
class NetConnection : public QObject
{
public:
    using StateHandler = std::function<void(NetState, const std::optional<NetError>&)>;
    // data (possibly empty), isComplete (the peer ended its side and nothing is left), error.
    using ReceiveHandler = std::function<void(const QByteArray&, bool, const std::optional<NetError>&)>;

    virtual NetEndpoint endpoint() const = 0;
    // Starts connecting (dialled) or reports ready (accepted).
    virtual void start() = 0;
    virtual void cancel() = 0;
    // Queues bytes; a failed send is noticed by the receive path and the state handler.
    virtual void send(const QByteArray& bytes) = 0;
    // One delivery of at least 1 and at most maximumLength bytes, or the end of the stream, or an error.
    virtual void receive(qint64 maximumLength, ReceiveHandler handler) = 0;

    void setStateHandler(StateHandler handler) { m_stateHandler = std::move(handler); }
    void clearStateHandler() { m_stateHandler = nullptr; }

protected:
    void reportState(NetState state, const std::optional<NetError>& error = std::nullopt)
    {
        if (m_stateHandler) {
            StateHandler handler = m_stateHandler; // the handler may clear itself
            handler(state, error);
        }
    }

private:
    StateHandler m_stateHandler;
};

struct DeleteLater
{
    void operator()(QObject* object) const
    {
        if (object)
            object->deleteLater();
    }
};

using NetConnectionPtr = std::unique_ptr<NetConnection, DeleteLater>;

} // namespace quavel
