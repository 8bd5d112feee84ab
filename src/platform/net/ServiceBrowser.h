#pragma once

#include "platform/net/NetBrowser.h"

#include <QList>
#include <QString>

#include <memory>

struct AvahiServiceBrowser;
struct AvahiServiceResolver;

namespace quavel {

class DnsSdClient;

// Browses one DNS-SD service type through Avahi and resolves every instance found (address, port,
// TXT record); results are handed over once resolved, the whole current set at each change.
// ready once browsing; failed when Avahi reports a failure or the daemon goes away (a new browser
// is needed then). Handlers run from the event loop, never inside start() or cancel().
class ServiceBrowser : public NetBrowser
{
public:
    ServiceBrowser(QString type, QString domain, std::shared_ptr<DnsSdClient> client = nullptr);
    ~ServiceBrowser() override;

    void start() override;
    void cancel() override;

private:
    struct Instance;

    static void browseCallback(AvahiServiceBrowser* browser, int interface, int protocol, int event,
        const char* name, const char* type, const char* domain, void* userdata);
    static void resolveCallback(AvahiServiceResolver* resolver, int interface, int event, const char* name,
        const char* type, const char* domain, const void* address, quint16 port, void* txt, void* userdata);
    void createBrowser();
    void resolve(Instance& instance);
    void freeAll();
    void failWith(int avahiError);
    void reportState(NetState state, const std::optional<NetError>& error = std::nullopt);
    void reportResults();

    QString m_type;
    QString m_domain;
    std::shared_ptr<DnsSdClient> m_client;
    AvahiServiceBrowser* m_browser = nullptr;
    QList<std::shared_ptr<Instance>> m_instances;
    bool m_started = false;
    bool m_done = false; // cancelled or failed
};

} // namespace quavel
