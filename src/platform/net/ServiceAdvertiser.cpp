#include "platform/net/ServiceAdvertiser.h"

#include "platform/net/DnsSdClient.h"
#include "platform/net/NetworkErrors.h"
#include "platform/text/Regex.h"

#include <avahi-client/publish.h>
#include <avahi-common/error.h>
#include <avahi-common/strlst.h>

namespace quavel {

namespace {

// Renames tried in a row before giving up on a name that keeps colliding.
constexpr int kMaximumRenames = 100;

} // namespace

ServiceAdvertiser::ServiceAdvertiser(ServiceRecord record, quint16 port, std::shared_ptr<DnsSdClient> client)
    : m_record(std::move(record))
    , m_port(port)
    , m_client(client ? std::move(client) : DnsSdClient::shared())
    , m_name(m_record.name)
{
    QObject::connect(m_client.get(), &DnsSdClient::running, this, [this] {
        if (m_active)
            publish();
    });
    QObject::connect(m_client.get(), &DnsSdClient::registering, this, [this] {
        if (m_group)
            avahi_entry_group_reset(m_group);
        m_established = false;
    });
    QObject::connect(m_client.get(), &DnsSdClient::aboutToReset, this, [this] { freeGroup(); });
}

ServiceAdvertiser::~ServiceAdvertiser()
{
    freeGroup();
}

QString ServiceAdvertiser::nextName(const QString& name)
{
    static const Regex suffix(QStringLiteral(" \\(([0-9]+)\\)$"));
    if (auto m = suffix.match(name)) {
        bool ok = false;
        const qulonglong n = m->captured(1).toULongLong(&ok);
        if (ok && n < 1000000)
            return name.left(m->start()) + QStringLiteral(" (%1)").arg(n + 1);
    }
    return name + QStringLiteral(" (2)");
}

void ServiceAdvertiser::start()
{
    m_active = true;
    if (m_client->isRunning())
        publish();
}

void ServiceAdvertiser::cancel()
{
    m_active = false;
    onEstablished = nullptr;
    onFailed = nullptr;
    freeGroup();
}

void ServiceAdvertiser::freeGroup()
{
    if (m_group) {
        avahi_entry_group_free(m_group);
        m_group = nullptr;
    }
    m_established = false;
}

void ServiceAdvertiser::fail(int avahiError)
{
    freeGroup();
    m_active = false;
    if (onFailed)
        onFailed(dnsServiceError(avahiError));
}

void ServiceAdvertiser::publish()
{
    AvahiClient* client = m_client->client();
    if (!m_active || !client)
        return;
    if (!m_group) {
        m_group = avahi_entry_group_new(
            client,
            [](AvahiEntryGroup* g, AvahiEntryGroupState state, void* userdata) {
                groupCallback(g, int(state), userdata);
            },
            this);
        if (!m_group) {
            fail(avahi_client_errno(client));
            return;
        }
    } else {
        avahi_entry_group_reset(m_group);
    }

    AvahiStringList* txt = nullptr;
    for (auto it = m_record.txt.cbegin(); it != m_record.txt.cend(); ++it)
        txt = avahi_string_list_add_pair(txt, it.key().toUtf8().constData(), it.value().toUtf8().constData());
    const QByteArray type = m_record.type.toUtf8();
    const QByteArray domain = m_record.domain.toUtf8();
    int result = AVAHI_ERR_COLLISION;
    for (int attempt = 0; attempt < kMaximumRenames && result == AVAHI_ERR_COLLISION; ++attempt) {
        result = avahi_entry_group_add_service_strlst(m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
            AvahiPublishFlags(0), m_name.toUtf8().constData(), type.constData(),
            domain.isEmpty() ? nullptr : domain.constData(), nullptr, m_port, txt);
        // Taken by a service of this very machine: try the next name at once.
        if (result == AVAHI_ERR_COLLISION)
            m_name = nextName(m_name);
    }
    avahi_string_list_free(txt);
    if (result < 0) {
        fail(result);
        return;
    }
    result = avahi_entry_group_commit(m_group);
    if (result < 0)
        fail(result);
}

void ServiceAdvertiser::groupCallback(AvahiEntryGroup* group, int state, void* userdata)
{
    auto* self = static_cast<ServiceAdvertiser*>(userdata);
    // The first callback may come before avahi_entry_group_new returned.
    self->m_group = group;
    switch (AvahiEntryGroupState(state)) {
    case AVAHI_ENTRY_GROUP_ESTABLISHED:
        self->m_established = true;
        if (self->onEstablished)
            self->onEstablished(self->m_name);
        break;
    case AVAHI_ENTRY_GROUP_COLLISION:
        // Another machine holds the name: publish again under the next one, from the event loop.
        self->m_name = nextName(self->m_name);
        self->m_established = false;
        QMetaObject::invokeMethod(
            self, [self] { self->publish(); }, Qt::QueuedConnection);
        break;
    case AVAHI_ENTRY_GROUP_FAILURE: {
        const int error = avahi_client_errno(avahi_entry_group_get_client(group));
        QMetaObject::invokeMethod(
            self, [self, error] { self->fail(error); }, Qt::QueuedConnection);
        break;
    }
    case AVAHI_ENTRY_GROUP_UNCOMMITED:
    case AVAHI_ENTRY_GROUP_REGISTERING:
        break;
    }
}

} // namespace quavel
