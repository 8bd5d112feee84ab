// Peer links: who dials whom, accepting, registering, dropping and re-establishing links.
#include "sync/SyncService.h"

#include "library/SyncEnvelope.h"
#include "platform/UuidText.h"
#include "sync/PeerLink.h"
#include "sync/SyncLimits.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace quavel {

QString SyncService::displayName(const NetEndpoint& endpoint)
{
    if (endpoint.isService())
        return endpoint.serviceName;
    return QStringLiteral("téléphone");
}

QString SyncService::pendingName()
{
    return QStringLiteral("pending-") + uuidText(QUuid::createUuid()).left(6);
}

bool SyncService::hasLinkMatching(const QString& name) const
{
    for (const LinkPtr& link : m_links) {
        if (namesMatch(link->name, name))
            return true;
    }
    return false;
}

void SyncService::considerConnecting(const NetEndpoint& endpoint, const QString& name)
{
    if (isLinked(name) || hasLinkMatching(name) || !isPreferred(name))
        return;
    // Of two peers, the one whose name sorts after the other's dials at once; the other waits for it.
    if (name != m_peerName && name < m_peerName) {
        connect(endpoint, name);
        return;
    }
    m_fallbackConnectTimer->stop();
    m_fallbackConnectAction = [this, endpoint, name] {
        if (!m_isStarted || isLinked(name) || hasLinkMatching(name) || !isPreferred(name))
            return;
        connect(endpoint, name);
    };
    m_fallbackConnectTimer->start(m_timing.dialDelay);
}

void SyncService::connect(const NetEndpoint& endpoint, const std::optional<QString>& name)
{
    const QString linkName = name.value_or(displayName(endpoint));
    NetConnectionPtr connection = m_network->makeConnection(endpoint, tcpOptions());
    LinkPtr link = attachLink(std::move(connection), linkName);
    link->belongsToEnabledPeer = isPreferred(linkName);
}

void SyncService::acceptConnection(NetConnectionPtr connection)
{
    // With no peer enabled nobody may link to the desktop.
    if (m_role == u"mac" && m_preferredPeerNames.isEmpty()) {
        connection->cancel();
        return;
    }
    // A few unannounced links at once: the oldest gives way to the newcomer. A phone announces itself
    // in its first frame, so only a link that says nothing stays long enough to be the oldest.
    QList<LinkPtr> pending;
    for (const LinkPtr& existing : std::as_const(m_links))
        if (existing->awaitingName)
            pending.append(existing);
    std::sort(pending.begin(), pending.end(),
        [](const LinkPtr& a, const LinkPtr& b) { return a->acceptOrder < b->acceptOrder; });
    for (qsizetype i = 0; i + SyncLimits::pendingLinks <= pending.size(); ++i)
        closeLink(pending[i]);
    LinkPtr link = attachLink(std::move(connection), pendingName(), true);
    link->acceptOrder = ++m_acceptCount;
    // A peer that never says who it is does not keep a link open.
    link->nameTimer.reset(new QTimer);
    link->nameTimer->setSingleShot(true);
    std::weak_ptr<PeerLink> weak = link;
    QObject::connect(link->nameTimer.get(), &QTimer::timeout, this, [this, weak] {
        LinkPtr l = weak.lock();
        if (!l || !isRegistered(l.get()) || l->belongsToEnabledPeer)
            return;
        closeLink(l);
        refreshAggregateStatus();
    });
    link->nameTimer->start(m_timing.pendingNameTimeout);
}

SyncService::LinkPtr SyncService::attachLink(
    NetConnectionPtr connection, const QString& name, bool awaitingName)
{
    std::optional<QString> matching;
    for (const LinkPtr& existing : std::as_const(m_links)) {
        if (namesMatch(existing->name, name)) {
            matching = existing->name;
            break;
        }
    }
    if (matching)
        dropLink(*matching);
    if (LinkPtr replaced = m_links.value(name))
        closeLink(replaced);

    auto link = std::make_shared<PeerLink>();
    link->name = name;
    link->connection = std::move(connection);
    link->awaitingName = awaitingName;
    m_links.insert(name, link);
    emit linksChanged();
    // A link that has not said who it is is shown nowhere: its "pending-" name means nothing to anyone.
    if (!m_status.isSynced() && !awaitingName)
        setStatus(SyncStatus::connecting(name));

    QPointer<SyncService> self(this);
    std::weak_ptr<PeerLink> weak = link;
    link->connection->setStateHandler([self, weak](NetState state, const std::optional<NetError>& error) {
        LinkPtr l = weak.lock();
        // Callbacks of links that were dropped or replaced are ignored.
        if (!self || !l || !self->isRegistered(l.get()))
            return;
        self->handleLinkState(state, error, l);
    });
    link->connection->start();
    receiveNext(link);
    return link;
}

void SyncService::handleLinkState(NetState state, const std::optional<NetError>& error, const LinkPtr& link)
{
    switch (state) {
    case NetState::ready: {
        link->isReady = true;
        m_fallbackConnectTimer->stop();
        m_fallbackConnectAction = nullptr;
        SyncEnvelope hello;
        hello.kind = SyncEnvelopeKind::hello;
        hello.platform = m_role;
        hello.peerName = m_peerName;
        send(hello, *link);
        SyncEnvelope request;
        request.kind = SyncEnvelopeKind::requestLibrary;
        request.platform = m_role;
        send(request, *link);
        emit linksChanged();
        refreshAggregateStatus();
        break;
    }
    case NetState::waiting:
        if (error && isLocalNetworkDenied(*error))
            setStatus(SyncStatus::failed(QStringLiteral("Autorisez le réseau local dans Réglages")));
        break;
    case NetState::failed:
    case NetState::cancelled:
        handleLinkDisconnect(link);
        break;
    case NetState::setup:
    case NetState::preparing:
        break;
    }
}

void SyncService::closeLink(const LinkPtr& link)
{
    // The state handler goes first, so that the cancellation is not taken for a lost link.
    link->connection->clearStateHandler();
    link->connection->cancel();
    link->nameTimer.reset();
    auto it = m_links.find(link->name);
    if (it != m_links.end() && *it == link) {
        m_links.erase(it);
    } else {
        for (auto i = m_links.begin(); i != m_links.end(); ++i) {
            if (*i == link) {
                m_links.erase(i);
                break;
            }
        }
    }
    emit linksChanged();
}

void SyncService::dropLink(const QString& name)
{
    QList<LinkPtr> doomed;
    for (auto it = m_links.cbegin(); it != m_links.cend(); ++it) {
        if (it.key() == name || namesMatch((*it)->name, name))
            doomed.append(*it);
    }
    for (const LinkPtr& link : std::as_const(doomed))
        closeLink(link);
}

void SyncService::handleLinkDisconnect(const LinkPtr& link)
{
    const QString name = link->name;
    dropLink(name);
    // The link itself, even when re-keyed under a name that no longer matches its entry.
    if (isRegistered(link.get()))
        closeLink(link);
    refreshAggregateStatus();
    if (!m_isStarted || !isPreferred(name))
        return;
    const std::optional<SyncPeer> peer = nearbyPeer(name);
    if (!peer)
        return;
    m_reconnectTimer->stop();
    m_reconnectAction = [this, name, peer = *peer] {
        if (!m_isStarted || !isPreferred(name) || isLinked(name))
            return;
        considerConnecting(peer.endpoint, peer.name);
    };
    m_reconnectTimer->start(m_timing.reconnectDelay);
}

} // namespace quavel
