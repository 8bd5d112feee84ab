#pragma once

#include "platform/net/BrowseResult.h"
#include "platform/net/NetConnection.h"

#include <QList>
#include <QObject>

namespace quavel {

// Browses one DNS-SD service type; each change hands over the complete current set of results.
class NetBrowser : public QObject
{
public:
    using StateHandler = std::function<void(NetState, const std::optional<NetError>&)>;
    using ResultsHandler = std::function<void(const QList<BrowseResult>&)>;

    virtual void start() = 0;
    virtual void cancel() = 0;

    StateHandler stateHandler;
    ResultsHandler resultsHandler;
};

using NetBrowserPtr = std::unique_ptr<NetBrowser, DeleteLater>;

} // namespace quavel
