#include "shell/SyncServiceSource.h"

#include "sync/SyncService.h"

namespace quavel {

SyncServiceSource::SyncServiceSource(std::unique_ptr<SyncService> service, QObject* parent)
    : SyncStatusSource(parent)
    , m_service(std::move(service))
{
    SyncService* s = m_service.get();
    for (auto signal : { &SyncService::statusChanged, &SyncService::connectedPeerNameChanged,
             &SyncService::connectedPeerNamesChanged, &SyncService::nearbyPeersChanged,
             &SyncService::preferredPeerNamesChanged, &SyncService::isStartedChanged,
             &SyncService::linksChanged })
        connect(s, signal, this, &SyncStatusSource::changed);
}

SyncServiceSource::~SyncServiceSource() = default;

SyncStatusSource::Status SyncServiceSource::status() const
{
    return m_service->status();
}

QString SyncServiceSource::statusTitle() const
{
    return m_service->statusTitle();
}

QStringList SyncServiceSource::preferredPeerNames() const
{
    return m_service->preferredPeerNames();
}

QStringList SyncServiceSource::nearbyPeerNames() const
{
    QStringList names;
    for (const SyncPeer& peer : m_service->nearbyPeers())
        names.append(peer.name);
    return names;
}

QStringList SyncServiceSource::listedPeerNames() const
{
    return m_service->listedPeerNames();
}

bool SyncServiceSource::isPreferred(const QString& name) const
{
    return m_service->isPreferred(name);
}

bool SyncServiceSource::isLinked(const QString& name) const
{
    return m_service->isLinked(name);
}

void SyncServiceSource::start(bool refresh)
{
    m_service->start(refresh);
}

void SyncServiceSource::restart()
{
    m_service->restart();
}

void SyncServiceSource::refreshPeers()
{
    m_service->refreshPeers();
}

void SyncServiceSource::setPeerEnabled(const QString& name, bool enabled)
{
    m_service->setPeerEnabled(name, enabled);
}

void SyncServiceSource::forgetPeer(const QString& name)
{
    m_service->forgetPeer(name);
}

void SyncServiceSource::setLibraryReceiver(std::function<void(const LibrarySnapshot&)> receiver)
{
    m_service->onLibraryReceived = std::move(receiver);
}

} // namespace quavel
