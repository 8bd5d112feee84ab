#pragma once

#include "platform/net/NetError.h"
#include "platform/net/NetListener.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

struct AvahiEntryGroup;

namespace quavel {

class DnsSdClient;

// Publishes one DNS-SD service through Avahi. A name already taken on the network is replaced by
// "name (2)", then "name (3)"…; the advertisement is made again by itself when the daemon comes back.
class ServiceAdvertiser : public QObject
{
public:
    ServiceAdvertiser(ServiceRecord record, quint16 port, std::shared_ptr<DnsSdClient> client = nullptr);
    ~ServiceAdvertiser() override;

    void start();
    void cancel();

    // The name in use: the record's name, or its renamed form after a collision.
    const QString& name() const { return m_name; }
    bool isEstablished() const { return m_established; }

    // The service is published under this name.
    std::function<void(const QString&)> onEstablished;
    // It cannot be published (other than a name collision); nothing more is tried.
    std::function<void(const NetError&)> onFailed;

    // "name (2)" for "name", "name (3)" for "name (2)".
    static QString nextName(const QString& name);

private:
    static void groupCallback(AvahiEntryGroup* group, int state, void* userdata);
    void publish();
    void freeGroup();
    void fail(int avahiError);

    ServiceRecord m_record;
    quint16 m_port;
    std::shared_ptr<DnsSdClient> m_client;
    QString m_name;
    AvahiEntryGroup* m_group = nullptr;
    bool m_active = false;
    bool m_established = false;
};

} // namespace quavel
