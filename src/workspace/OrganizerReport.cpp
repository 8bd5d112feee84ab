#include "workspace/OrganizerReport.h"

namespace quavel {

QString OrganizerReport::defaultHeadline() const
{
    if (headline)
        return *headline;
    const QString s = QStringLiteral("s");
    return QString::number(folders) + QStringLiteral(" dossier") + (folders > 1 ? s : QString())
        + QStringLiteral(" · ") + QString::number(copied) + QStringLiteral(" photo")
        + (copied > 1 ? s : QString()) + QStringLiteral(" copiée") + (copied > 1 ? s : QString());
}

} // namespace quavel
