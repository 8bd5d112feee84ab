#include "ui/Notifications.h"

namespace quavel {

Notifications& Notifications::instance()
{
    static Notifications* centre = new Notifications; // lives as long as the process
    return *centre;
}

const QStringList& Notifications::names()
{
    static const QStringList all { QStringLiteral("quavelNewDay"), QStringLiteral("quavelNewSpreadsheet"),
        QStringLiteral("quavelShowPaniers"), QStringLiteral("quavelShowTableur"),
        QStringLiteral("quavelShowCommandes"), QStringLiteral("quavelImportProgramme"),
        QStringLiteral("quavelImportProgrammeWeb") };
    return all;
}

bool Notifications::post(const QString& name)
{
    if (!names().contains(name))
        return false;
    // The signal carries the notification's own name, so the lookup is by the signal's signature.
    return QMetaObject::invokeMethod(this, name.toLatin1().constData(), Qt::DirectConnection);
}

} // namespace quavel
