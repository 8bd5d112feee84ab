#include "shell/DevicePresentation.h"

#include "shell/SyncStatusSource.h"

namespace quavel::DevicePresentation {

namespace {
const QString kAndroidPrefix = QStringLiteral("QUAVEL Android");
}

QString deviceSymbol(const QString& name)
{
    return name.startsWith(kAndroidPrefix) ? QStringLiteral("candybarphone") : QStringLiteral("iphone");
}

QString pickerSymbol(const SyncStatusSource& sync)
{
    const QStringList preferred = sync.preferredPeerNames();
    QString reference;
    if (!preferred.isEmpty())
        reference = preferred.first();
    else if (const QStringList listed = sync.listedPeerNames(); !listed.isEmpty())
        reference = listed.first();
    if (reference.startsWith(kAndroidPrefix))
        return QStringLiteral("candybarphone");
    if (preferred.size() >= 2)
        return QStringLiteral("antenna.radiowaves.left.and.right");
    return QStringLiteral("iphone");
}

QString pickerTitle(const SyncStatusSource& sync)
{
    const QStringList preferred = sync.preferredPeerNames();
    if (preferred.isEmpty()) {
        const qsizetype listed = sync.listedPeerNames().size();
        if (listed == 0)
            return QStringLiteral("Choisir un appareil");
        return QString::number(listed) + QStringLiteral(" appareil")
            + (listed >= 2 ? QStringLiteral("s") : QString()) + QStringLiteral(" à proximité");
    }
    if (preferred.size() == 1) {
        const QString& name = preferred.first();
        const QString friendly = sync.friendlyName(name);
        return sync.isNearby(name) ? friendly : friendly + QStringLiteral(" · hors de portée");
    }
    qsizetype online = 0;
    for (const QString& name : preferred)
        if (sync.isNearby(name))
            ++online;
    return QString::number(preferred.size()) + QStringLiteral(" appareils · ") + QString::number(online)
        + QStringLiteral(" en ligne");
}

QString rowState(bool linked, bool nearby, bool enabled)
{
    if (linked)
        return QStringLiteral("Synchronisé");
    if (nearby)
        return enabled ? QStringLiteral("Lien en cours") : QStringLiteral("En ligne");
    return QStringLiteral("Hors de portée");
}

} // namespace quavel::DevicePresentation
