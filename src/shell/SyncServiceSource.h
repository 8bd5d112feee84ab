#pragma once

#include "shell/SyncStatusSource.h"

#include <memory>

namespace quavel {

class SyncService;

// The device-sync service as the window sees it. Owns the service; every query and operation goes
// straight to it, and each of its change signals becomes `changed`. GUI thread only.
class SyncServiceSource : public SyncStatusSource
{
    Q_OBJECT

public:
    explicit SyncServiceSource(std::unique_ptr<SyncService> service, QObject* parent = nullptr);
    ~SyncServiceSource() override;

    SyncService& service() const { return *m_service; }

    Status status() const override;
    QString statusTitle() const override;
    QStringList preferredPeerNames() const override;
    QStringList nearbyPeerNames() const override;
    QStringList listedPeerNames() const override;
    bool isPreferred(const QString& name) const override;
    bool isLinked(const QString& name) const override;

    void start(bool refresh) override;
    void restart() override;
    void refreshPeers() override;
    void setPeerEnabled(const QString& name, bool enabled) override;
    void forgetPeer(const QString& name) override;
    void setLibraryReceiver(std::function<void(const LibrarySnapshot&)> receiver) override;

private:
    std::unique_ptr<SyncService> m_service;
};

} // namespace quavel
