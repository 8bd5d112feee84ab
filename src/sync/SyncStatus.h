#pragma once

#include <QString>

namespace quavel {

// The sync service's state for the status line. Two statuses are equal when their kind and payload are.
struct SyncStatus
{
    enum class Kind {
        connecting, // payload: the peer a link is being set up with
        synced, // payload: the one ready peer's name, or "<n> appareils"
        failed, // payload: a French message, shown unchanged
        idle, // not started yet
        searching, // started, no ready link
    };

    Kind kind = Kind::idle;
    QString payload;

    static SyncStatus connecting(const QString& peer) { return { Kind::connecting, peer }; }
    static SyncStatus synced(const QString& peerOrCount) { return { Kind::synced, peerOrCount }; }
    static SyncStatus failed(const QString& message) { return { Kind::failed, message }; }
    static SyncStatus idle() { return { Kind::idle, {} }; }
    static SyncStatus searching() { return { Kind::searching, {} }; }

    bool isSynced() const { return kind == Kind::synced; }
    bool isFailed() const { return kind == Kind::failed; }

    // The plain French text, without display names ("Lien avec …", "Synchronisé · …", "Inactif", …).
    QString title() const;

    bool operator==(const SyncStatus&) const = default;
};

} // namespace quavel
