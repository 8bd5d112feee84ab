#include "platform/net/InterfaceType.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <net/if.h>

namespace quavel {

InterfaceType interfaceTypeOf(int interfaceIndex)
{
    char name[IF_NAMESIZE] = {};
    if (interfaceIndex <= 0 || !if_indextoname(unsigned(interfaceIndex), name))
        return InterfaceType::other;
    const QString base = QStringLiteral("/sys/class/net/") + QString::fromLocal8Bit(name);
    if (QFileInfo::exists(base + QStringLiteral("/wireless"))
        || QFileInfo::exists(base + QStringLiteral("/phy80211")))
        return InterfaceType::wifi;
    QFile uevent(base + QStringLiteral("/uevent"));
    if (uevent.open(QIODevice::ReadOnly) && uevent.readAll().contains("DEVTYPE=wwan"))
        return InterfaceType::cellular;
    QFile type(base + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return InterfaceType::other;
    // ARPHRD_* values of the link layer.
    switch (type.readAll().trimmed().toInt()) {
    case 1:
        return InterfaceType::wiredEthernet;
    case 772:
        return InterfaceType::loopback;
    default:
        return InterfaceType::other;
    }
}

} // namespace quavel
