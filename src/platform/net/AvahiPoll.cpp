#include "platform/net/AvahiPoll.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/time.h>

#include <algorithm>
#include <climits>

// The opaque types of the poll interface are ours to define.
struct AvahiWatch
{
    int fd = -1;
    AvahiWatchEvent fired = AvahiWatchEvent(0);
    AvahiWatchCallback callback = nullptr;
    void* userdata = nullptr;
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    // Set while its callback runs, so that a free from inside the callback is deferred.
    int dispatching = 0;
    bool freed = false;
};

struct AvahiTimeout
{
    QTimer* timer = nullptr;
    AvahiTimeoutCallback callback = nullptr;
    void* userdata = nullptr;
    int dispatching = 0;
    bool freed = false;
};

namespace quavel {

namespace {

void dispatchWatch(AvahiWatch* w, AvahiWatchEvent event)
{
    if (w->freed)
        return;
    ++w->dispatching;
    w->fired = event;
    w->callback(w, w->fd, event, w->userdata);
    w->fired = AvahiWatchEvent(0);
    --w->dispatching;
    if (w->freed && w->dispatching == 0)
        delete w;
}

void setWatchEvents(AvahiWatch* w, AvahiWatchEvent events)
{
    w->readNotifier->setEnabled((events & (AVAHI_WATCH_IN | AVAHI_WATCH_HUP | AVAHI_WATCH_ERR)) != 0);
    w->writeNotifier->setEnabled((events & AVAHI_WATCH_OUT) != 0);
}

AvahiWatch* watchNew(
    const ::AvahiPoll*, int fd, AvahiWatchEvent events, AvahiWatchCallback callback, void* userdata)
{
    auto* w = new AvahiWatch;
    w->fd = fd;
    w->callback = callback;
    w->userdata = userdata;
    w->readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    w->writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write);
    QObject::connect(w->readNotifier, &QSocketNotifier::activated, w->readNotifier,
        [w] { dispatchWatch(w, AVAHI_WATCH_IN); });
    QObject::connect(w->writeNotifier, &QSocketNotifier::activated, w->writeNotifier,
        [w] { dispatchWatch(w, AVAHI_WATCH_OUT); });
    setWatchEvents(w, events);
    return w;
}

void watchUpdate(AvahiWatch* w, AvahiWatchEvent events)
{
    if (!w->freed)
        setWatchEvents(w, events);
}

AvahiWatchEvent watchGetEvents(AvahiWatch* w)
{
    return w->fired;
}

void watchFree(AvahiWatch* w)
{
    w->freed = true;
    // Disabled at once (no activation can follow), deleted once control is back in the event loop.
    w->readNotifier->setEnabled(false);
    w->writeNotifier->setEnabled(false);
    w->readNotifier->deleteLater();
    w->writeNotifier->deleteLater();
    if (w->dispatching == 0)
        delete w;
}

// Milliseconds from now until the absolute time tv (Avahi's clock is the wall clock), at least 0.
int delayUntil(const struct timeval* tv)
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    const long long ms = (long long)(tv->tv_sec - now.tv_sec) * 1000 + (tv->tv_usec - now.tv_usec) / 1000;
    return int(std::clamp(ms, 0LL, (long long)(INT_MAX)));
}

void timeoutUpdate(AvahiTimeout* t, const struct timeval* tv)
{
    if (t->freed)
        return;
    if (!tv) {
        t->timer->stop();
        return;
    }
    t->timer->start(delayUntil(tv));
}

AvahiTimeout* timeoutNew(
    const ::AvahiPoll*, const struct timeval* tv, AvahiTimeoutCallback callback, void* userdata)
{
    auto* t = new AvahiTimeout;
    t->callback = callback;
    t->userdata = userdata;
    t->timer = new QTimer;
    t->timer->setSingleShot(true);
    t->timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(t->timer, &QTimer::timeout, t->timer, [t] {
        if (t->freed)
            return;
        ++t->dispatching;
        t->callback(t, t->userdata);
        --t->dispatching;
        if (t->freed && t->dispatching == 0)
            delete t;
    });
    timeoutUpdate(t, tv);
    return t;
}

void timeoutFree(AvahiTimeout* t)
{
    t->freed = true;
    t->timer->stop();
    t->timer->deleteLater();
    if (t->dispatching == 0)
        delete t;
}

} // namespace

AvahiPoll::AvahiPoll()
{
    m_api.userdata = this;
    m_api.watch_new = watchNew;
    m_api.watch_update = watchUpdate;
    m_api.watch_get_events = watchGetEvents;
    m_api.watch_free = watchFree;
    m_api.timeout_new = timeoutNew;
    m_api.timeout_update = timeoutUpdate;
    m_api.timeout_free = timeoutFree;
}

AvahiPoll::~AvahiPoll() = default;

} // namespace quavel
