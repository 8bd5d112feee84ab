// The message exchange on a link: sending frames, the receive loop and the desktop's answer to each
// envelope.
#include "sync/SyncService.h"

#include "library/SyncEnvelope.h"
#include "sync/PeerLink.h"
#include "sync/SyncFrames.h"
#include "sync/SyncLimits.h"

#include <QPointer>

namespace quavel {

void SyncService::send(const SyncEnvelope& envelope, PeerLink& link)
{
    std::optional<QByteArray> frame = SyncFrames::encode(envelope);
    if (!frame) {
        setStatus(SyncStatus::failed(QStringLiteral("Envoi impossible")));
        return;
    }
    // Send errors are not reported here: a broken connection shows on the receive path and in its state.
    link.connection->send(*frame);
}

bool SyncService::isRegistered(const PeerLink* link) const
{
    auto it = m_links.constFind(link->name);
    return it != m_links.constEnd() && it->get() == link;
}

bool SyncService::withinPendingLimits(const PeerLink& link) const
{
    if (link.framesBeforeName > SyncLimits::pendingFrames
        || link.buffer.size() > SyncLimits::pendingLinkBytes)
        return false;
    qsizetype total = 0;
    for (const LinkPtr& other : m_links)
        if (other->awaitingName)
            total += other->buffer.size();
    return total <= SyncLimits::pendingTotalBytes;
}

void SyncService::receiveNext(const LinkPtr& link)
{
    QPointer<SyncService> self(this);
    std::weak_ptr<PeerLink> weak = link;
    link->connection->receive(maximumReceiveLength,
        [self, weak](const QByteArray& data, bool isComplete, const std::optional<NetError>& error) {
            LinkPtr l = weak.lock();
            // A link that was dropped or replaced is not read again.
            if (!self || !l || !self->isRegistered(l.get()))
                return;
            self->handleReceived(l, data, isComplete, error);
        });
}

void SyncService::handleReceived(
    const LinkPtr& link, const QByteArray& data, bool isComplete, const std::optional<NetError>& error)
{
    if (!data.isEmpty()) {
        link->buffer.append(data);
        QPointer<SyncService> self(this);
        int undecodableNow = 0;
        const SyncFrames::DrainResult result = SyncFrames::drain(
            link->buffer,
            [&](SyncEnvelope& envelope) {
                handle(envelope, link);
                // A link dropped by its own message (or by the library callback) is read no further.
                return !self.isNull() && isRegistered(link.get());
            },
            // A link that has not said who it is gets a few frames to do so, readable or not.
            [&] { return !link->awaitingName || ++link->framesBeforeName <= SyncLimits::pendingFrames; },
            // An occasional frame that is no envelope is skipped; a stream of them is not a peer's.
            [&] {
                return ++undecodableNow <= SyncLimits::undecodablePerReceive
                    && ++link->undecodableFrames <= SyncLimits::undecodablePerLink;
            });
        if (self.isNull() || !isRegistered(link.get()))
            return;
        if (link->awaitingName && !withinPendingLimits(*link)) {
            closeLink(link);
            refreshAggregateStatus();
            return;
        }
        if (result == SyncFrames::DrainResult::oversized || result == SyncFrames::DrainResult::undecodable) {
            // Nothing can ever be taken from this buffer again, or it fills with what no peer sends: the
            // link is lost, and an enabled peer still in reach is dialled again as after any other loss.
            handleLinkDisconnect(link);
            return;
        }
    }
    if (!error && !isComplete)
        receiveNext(link);
    else
        handleLinkDisconnect(link);
}

void SyncService::handle(const SyncEnvelope& envelope, const LinkPtr& link)
{
    if (envelope.peerName && !envelope.peerName->isEmpty()) {
        const QString& announced = *envelope.peerName;
        if (!isPreferred(announced)) {
            dropLink(link->name);
            refreshAggregateStatus();
            return;
        }
        link->belongsToEnabledPeer = true;
        link->awaitingName = false;
        link->nameTimer.reset();
        if (link->name != announced) {
            m_links.remove(link->name);
            // The link already under that name is orphaned by the re-keying: close it.
            if (LinkPtr orphan = m_links.value(announced); orphan && orphan != link)
                closeLink(orphan);
            link->name = announced;
            m_links.insert(announced, link);
            emit linksChanged();
        }
        if (envelope.kind == SyncEnvelopeKind::hello) {
            SyncEnvelope request;
            request.kind = SyncEnvelopeKind::requestLibrary;
            request.platform = m_role;
            send(request, *link);
        }
    }
    // Only a link of an enabled peer may write into the library; a nameless library is accepted there.
    if (envelope.kind == SyncEnvelopeKind::library && envelope.snapshot && link->belongsToEnabledPeer
        && onLibraryReceived) {
        try {
            onLibraryReceived(*envelope.snapshot);
        } catch (const std::exception&) {
            // The library shows nothing for a failed merge; the link goes on.
        }
    }
    refreshAggregateStatus();
}

} // namespace quavel
