#pragma once

#include "library/LibrarySnapshot.h"
#include "platform/net/NetPathMonitor.h"
#include "platform/net/NetworkFactory.h"
#include "sync/SyncPeer.h"
#include "sync/SyncStatus.h"
#include "sync/SyncTiming.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace quavel {

class UserDefaults;
struct PeerLink;
struct SyncEnvelope;

// Links the desktop to the photographer's phones on the local network and hands each library they
// send to onLibraryReceived. One way only: the desktop asks for libraries and never sends its own.
//
// It advertises "_quavel-sync._tcp" in "local." under its own peer name, browses for the phones,
// keeps one TCP link per enabled phone in reach and re-establishes lost ones. Created once with role
// "mac"; nothing stops it before the process ends.
//
// GUI thread only: every network callback arrives on the event loop of the thread that created it.
// Each observable field has its own change signal (emitted after the field changed); a write of an
// equal status does not signal.
class SyncService : public QObject
{
    Q_OBJECT

public:
    // Peer names and enabled peers in UserDefaults::standard(), the real network.
    explicit SyncService(const QString& role, QObject* parent = nullptr);
    // `defaults` and `network` must outlive the service.
    SyncService(const QString& role, UserDefaults& defaults, NetworkFactory& network, SyncTiming timing = {},
        QObject* parent = nullptr);
    ~SyncService() override;

    // ---- Observable state ----
    const QString& role() const { return m_role; }
    // The service's own DNS-SD name, kept under "quavel.peerName.<role>.v3".
    const QString& peerName() const { return m_peerName; }
    const SyncStatus& status() const { return m_status; }
    // The first of connectedPeerNames.
    const std::optional<QString>& connectedPeerName() const { return m_connectedPeerName; }
    // Names of the ready links, sorted.
    const QStringList& connectedPeerNames() const { return m_connectedPeerNames; }
    // Current browse results, one per cleaned name, sorted by name.
    const QList<SyncPeer>& nearbyPeers() const { return m_nearbyPeers; }
    // The peers the user enabled, in the order enabled.
    const QStringList& preferredPeerNames() const { return m_preferredPeerNames; }
    bool isStarted() const { return m_isStarted; }
    const std::optional<NetPathStatus>& lastPathStatus() const { return m_lastPathStatus; }

    // Called with each library accepted from an enabled peer; the application points it at
    // LibraryStore::replaceFromRemote.
    std::function<void(const LibrarySnapshot&)> onLibraryReceived;

    // ---- Operations of the application and the views ----
    // First call: searching, then listener, browser and path monitor. Later calls restart discovery
    // (forced when refresh is true) unless synced.
    void start(bool refresh);
    // Drops every link and restarts discovery (the badge's retry); starts the service if needed.
    void restart();
    // Empties the browse results and browses again; links are kept.
    void refreshPeers();
    void setPeerEnabled(const QString& name, bool enabled);
    // Forgets an enabled or nearby device and drops its links, without confirmation.
    void forgetPeer(const QString& name);

    // ---- Queries ----
    bool isPreferred(const QString& name) const;
    // Some ready link matches the name.
    bool isLinked(const QString& name) const;
    // The names the device panel lists: nearby ones and enabled ones, one per cleaned name, sorted.
    QStringList listedPeerNames() const;
    // The status line, with display names and the enabled peers' reach.
    QString statusTitle() const;

    static QString friendlyName(const QString& name);
    static QString normalizedBonjourName(const QString& name);
    // Cleaned names equal ignoring case: the one matching rule of peer names.
    static bool namesMatch(const QString& a, const QString& b);
    static QStringList uniqueDeviceNames(const QStringList& names);
    // A DNS-SD error that means the system denied local-network access.
    static bool isLocalNetworkDenied(const NetError& error);
    // How good a path to a peer is; of two endpoints of one peer the higher score wins.
    static int endpointScore(const NetEndpoint& endpoint);

    // The keys of the links table (peer names, or "pending-XXXXXX" for accepted links not yet named),
    // sorted; for tests and diagnostics only (a pending name is never shown).
    QStringList linkKeys() const;

    static constexpr const char* serviceType = "_quavel-sync._tcp";
    static constexpr const char* serviceDomain = "local.";
    static constexpr qsizetype maximumReceiveLength = 262144;

signals:
    void statusChanged();
    void connectedPeerNameChanged();
    void connectedPeerNamesChanged();
    void nearbyPeersChanged();
    void preferredPeerNamesChanged();
    void isStartedChanged();
    void lastPathStatusChanged();
    // A link was added, re-keyed, became ready or was removed.
    void linksChanged();

private:
    using LinkPtr = std::shared_ptr<PeerLink>;

    // State (SyncService.cpp)
    void init();
    static QString loadOrCreatePeerName(UserDefaults& defaults, const QString& role);
    QStringList loadPreferredPeerNames() const;
    void persistPreferred();
    void refreshAggregateStatus();
    std::optional<SyncPeer> nearbyPeer(const QString& name) const;
    void setStatus(const SyncStatus& status);
    void setNearbyPeers(QList<SyncPeer> peers);
    void setPreferredPeerNames(QStringList names);
    void setConnectedPeerNames(QStringList names);
    void setLastPathStatus(NetPathStatus status);

    // Frames and envelopes (SyncExchange.cpp)
    void send(const SyncEnvelope& envelope, PeerLink& link);
    void receiveNext(const LinkPtr& link);
    void handleReceived(
        const LinkPtr& link, const QByteArray& data, bool isComplete, const std::optional<NetError>& error);
    void handle(const SyncEnvelope& envelope, const LinkPtr& link);
    bool isRegistered(const PeerLink* link) const;
    bool withinPendingLimits(const PeerLink& link) const;

    // Discovery (SyncDiscovery.cpp)
    void startListener();
    void startBrowser();
    void startPathMonitor();
    void restartDiscovery(bool force);
    void scheduleDiscoveryRestart();
    void handleListenerState(NetState state, const std::optional<NetError>& error);
    void handleBrowserState(NetState state, const std::optional<NetError>& error);
    void handleBrowseResults(const QList<BrowseResult>& results);
    void handlePathChange(NetPathStatus status);

    // Links (SyncLinks.cpp)
    void considerConnecting(const NetEndpoint& endpoint, const QString& name);
    void connect(const NetEndpoint& endpoint, const std::optional<QString>& name);
    void acceptConnection(NetConnectionPtr connection);
    LinkPtr attachLink(NetConnectionPtr connection, const QString& name, bool awaitingName = false);
    void handleLinkState(NetState state, const std::optional<NetError>& error, const LinkPtr& link);
    void dropLink(const QString& name);
    void closeLink(const LinkPtr& link);
    void handleLinkDisconnect(const LinkPtr& link);
    bool hasLinkMatching(const QString& name) const;
    static QString displayName(const NetEndpoint& endpoint);
    static QString pendingName();
    TcpOptions tcpOptions() const;

    const QString m_role;
    UserDefaults& m_defaults;
    std::unique_ptr<NetworkFactory> m_ownedNetwork;
    NetworkFactory* m_network;
    const SyncTiming m_timing {};

    SyncStatus m_status;
    std::optional<QString> m_connectedPeerName;
    QStringList m_connectedPeerNames;
    QList<SyncPeer> m_nearbyPeers;
    QStringList m_preferredPeerNames;
    QString m_peerName;
    NetListenerPtr m_listener;
    NetBrowserPtr m_browser;
    QMap<QString, LinkPtr> m_links;
    quint64 m_acceptCount = 0;
    NetPathMonitorPtr m_pathMonitor;
    QList<NetEndpoint> m_knownEndpoints;
    bool m_isStarted = false;
    // The pending reconnect or scheduled discovery restart; the pending delayed dial.
    QTimer* m_reconnectTimer = nullptr;
    QTimer* m_fallbackConnectTimer = nullptr;
    std::function<void()> m_reconnectAction;
    std::function<void()> m_fallbackConnectAction;
    // Monotonic time of the last discovery restart; invalid means the distant past.
    QElapsedTimer m_lastDiscoveryRestart;
    std::optional<NetPathStatus> m_lastPathStatus;
};

} // namespace quavel
