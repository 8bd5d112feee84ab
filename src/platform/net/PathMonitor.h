#pragma once

#include "platform/net/NetPathMonitor.h"

#include <QTimer>

namespace quavel {

// Whether a network path is usable: from QNetworkInformation's reachability when a backend loads,
// otherwise (or while it reports unknown) from the interfaces that are up with an address other than
// loopback, looked at every few seconds. The first report follows start(); later ones only on change.
class PathMonitor : public NetPathMonitor
{
public:
    PathMonitor();
    ~PathMonitor() override;

    void start() override;
    void cancel() override;

    // The answer of the interface fallback for the machine as it is now.
    static NetPathStatus statusFromInterfaces();

private:
    void evaluate();

    QTimer m_pollTimer;
    bool m_started = false;
    bool m_cancelled = false;
    bool m_hasBackend = false;
    std::optional<NetPathStatus> m_last;
};

} // namespace quavel
