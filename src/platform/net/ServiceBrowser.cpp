#include "platform/net/ServiceBrowser.h"

#include "platform/net/DnsSdClient.h"
#include "platform/net/InterfaceType.h"
#include "platform/net/NetworkErrors.h"

#include <QTimer>

#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>

namespace quavel {

namespace {

// A resolution that failed (the peer's host did not answer in time) is tried again after this.
constexpr int kResolveRetryMs = 2000;

QMap<QString, QString> txtEntries(AvahiStringList* list)
{
    QMap<QString, QString> entries;
    for (AvahiStringList* l = list; l; l = avahi_string_list_get_next(l)) {
        char* key = nullptr;
        char* value = nullptr;
        size_t size = 0;
        if (avahi_string_list_get_pair(l, &key, &value, &size) < 0)
            continue;
        const QString k = QString::fromUtf8(key).toLower();
        // The first of two equal keys counts, as DNS-SD readers do.
        if (!entries.contains(k))
            entries.insert(k, value ? QString::fromUtf8(value, qsizetype(size)) : QString());
        avahi_free(key);
        avahi_free(value);
    }
    return entries;
}

} // namespace

struct ServiceBrowser::Instance
{
    int interface = -1;
    int protocol = -1;
    QByteArray name;
    QByteArray type;
    QByteArray domain;
    AvahiServiceResolver* resolver = nullptr;
    std::optional<BrowseResult> result;
};

ServiceBrowser::ServiceBrowser(QString type, QString domain, std::shared_ptr<DnsSdClient> client)
    : m_type(std::move(type))
    , m_domain(std::move(domain))
    , m_client(client ? std::move(client) : DnsSdClient::shared())
{
    QObject::connect(m_client.get(), &DnsSdClient::running, this, [this] {
        // A browser still waiting for the daemon starts now; one that failed stays failed.
        if (m_started && !m_done && !m_browser)
            createBrowser();
    });
    QObject::connect(m_client.get(), &DnsSdClient::aboutToReset, this, [this] {
        const bool wasBrowsing = m_browser != nullptr;
        freeAll();
        if (m_started && !m_done && wasBrowsing)
            failWith(AVAHI_ERR_DISCONNECTED);
    });
}

ServiceBrowser::~ServiceBrowser()
{
    freeAll();
}

void ServiceBrowser::start()
{
    if (m_started)
        return;
    m_started = true;
    if (m_client->isRunning())
        createBrowser();
    else if (m_client->isDaemonMissing())
        // Nobody to browse with: the owner hears of it and tries again later, rather than showing a
        // search that cannot find anything.
        failWith(AVAHI_ERR_NO_DAEMON);
}

void ServiceBrowser::cancel()
{
    m_done = true;
    stateHandler = nullptr;
    resultsHandler = nullptr;
    freeAll();
}

void ServiceBrowser::freeAll()
{
    for (const auto& instance : std::as_const(m_instances)) {
        if (instance->resolver)
            avahi_service_resolver_free(instance->resolver);
    }
    m_instances.clear();
    if (m_browser) {
        avahi_service_browser_free(m_browser);
        m_browser = nullptr;
    }
}

void ServiceBrowser::reportState(NetState state, const std::optional<NetError>& error)
{
    QMetaObject::invokeMethod(
        this,
        [this, state, error] {
            if (stateHandler)
                stateHandler(state, error);
        },
        Qt::QueuedConnection);
}

void ServiceBrowser::reportResults()
{
    QList<BrowseResult> results;
    for (const auto& instance : std::as_const(m_instances)) {
        if (instance->result)
            results.append(*instance->result);
    }
    QMetaObject::invokeMethod(
        this,
        [this, results] {
            if (resultsHandler && !m_done)
                resultsHandler(results);
        },
        Qt::QueuedConnection);
}

void ServiceBrowser::failWith(int avahiError)
{
    freeAll();
    m_done = true;
    reportState(NetState::failed, dnsServiceError(avahiError));
}

void ServiceBrowser::createBrowser()
{
    AvahiClient* client = m_client->client();
    const QByteArray type = m_type.toUtf8();
    const QByteArray domain = m_domain.toUtf8();
    m_browser = avahi_service_browser_new(
        client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, type.constData(),
        domain.isEmpty() ? nullptr : domain.constData(), AvahiLookupFlags(0),
        [](AvahiServiceBrowser* b, AvahiIfIndex interface, AvahiProtocol protocol, AvahiBrowserEvent event,
            const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* userdata) {
            browseCallback(b, interface, protocol, int(event), name, type, domain, userdata);
        },
        this);
    if (!m_browser) {
        failWith(avahi_client_errno(client));
        return;
    }
    reportState(NetState::ready);
}

void ServiceBrowser::browseCallback(AvahiServiceBrowser* browser, int interface, int protocol, int event,
    const char* name, const char* type, const char* domain, void* userdata)
{
    auto* self = static_cast<ServiceBrowser*>(userdata);
    if (self->m_done)
        return;
    auto same = [&](const std::shared_ptr<Instance>& i) {
        return i->interface == interface && i->protocol == protocol && i->name == name && i->type == type
            && i->domain == domain;
    };
    switch (AvahiBrowserEvent(event)) {
    case AVAHI_BROWSER_NEW: {
        for (const auto& i : std::as_const(self->m_instances)) {
            if (same(i))
                return;
        }
        auto instance = std::make_shared<Instance>();
        instance->interface = interface;
        instance->protocol = protocol;
        instance->name = name;
        instance->type = type;
        instance->domain = domain;
        self->m_instances.append(instance);
        self->resolve(*instance);
        break;
    }
    case AVAHI_BROWSER_REMOVE:
        for (qsizetype n = 0; n < self->m_instances.size(); ++n) {
            const auto& i = self->m_instances[n];
            if (!same(i))
                continue;
            const bool wasListed = i->result.has_value();
            if (i->resolver)
                avahi_service_resolver_free(i->resolver);
            self->m_instances.removeAt(n);
            if (wasListed)
                self->reportResults();
            break;
        }
        break;
    case AVAHI_BROWSER_FAILURE:
        self->failWith(avahi_client_errno(avahi_service_browser_get_client(browser)));
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
    case AVAHI_BROWSER_CACHE_EXHAUSTED:
        break;
    }
}

void ServiceBrowser::resolve(Instance& instance)
{
    AvahiClient* client = m_client->client();
    if (!client)
        return;
    instance.resolver = avahi_service_resolver_new(
        client, instance.interface, instance.protocol, instance.name.constData(), instance.type.constData(),
        instance.domain.constData(), AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0),
        [](AvahiServiceResolver* r, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
            const char* name, const char* type, const char* domain, const char*, const AvahiAddress* address,
            uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags, void* userdata) {
            resolveCallback(r, interface, int(event), name, type, domain, address, port, txt, userdata);
        },
        this);
}

void ServiceBrowser::resolveCallback(AvahiServiceResolver* resolver, int interface, int event,
    const char* name, const char* type, const char* domain, const void* address, quint16 port, void* txt,
    void* userdata)
{
    auto* self = static_cast<ServiceBrowser*>(userdata);
    std::shared_ptr<Instance> instance;
    for (const auto& i : std::as_const(self->m_instances)) {
        if (i->resolver == resolver)
            instance = i;
    }
    if (!instance || self->m_done)
        return;
    if (AvahiResolverEvent(event) == AVAHI_RESOLVER_FAILURE) {
        avahi_service_resolver_free(resolver);
        instance->resolver = nullptr;
        std::weak_ptr<Instance> weak = instance;
        QTimer::singleShot(kResolveRetryMs, self, [self, weak] {
            auto i = weak.lock();
            if (i && !i->resolver && !self->m_done && self->m_instances.contains(i))
                self->resolve(*i);
        });
        return;
    }
    char text[AVAHI_ADDRESS_STR_MAX] = {};
    avahi_address_snprint(text, sizeof text, static_cast<const AvahiAddress*>(address));
    BrowseResult result;
    result.endpoint.kind = NetEndpoint::Kind::service;
    result.endpoint.serviceName = QString::fromUtf8(name);
    result.endpoint.serviceType = QString::fromUtf8(type);
    result.endpoint.serviceDomain = QString::fromUtf8(domain);
    result.endpoint.interfaceIndex = interface;
    result.endpoint.interfaceType = interfaceTypeOf(interface);
    result.endpoint.address = QHostAddress(QString::fromLatin1(text));
    // A link-local IPv6 address is only reachable through the interface it was seen on.
    if (result.endpoint.address.protocol() == QAbstractSocket::IPv6Protocol
        && result.endpoint.address.isLinkLocal())
        result.endpoint.address.setScopeId(QString::number(interface));
    result.endpoint.port = port;
    result.txt = txtEntries(static_cast<AvahiStringList*>(txt));
    if (instance->result == result)
        return;
    instance->result = std::move(result);
    self->reportResults();
}

} // namespace quavel
