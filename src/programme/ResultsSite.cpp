#include "programme/ResultsSite.h"

namespace quavel {

const QList<ResultsSite>& ResultsSite::builtIn()
{
    static const QList<ResultsSite> sites {
        { QStringLiteral("FFE Compet"), QStringLiteral("ffecompet.ffe.com"),
            QUuid(QStringLiteral("A1B2C3D4-E5F6-7890-ABCD-EF1234567890")) },
        { QStringLiteral("Equipe"), QStringLiteral("online.equipe.com"),
            QUuid(QStringLiteral("B2C3D4E5-F617-8901-BCDE-F12345678901")) },
        { QStringLiteral("Longines Timing"), QStringLiteral("www.longinestiming.com"),
            QUuid(QStringLiteral("C3D4E5F6-1718-9012-CDEF-123456789012")) },
        { QStringLiteral("Hippodata"), QStringLiteral("www.hippodata.de"),
            QUuid(QStringLiteral("D4E5F617-1890-1234-DEF0-234567890123")) },
    };
    return sites;
}

} // namespace quavel
