#pragma once

#include <chrono>

namespace quavel {

// The delays of the sync service. Tests shorten them; the application uses the defaults.
struct SyncTiming
{
    // Before dialling a peer that is expected to dial us first.
    std::chrono::milliseconds dialDelay { 2000 };
    // Before linking again to an enabled peer whose link was lost.
    std::chrono::milliseconds reconnectDelay { 2000 };
    // Before a discovery restart after a listener or browser failure.
    std::chrono::milliseconds restartDelay { 3000 };
    // A discovery restart that is not forced is skipped within this time of the previous one.
    std::chrono::milliseconds restartThrottle { 2000 };
    // An accepted link that has not announced its name by then is closed.
    std::chrono::milliseconds pendingNameTimeout { 30000 };
};

} // namespace quavel
