#include "platform/net/DnsSdClient.h"

#include <QThreadStorage>

#include <avahi-client/client.h>
#include <avahi-common/error.h>

namespace quavel {

namespace {

// Time before trying again when not even a connection to the system bus could be made.
constexpr int kRetryMs = 3000;

} // namespace

DnsSdClient::DnsSdClient()
{
    m_retryTimer.setSingleShot(true);
    QObject::connect(&m_retryTimer, &QTimer::timeout, this, &DnsSdClient::connectToDaemon);
    connectToDaemon();
}

DnsSdClient::~DnsSdClient()
{
    if (m_client)
        avahi_client_free(m_client);
}

std::shared_ptr<DnsSdClient> DnsSdClient::shared()
{
    static QThreadStorage<std::weak_ptr<DnsSdClient>*> perThread;
    if (!perThread.hasLocalData())
        perThread.setLocalData(new std::weak_ptr<DnsSdClient>);
    std::weak_ptr<DnsSdClient>& weak = *perThread.localData();
    std::shared_ptr<DnsSdClient> client = weak.lock();
    if (!client) {
        client = std::make_shared<DnsSdClient>();
        weak = client;
    }
    return client;
}

void DnsSdClient::connectToDaemon()
{
    int error = 0;
    // NO_FAIL: a missing daemon is waited for instead of failing.
    AvahiClient* client = avahi_client_new(
        m_poll.api(), AVAHI_CLIENT_NO_FAIL,
        [](AvahiClient* c, AvahiClientState state, void* userdata) {
            stateCallback(c, int(state), userdata);
        },
        this, &error);
    if (!client) {
        m_client = nullptr;
        m_retryTimer.start(kRetryMs);
        return;
    }
    m_client = client;
}

bool DnsSdClient::isDaemonMissing() const
{
    if (!m_client)
        return true;
    const AvahiClientState state = avahi_client_get_state(m_client);
    return state == AVAHI_CLIENT_CONNECTING || state == AVAHI_CLIENT_FAILURE;
}

void DnsSdClient::stateCallback(AvahiClient* client, int state, void* userdata)
{
    auto* self = static_cast<DnsSdClient*>(userdata);
    // The first call comes from inside avahi_client_new, before it returned the pointer.
    self->m_client = client;
    switch (AvahiClientState(state)) {
    case AVAHI_CLIENT_S_RUNNING:
        if (!self->m_running) {
            self->m_running = true;
            emit self->running();
        }
        break;
    case AVAHI_CLIENT_S_REGISTERING:
    case AVAHI_CLIENT_S_COLLISION:
        if (self->m_running) {
            emit self->registering();
            self->m_running = false;
        }
        break;
    case AVAHI_CLIENT_CONNECTING:
        break;
    case AVAHI_CLIENT_FAILURE:
        // Never freed from inside its own callback: the reset runs from the event loop.
        QMetaObject::invokeMethod(self, &DnsSdClient::reset, Qt::QueuedConnection);
        break;
    }
}

void DnsSdClient::reset()
{
    if (!m_client || avahi_client_get_state(m_client) != AVAHI_CLIENT_FAILURE)
        return;
    m_running = false;
    emit aboutToReset();
    avahi_client_free(m_client);
    m_client = nullptr;
    connectToDaemon();
}

} // namespace quavel
