#pragma once

#include "platform/net/AvahiPoll.h"

#include <QObject>
#include <QTimer>

#include <memory>

struct AvahiClient;

namespace quavel {

// One connection to the Avahi daemon, shared by the advertisers and browsers of a thread. It waits
// for a daemon that is not there yet, and when the daemon goes away it tells its users to free their
// Avahi objects (aboutToReset), then makes a new connection that becomes running again once the
// daemon is back.
class DnsSdClient : public QObject
{
    Q_OBJECT

public:
    DnsSdClient();
    ~DnsSdClient() override;

    // The instance of the calling thread, made on first use and kept while someone holds it.
    static std::shared_ptr<DnsSdClient> shared();

    // The Avahi client while the daemon is running, else null.
    AvahiClient* client() const { return m_running ? m_client : nullptr; }
    bool isRunning() const { return m_running; }
    // No daemon answers: the system bus could not be reached, or the client waits for the daemon to
    // appear. (A daemon that is only registering its host name is there.)
    bool isDaemonMissing() const;

signals:
    // The daemon is ready: create entry groups and browsers now.
    void running();
    // The daemon is renaming the host: entry groups must be reset; running() follows.
    void registering();
    // The connection was lost: free every Avahi object made with client() before returning.
    void aboutToReset();

private:
    static void stateCallback(AvahiClient* client, int state, void* userdata);
    void connectToDaemon();
    void reset();

    AvahiPoll m_poll;
    AvahiClient* m_client = nullptr;
    bool m_running = false;
    QTimer m_retryTimer;
};

} // namespace quavel
