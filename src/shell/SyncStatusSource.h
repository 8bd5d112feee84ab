#pragma once

#include "sync/SyncStatus.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace quavel {

struct LibrarySnapshot;

// What the window reads of device sync and the few operations it calls. The device-sync service is
// adapted to it (SyncServiceSource); the badge, the device picker and the panel see nothing else.
// `changed` is emitted after any field below changes (status, peer lists, links). The status, its
// plain title and the peer-name rules are the sync library's own.
class SyncStatusSource : public QObject
{
    Q_OBJECT

public:
    using Status = SyncStatus;

    using QObject::QObject;

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
    static bool namesMatch(const QString& a, const QString& b);
    static QString friendlyName(const QString& name);
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

} // namespace quavel
