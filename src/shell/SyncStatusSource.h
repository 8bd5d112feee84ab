#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace quavel {

struct LibrarySnapshot;

// What the window reads of device sync and the few operations it calls. The device-sync service is
// adapted to it; the badge, the device picker and the panel see nothing else. `changed` is emitted after
// any field below changes (status, peer lists, links).
class SyncStatusSource : public QObject
{
    Q_OBJECT

public:
    struct Status
    {
        enum class Kind { connecting, synced, failed, idle, searching };
        Kind kind = Kind::idle;
        // The peer name (connecting, synced) or the French message (failed); empty otherwise.
        QString payload;
        bool operator==(const Status&) const = default;
    };

    using QObject::QObject;

    // The plain text of a status, without display names: "Lien avec n…", "Synchronisé · n", the
    // message, "Inactif", "Recherche…".
    static QString plainTitle(const Status& status);

    virtual Status status() const = 0;
    // The status line with display names and the device counts.
    virtual QString statusTitle() const = 0;
    // The enabled devices, in the order enabled.
    virtual QStringList preferredPeerNames() const = 0;
    // The names of the devices browsed right now.
    virtual QStringList nearbyPeerNames() const = 0;
    // The devices the panel lists.
    virtual QStringList listedPeerNames() const = 0;
    virtual bool isPreferred(const QString& name) const = 0;
    virtual bool isLinked(const QString& name) const = 0;
    // Two device names match when their cleaned names compare equal ignoring case.
    virtual bool namesMatch(const QString& a, const QString& b) const = 0;
    virtual QString friendlyName(const QString& name) const = 0;

    // Some browsed device matches the name.
    bool isNearby(const QString& name) const;

    virtual void start(bool refresh) = 0;
    virtual void restart() = 0;
    virtual void refreshPeers() = 0;
    virtual void setPeerEnabled(const QString& name, bool enabled) = 0;
    virtual void forgetPeer(const QString& name) = 0;
    // Where each library that arrives from a device goes.
    virtual void setLibraryReceiver(std::function<void(const LibrarySnapshot&)> receiver) = 0;

signals:
    void changed();
};

// Sync that never starts: idle, no devices. Stands in until the device-sync service is wired in.
class IdleSyncSource : public SyncStatusSource
{
    Q_OBJECT

public:
    using SyncStatusSource::SyncStatusSource;

    Status status() const override { return {}; }
    QString statusTitle() const override { return plainTitle({}); }
    QStringList preferredPeerNames() const override { return {}; }
    QStringList nearbyPeerNames() const override { return {}; }
    QStringList listedPeerNames() const override { return {}; }
    bool isPreferred(const QString&) const override { return false; }
    bool isLinked(const QString&) const override { return false; }
    bool namesMatch(const QString& a, const QString& b) const override;
    QString friendlyName(const QString& name) const override { return name.trimmed(); }
    void start(bool) override { }
    void restart() override { }
    void refreshPeers() override { }
    void setPeerEnabled(const QString&, bool) override { }
    void forgetPeer(const QString&) override { }
    void setLibraryReceiver(std::function<void(const LibrarySnapshot&)>) override { }
};

} // namespace quavel
