#pragma once

#include "platform/net/NetEndpoint.h"

#include <QString>

namespace quavel {

// One device seen by the browser: its service name exactly as browsed and where to reach it.
// Its identity is the name: two peers are equal whatever their endpoints.
struct SyncPeer
{
    QString name;
    NetEndpoint endpoint;

    bool operator==(const SyncPeer& other) const { return name == other.name; }
};

} // namespace quavel
