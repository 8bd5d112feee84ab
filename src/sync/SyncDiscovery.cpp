// Advertising and discovery: the listener, the browser, the path monitor and discovery restarts.
#include "sync/SyncService.h"

#include "sync/PeerLink.h"

#include <QMap>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace quavel {

namespace {

const QString kDeniedMessage = QStringLiteral("Autorisez le réseau local dans Réglages");

} // namespace

TcpOptions SyncService::tcpOptions() const
{
    return TcpOptions {};
}

void SyncService::startListener()
{
    if (m_listener)
        return;
    ServiceRecord record;
    record.name = m_peerName;
    record.type = QString::fromLatin1(serviceType);
    record.domain = QString::fromLatin1(serviceDomain);
    record.txt = { { QStringLiteral("app"), QStringLiteral("QUAVEL") }, { QStringLiteral("role"), m_role } };
    NetListenerPtr listener = m_network->makeListener(record, tcpOptions());
    if (!listener) {
        setStatus(SyncStatus::failed(QStringLiteral("Wi‑Fi local indisponible")));
        return;
    }
    QPointer<SyncService> self(this);
    listener->stateHandler = [self](NetState state, const std::optional<NetError>& error) {
        if (self)
            self->handleListenerState(state, error);
    };
    listener->newConnectionHandler = [self](NetConnectionPtr connection) {
        if (!self) {
            connection->cancel();
            return;
        }
        self->acceptConnection(std::move(connection));
    };
    m_listener = std::move(listener);
    m_listener->start();
}

void SyncService::startBrowser()
{
    if (m_browser)
        return;
    NetBrowserPtr browser
        = m_network->makeBrowser(QString::fromLatin1(serviceType), QString::fromLatin1(serviceDomain));
    QPointer<SyncService> self(this);
    browser->stateHandler = [self](NetState state, const std::optional<NetError>& error) {
        if (self)
            self->handleBrowserState(state, error);
    };
    browser->resultsHandler = [self](const QList<BrowseResult>& results) {
        if (self)
            self->handleBrowseResults(results);
    };
    m_browser = std::move(browser);
    m_browser->start();
}

void SyncService::startPathMonitor()
{
    if (m_pathMonitor)
        return;
    NetPathMonitorPtr monitor = m_network->makePathMonitor();
    QPointer<SyncService> self(this);
    monitor->updateHandler = [self](NetPathStatus status) {
        if (self)
            self->handlePathChange(status);
    };
    m_pathMonitor = std::move(monitor);
    m_pathMonitor->start();
}

void SyncService::handleBrowseResults(const QList<BrowseResult>& results)
{
    // Keyed by the exact cleaned name: one entry per device, whatever " (2)" or interface it shows.
    QMap<QString, SyncPeer> table;
    for (const BrowseResult& result : results) {
        if (result.txt) {
            auto app = result.txt->constFind(QStringLiteral("app"));
            if (app != result.txt->constEnd() && *app != u"QUAVEL")
                continue;
            auto role = result.txt->constFind(QStringLiteral("role"));
            if (role != result.txt->constEnd() && *role == m_role)
                continue;
        }
        if (!result.endpoint.isService())
            continue;
        const QString& name = result.endpoint.serviceName;
        if (name == m_peerName)
            continue;
        const QString key = normalizedBonjourName(name);
        auto it = table.find(key);
        if (it == table.end()) {
            table.insert(key, SyncPeer { name, result.endpoint });
            continue;
        }
        SyncPeer kept;
        kept.name = it->name.size() < name.size() ? it->name : name;
        kept.endpoint
            = endpointScore(result.endpoint) > endpointScore(it->endpoint) ? result.endpoint : it->endpoint;
        *it = kept;
    }
    QList<SyncPeer> peers = table.values();
    std::stable_sort(
        peers.begin(), peers.end(), [](const SyncPeer& a, const SyncPeer& b) { return a.name < b.name; });
    m_knownEndpoints.clear();
    for (const SyncPeer& peer : peers)
        m_knownEndpoints.append(peer.endpoint);
    setNearbyPeers(std::move(peers));

    if (m_role == u"mac") {
        const QStringList preferred = m_preferredPeerNames;
        for (const QString& name : preferred) {
            if (auto peer = nearbyPeer(name))
                considerConnecting(peer->endpoint, peer->name);
        }
    }
}

void SyncService::handleListenerState(NetState state, const std::optional<NetError>& error)
{
    switch (state) {
    case NetState::waiting:
        if (error && isLocalNetworkDenied(*error))
            setStatus(SyncStatus::failed(kDeniedMessage));
        break;
    case NetState::failed:
        if (error && isLocalNetworkDenied(*error))
            setStatus(SyncStatus::failed(kDeniedMessage));
        else
            setStatus(SyncStatus::failed(error ? error->message : QStringLiteral("Erreur réseau inconnue")));
        scheduleDiscoveryRestart();
        break;
    case NetState::ready:
        if (m_status.isFailed())
            setStatus(SyncStatus::searching());
        break;
    case NetState::setup:
    case NetState::preparing:
    case NetState::cancelled:
        break;
    }
}

void SyncService::handleBrowserState(NetState state, const std::optional<NetError>& error)
{
    switch (state) {
    case NetState::failed:
        if (!m_status.isSynced()) {
            setStatus(SyncStatus::failed(QStringLiteral("Recherche impossible")));
            scheduleDiscoveryRestart();
        }
        break;
    case NetState::waiting:
        if (error && isLocalNetworkDenied(*error))
            setStatus(SyncStatus::failed(kDeniedMessage));
        break;
    case NetState::setup:
    case NetState::preparing:
    case NetState::ready:
    case NetState::cancelled:
        break;
    }
}

void SyncService::restartDiscovery(bool force)
{
    if (!force && m_lastDiscoveryRestart.isValid()
        && m_lastDiscoveryRestart.elapsed() < m_timing.restartThrottle.count())
        return;
    m_lastDiscoveryRestart.start();
    m_reconnectTimer->stop();
    m_reconnectAction = nullptr;
    m_fallbackConnectTimer->stop();
    m_fallbackConnectAction = nullptr;
    if (m_browser) {
        m_browser->stateHandler = nullptr;
        m_browser->resultsHandler = nullptr;
        m_browser->cancel();
        m_browser.reset();
    }
    m_knownEndpoints.clear();
    setNearbyPeers({});
    // A listener that failed is replaced, so that phones can dial the desktop again.
    if (m_listener && m_listener->state() == NetState::failed) {
        m_listener->stateHandler = nullptr;
        m_listener->newConnectionHandler = nullptr;
        m_listener->cancel();
        m_listener.reset();
    }
    if (!m_listener)
        startListener();
    startBrowser();
}

void SyncService::scheduleDiscoveryRestart()
{
    m_reconnectTimer->stop();
    m_reconnectAction = [this] {
        if (m_isStarted && !m_status.isSynced())
            restartDiscovery(true);
    };
    m_reconnectTimer->start(m_timing.restartDelay);
}

void SyncService::handlePathChange(NetPathStatus status)
{
    const std::optional<NetPathStatus> previous = m_lastPathStatus;
    setLastPathStatus(status);
    if (!m_isStarted || m_status.isSynced())
        return;
    if (status == NetPathStatus::satisfied && previous && *previous != NetPathStatus::satisfied)
        restartDiscovery(true);
}

} // namespace quavel
