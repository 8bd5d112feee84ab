#include "programme/WebProgrammeSnapshot.h"

#include "programme/WebProgrammeParser.h"

namespace quavel {

namespace {

// "1 épreuve", "0 épreuve", "2 épreuves": the plural from two on.
QString counted(qsizetype count, const QString& noun)
{
    return QString::number(count) + u' ' + noun + (count >= 2 ? QStringLiteral("s") : QString());
}

} // namespace

QString WebProgrammeSnapshot::rawValue(Kind kind)
{
    switch (kind) {
    case Kind::Contest:
        return QStringLiteral("contest");
    case Kind::Startlist:
        return QStringLiteral("startlist");
    case Kind::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

std::optional<WebProgrammeSnapshot::Kind> WebProgrammeSnapshot::kindFromRawValue(QStringView raw)
{
    for (Kind kind : { Kind::Contest, Kind::Startlist, Kind::Unknown }) {
        if (raw == rawValue(kind))
            return kind;
    }
    return std::nullopt;
}

QString WebProgrammeSnapshot::statusLine() const
{
    switch (kind) {
    case Kind::Contest:
        return contestTitle + QStringLiteral(" · ") + counted(events.size(), QStringLiteral("épreuve"));
    case Kind::Startlist: {
        const QString head = currentEvent
            ? WebProgrammeParser::displayTitle(currentEvent->eventNumber, currentEvent->title)
            : QStringLiteral("Liste de départ");
        return head + QStringLiteral(" · ") + counted(people.size(), QStringLiteral("cavalier"))
            + QStringLiteral(" · n° dossard (Num)");
    }
    case Kind::Unknown:
        break;
    }
    return QStringLiteral("Ouvrez un concours, puis une liste de départ, pour importer le programme.");
}

} // namespace quavel
