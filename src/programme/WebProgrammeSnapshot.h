#pragma once

#include "programme/ImportedPerson.h"
#include "programme/WebProgrammeEventLink.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace quavel {

// What one results page holds, read by WebProgrammeParser::snapshot. Never stored.
struct WebProgrammeSnapshot
{
    enum class Kind { Contest, Startlist, Unknown };

    // "contest", "startlist", "unknown".
    static QString rawValue(Kind kind);
    static std::optional<Kind> kindFromRawValue(QStringView raw);

    Kind kind = Kind::Unknown;
    QString contestTitle;
    std::optional<QUrl> contestURL;
    // In page order, no two with the same start-list link.
    QList<WebProgrammeEventLink> events;
    // In page order, no two with the same bib.
    QList<ImportedPerson> people;
    // The class of `events` whose start list is this very page.
    std::optional<WebProgrammeEventLink> currentEvent;

    // The browser's one-line summary: "Jumping de Printemps · 12 épreuves",
    // "5 · Grand Prix · 1 cavalier · n° dossard (Num)", or the hint for a page with nothing to import.
    QString statusLine() const;

    bool operator==(const WebProgrammeSnapshot&) const = default;
};

} // namespace quavel
