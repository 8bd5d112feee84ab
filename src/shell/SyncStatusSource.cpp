#include "shell/SyncStatusSource.h"

namespace quavel {

QString SyncStatusSource::plainTitle(const Status& status)
{
    switch (status.kind) {
    case Status::Kind::connecting:
        return QStringLiteral("Lien avec ") + status.payload + QStringLiteral("…");
    case Status::Kind::synced:
        return QStringLiteral("Synchronisé · ") + status.payload;
    case Status::Kind::failed:
        return status.payload;
    case Status::Kind::idle:
        return QStringLiteral("Inactif");
    case Status::Kind::searching:
        return QStringLiteral("Recherche…");
    }
    return QStringLiteral("Inactif");
}

bool SyncStatusSource::isNearby(const QString& name) const
{
    const QStringList nearby = nearbyPeerNames();
    return std::any_of(nearby.cbegin(), nearby.cend(), [&](const QString& n) { return namesMatch(n, name); });
}

bool IdleSyncSource::namesMatch(const QString& a, const QString& b) const
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace quavel
