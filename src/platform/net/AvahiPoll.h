#pragma once

#include <avahi-common/watch.h>

namespace quavel {

// Drives the Avahi client library from the Qt event loop of the thread that creates it: file watches
// become QSocketNotifiers and timeouts become single-shot QTimers. Avahi may free a watch or timeout
// from inside its own callback; that is handled. Must outlive every Avahi client made with api().
class AvahiPoll
{
public:
    AvahiPoll();
    ~AvahiPoll();
    AvahiPoll(const AvahiPoll&) = delete;
    AvahiPoll& operator=(const AvahiPoll&) = delete;

    const ::AvahiPoll* api() const { return &m_api; }

private:
    ::AvahiPoll m_api;
};

} // namespace quavel
