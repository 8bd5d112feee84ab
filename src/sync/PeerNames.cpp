#include "sync/PeerNames.h"

#include "platform/text/Regex.h"
#include "platform/text/Text.h"

#include <QSet>

namespace quavel::PeerNames {

namespace {

const Regex& collisionSuffix()
{
    // The " (2)" a DNS-SD responder appends when a name is taken.
    static const Regex pattern(QStringLiteral(" \\(\\d+\\)$"));
    return pattern;
}

} // namespace

QString normalized(const QString& name)
{
    QString cleaned = text::trimWhitespaceAndNewlines(name);
    if (auto m = collisionSuffix().match(cleaned))
        cleaned.truncate(m->start());
    return cleaned;
}

bool match(const QString& a, const QString& b)
{
    return QString::compare(normalized(a), normalized(b), Qt::CaseInsensitive) == 0;
}

QString friendly(const QString& name)
{
    static const struct
    {
        QString prefix;
        QString shown;
    } prefixes[] = {
        { QStringLiteral("QUAVEL iOS "), QStringLiteral("iPhone ") },
        { QStringLiteral("QUAVEL Android "), QStringLiteral("Android ") },
        { QStringLiteral("QUAVEL Mac "), QStringLiteral("Mac ") },
    };
    const QString cleaned = normalized(name);
    for (const auto& p : prefixes) {
        if (cleaned.startsWith(p.prefix))
            return p.shown + cleaned.mid(p.prefix.size());
    }
    return cleaned;
}

QStringList unique(const QStringList& names)
{
    QStringList out;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString trimmedName = text::trimWhitespaceAndNewlines(name);
        if (trimmedName.isEmpty())
            continue;
        const QString key = normalized(trimmedName).toLower();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        out.append(trimmedName);
    }
    return out;
}

} // namespace quavel::PeerNames
