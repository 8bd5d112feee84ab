#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {

// The result of a sorting run or of a folder-creation run.
struct OrganizerReport
{
    int copied = 0;
    // Folders created or used.
    int folders = 0;
    int skipped = 0;
    // One line per event, in the order they happened.
    QStringList messages;
    std::optional<QString> headline;

    // `headline`, else "3 dossiers · 12 photos copiées" (zero and one take the singular).
    QString defaultHeadline() const;

    bool operator==(const OrganizerReport&) const = default;
};

} // namespace quavel
