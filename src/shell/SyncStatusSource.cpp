#include "shell/SyncStatusSource.h"

#include "sync/PeerNames.h"

#include <algorithm>

namespace quavel {

bool SyncStatusSource::namesMatch(const QString& a, const QString& b)
{
    return PeerNames::match(a, b);
}

QString SyncStatusSource::friendlyName(const QString& name)
{
    return PeerNames::friendly(name);
}

bool SyncStatusSource::isNearby(const QString& name) const
{
    const QStringList nearby = nearbyPeerNames();
    return std::any_of(nearby.cbegin(), nearby.cend(), [&](const QString& n) { return namesMatch(n, name); });
}

} // namespace quavel
