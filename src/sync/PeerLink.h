#pragma once

#include "platform/net/NetConnection.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <memory>

namespace quavel {

// One TCP link of the sync service, owned by its links table (private to the service).
struct PeerLink
{
    // The key the link is registered under: a peer name or a "pending-" name. Always equal to its key.
    QString name;
    NetConnectionPtr connection;
    // Bytes received and not yet taken as frames.
    QByteArray buffer;
    bool isReady = false;
    // Whether a library received on this link may be merged: the link was dialled to an enabled
    // peer, or an enabled peer announced itself on it. An accepted link that never did stays untrusted.
    bool belongsToEnabledPeer = false;
    // An accepted link that has not announced an enabled peer's name yet: never shown to the user, and
    // held to SyncLimits until it does.
    bool awaitingName = false;
    // Frames taken from it while awaiting its name.
    int framesBeforeName = 0;
    // Frames taken from it that decoded to no envelope, over its life.
    int undecodableFrames = 0;
    // The order links were accepted in (the oldest unannounced one goes first).
    quint64 acceptOrder = 0;
    // Closes an accepted link that announces no name in time.
    std::unique_ptr<QTimer, DeleteLater> nameTimer;
};

} // namespace quavel
