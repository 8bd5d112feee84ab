#include "sync/SyncStatus.h"

namespace quavel {

QString SyncStatus::title() const
{
    switch (kind) {
    case Kind::connecting:
        return QStringLiteral("Lien avec ") + payload + QChar(0x2026);
    case Kind::synced:
        return QStringLiteral("Synchronisé · ") + payload;
    case Kind::failed:
        return payload;
    case Kind::idle:
        return QStringLiteral("Inactif");
    case Kind::searching:
        return QStringLiteral("Recherche…");
    }
    return QString();
}

} // namespace quavel
