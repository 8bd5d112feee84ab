#pragma once

#include "platform/net/NetConnection.h"

#include <QObject>

namespace quavel {

enum class NetPathStatus { satisfied, unsatisfied };

// Reports whether the machine has a usable network path, once at start and at every change.
class NetPathMonitor : public QObject
{
public:
    using UpdateHandler = std::function<void(NetPathStatus)>;

    virtual void start() = 0;
    virtual void cancel() = 0;

    UpdateHandler updateHandler;
};

using NetPathMonitorPtr = std::unique_ptr<NetPathMonitor, DeleteLater>;

} // namespace quavel
