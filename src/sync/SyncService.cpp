// The sync service's state: its own name, the enabled peers kept in the user defaults, the queries of
// the views and the status line.
#include "sync/SyncService.h"

#include "platform/UserDefaults.h"
#include "platform/UuidText.h"
#include "platform/net/SystemNetwork.h"
#include "platform/text/Text.h"
#include "sync/PeerLink.h"
#include "sync/PeerNames.h"

#include <QMap>
#include <QTimer>

#include <algorithm>

namespace quavel {

namespace {

const QString kPreferredKey = QStringLiteral("quavel.preferredPeerNames.mac.v2");
const QString kOlderPreferredKey = QStringLiteral("quavel.preferredPeerName.mac");

QTimer* makeSingleShot(QObject* owner, std::function<void()>& action)
{
    auto* timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, owner, [&action] {
        // Taken out first: the action may start the next task of the same timer.
        std::function<void()> run = std::move(action);
        action = nullptr;
        if (run)
            run();
    });
    return timer;
}

} // namespace

SyncService::SyncService(
    const QString& role, UserDefaults& defaults, NetworkFactory& network, SyncTiming timing, QObject* parent)
    : QObject(parent)
    , m_role(role)
    , m_defaults(defaults)
    , m_network(&network)
    , m_timing(timing)
{
    init();
}

void SyncService::init()
{
    m_reconnectTimer = makeSingleShot(this, m_reconnectAction);
    m_fallbackConnectTimer = makeSingleShot(this, m_fallbackConnectAction);
    m_peerName = loadOrCreatePeerName(m_defaults, m_role);
    if (m_role == u"mac")
        m_preferredPeerNames = loadPreferredPeerNames();
}

SyncService::SyncService(const QString& role, QObject* parent)
    : QObject(parent)
    , m_role(role)
    , m_defaults(UserDefaults::standard())
    , m_ownedNetwork(std::make_unique<SystemNetwork>())
    , m_network(m_ownedNetwork.get())
{
    init();
}

SyncService::~SyncService()
{
    // Links first: their connections must not report into a half-destroyed service.
    for (const LinkPtr& link : std::as_const(m_links)) {
        link->connection->clearStateHandler();
        link->connection->cancel();
    }
    m_links.clear();
    if (m_listener) {
        m_listener->stateHandler = nullptr;
        m_listener->newConnectionHandler = nullptr;
        m_listener->cancel();
    }
    if (m_browser) {
        m_browser->stateHandler = nullptr;
        m_browser->resultsHandler = nullptr;
        m_browser->cancel();
    }
    if (m_pathMonitor) {
        m_pathMonitor->updateHandler = nullptr;
        m_pathMonitor->cancel();
    }
}

// ---- Names ----

QString SyncService::friendlyName(const QString& name)
{
    return PeerNames::friendly(name);
}

QString SyncService::normalizedBonjourName(const QString& name)
{
    return PeerNames::normalized(name);
}

bool SyncService::namesMatch(const QString& a, const QString& b)
{
    return PeerNames::match(a, b);
}

QStringList SyncService::uniqueDeviceNames(const QStringList& names)
{
    return PeerNames::unique(names);
}

QString SyncService::loadOrCreatePeerName(UserDefaults& defaults, const QString& role)
{
    const QString key = QStringLiteral("quavel.peerName.") + role + QStringLiteral(".v3");
    if (auto stored = defaults.string(key); stored && !stored->isEmpty())
        return *stored;
    QString prefix = QStringLiteral("QUAVEL iOS ");
    if (role == u"mac")
        prefix = QStringLiteral("QUAVEL Mac ");
    else if (role == u"android")
        prefix = QStringLiteral("QUAVEL Android ");
    const QString name = prefix + uuidText(QUuid::createUuid()).left(4);
    defaults.setString(key, name);
    return name;
}

QStringList SyncService::loadPreferredPeerNames() const
{
    // A stored list wins even when empty: the user disabled every peer after the older key was written.
    if (auto list = m_defaults.stringList(kPreferredKey))
        return uniqueDeviceNames(*list);
    if (auto single = m_defaults.string(kOlderPreferredKey); single && !single->isEmpty())
        return { *single };
    return {};
}

void SyncService::persistPreferred()
{
    QStringList names = uniqueDeviceNames(m_preferredPeerNames);
    m_defaults.setStringList(kPreferredKey, names);
    m_defaults.remove(kOlderPreferredKey);
    setPreferredPeerNames(std::move(names));
}

// ---- Queries ----

bool SyncService::isPreferred(const QString& name) const
{
    return std::any_of(m_preferredPeerNames.cbegin(), m_preferredPeerNames.cend(),
        [&](const QString& p) { return namesMatch(p, name); });
}

bool SyncService::isLinked(const QString& name) const
{
    return std::any_of(m_connectedPeerNames.cbegin(), m_connectedPeerNames.cend(),
        [&](const QString& p) { return namesMatch(p, name); });
}

std::optional<SyncPeer> SyncService::nearbyPeer(const QString& name) const
{
    for (const SyncPeer& peer : m_nearbyPeers) {
        if (namesMatch(peer.name, name))
            return peer;
    }
    return std::nullopt;
}

QStringList SyncService::listedPeerNames() const
{
    // Keyed by the exact cleaned name, so "studio" and "Studio" are listed apart.
    QMap<QString, QString> table;
    for (const SyncPeer& peer : m_nearbyPeers)
        table.insert(normalizedBonjourName(peer.name), peer.name);
    for (const QString& stored : m_preferredPeerNames) {
        const QString key = normalizedBonjourName(stored);
        auto it = table.find(key);
        if (it == table.end()) {
            table.insert(key, stored);
            continue;
        }
        const bool entryIsLive = std::any_of(
            m_nearbyPeers.cbegin(), m_nearbyPeers.cend(), [&](const SyncPeer& p) { return p.name == *it; });
        if (!entryIsLive)
            *it = stored;
    }
    QStringList names = table.values();
    std::sort(names.begin(), names.end());
    return names;
}

QString SyncService::statusTitle() const
{
    switch (m_status.kind) {
    case SyncStatus::Kind::connecting:
        return QStringLiteral("Lien avec ") + friendlyName(m_status.payload) + QChar(0x2026);
    case SyncStatus::Kind::synced:
        if (m_connectedPeerNames.size() < 2)
            return QStringLiteral("Synchronisé · ") + friendlyName(m_status.payload);
        return QStringLiteral("Synchronisé · %1 appareils").arg(m_connectedPeerNames.size());
    case SyncStatus::Kind::failed:
        return m_status.payload;
    case SyncStatus::Kind::searching:
        if (m_role == u"mac") {
            qsizetype live = 0;
            for (const QString& name : m_preferredPeerNames) {
                if (nearbyPeer(name))
                    ++live;
            }
            if (!m_preferredPeerNames.isEmpty() && live == 0) {
                return m_nearbyPeers.isEmpty() ? QStringLiteral("Recherche des appareils…")
                                               : QStringLiteral("Appareils hors de portée");
            }
            if (m_nearbyPeers.isEmpty() && m_preferredPeerNames.isEmpty())
                return QStringLiteral("Recherche…");
            if (!m_preferredPeerNames.isEmpty())
                return QStringLiteral("Lien avec %1 appareil%2…").arg(live).arg(live >= 2 ? "s" : "");
            return QStringLiteral("Choisissez un appareil");
        }
        return m_status.title();
    case SyncStatus::Kind::idle:
        return m_status.title();
    }
    return m_status.title();
}

QStringList SyncService::linkKeys() const
{
    return m_links.keys();
}

bool SyncService::isLocalNetworkDenied(const NetError& error)
{
    if (error.domain == NetError::Domain::dnsService && error.code == -65570)
        return true;
    const QString& text = error.technicalText;
    return text.contains(QStringLiteral("PolicyDenied"), Qt::CaseInsensitive)
        || text.contains(QStringLiteral("65570"));
}

int SyncService::endpointScore(const NetEndpoint& endpoint)
{
    if (!endpoint.isService())
        return 0;
    if (!endpoint.interfaceIndex)
        return 4;
    switch (endpoint.interfaceType) {
    case InterfaceType::wifi:
        return 3;
    case InterfaceType::wiredEthernet:
        return 2;
    case InterfaceType::other:
        return 1;
    case InterfaceType::cellular:
    case InterfaceType::loopback:
        return 0;
    }
    return 0;
}

// ---- Operations ----

void SyncService::start(bool refresh)
{
    if (!m_isStarted) {
        m_isStarted = true;
        emit isStartedChanged();
        setStatus(SyncStatus::searching());
        startListener();
        startBrowser();
        startPathMonitor();
        return;
    }
    if (!m_status.isSynced())
        restartDiscovery(refresh);
}

void SyncService::restart()
{
    if (!m_isStarted) {
        start(false);
        return;
    }
    const QStringList keys = m_links.keys();
    for (const QString& key : keys)
        dropLink(key);
    setConnectedPeerNames({});
    setStatus(SyncStatus::searching());
    restartDiscovery(true);
}

void SyncService::refreshPeers()
{
    setNearbyPeers({});
    if (m_browser) {
        m_browser->stateHandler = nullptr;
        m_browser->resultsHandler = nullptr;
        m_browser->cancel();
        m_browser.reset();
    }
    startBrowser();
}

void SyncService::setPeerEnabled(const QString& name, bool enabled)
{
    const QString trimmedName = text::trimWhitespaceAndNewlines(name);
    if (trimmedName.isEmpty())
        return;
    if (enabled) {
        if (!isPreferred(trimmedName)) {
            m_preferredPeerNames.append(trimmedName);
            persistPreferred();
        }
        if (auto peer = nearbyPeer(trimmedName))
            considerConnecting(peer->endpoint, peer->name);
        return;
    }
    m_preferredPeerNames.removeIf([&](const QString& p) { return namesMatch(p, trimmedName); });
    persistPreferred();
    dropLink(trimmedName);
    refreshAggregateStatus();
}

void SyncService::forgetPeer(const QString& name)
{
    const QString trimmedName = text::trimWhitespaceAndNewlines(name);
    m_preferredPeerNames.removeIf([&](const QString& p) { return namesMatch(p, trimmedName); });
    persistPreferred();
    // The endpoints are left as they are: they are rebuilt with the next browse results.
    QList<SyncPeer> peers = m_nearbyPeers;
    peers.removeIf([&](const SyncPeer& p) { return namesMatch(p.name, trimmedName); });
    setNearbyPeers(std::move(peers));
    dropLink(trimmedName);
    refreshAggregateStatus();
}

void SyncService::refreshAggregateStatus()
{
    // A link that has not announced its peer is no device: it counts for nothing shown.
    QStringList ready;
    bool settingUp = false;
    for (const LinkPtr& link : std::as_const(m_links)) {
        if (link->awaitingName)
            continue;
        if (link->isReady)
            ready.append(link->name);
        else
            settingUp = true;
    }
    std::sort(ready.begin(), ready.end());
    setConnectedPeerNames(ready);
    if (ready.size() == 1)
        setStatus(SyncStatus::synced(ready.first()));
    else if (ready.size() >= 2)
        setStatus(SyncStatus::synced(QStringLiteral("%1 appareils").arg(ready.size())));
    else if (!settingUp)
        setStatus(SyncStatus::searching());
    // Otherwise links are still being set up: the status stays as it is.
}

// ---- Observable writes ----

void SyncService::setStatus(const SyncStatus& status)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged();
}

void SyncService::setNearbyPeers(QList<SyncPeer> peers)
{
    m_nearbyPeers = std::move(peers);
    emit nearbyPeersChanged();
}

void SyncService::setPreferredPeerNames(QStringList names)
{
    m_preferredPeerNames = std::move(names);
    emit preferredPeerNamesChanged();
}

void SyncService::setConnectedPeerNames(QStringList names)
{
    std::optional<QString> first;
    if (!names.isEmpty())
        first = names.first();
    const bool namesChanged = names != m_connectedPeerNames;
    const bool firstChanged = first != m_connectedPeerName;
    m_connectedPeerNames = std::move(names);
    m_connectedPeerName = std::move(first);
    if (namesChanged)
        emit connectedPeerNamesChanged();
    if (firstChanged)
        emit connectedPeerNameChanged();
}

void SyncService::setLastPathStatus(NetPathStatus status)
{
    if (m_lastPathStatus == status)
        return;
    m_lastPathStatus = status;
    emit lastPathStatusChanged();
}

} // namespace quavel
