#pragma once

#include "workspace/OrganizerHistoryEntry.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace quavel {

// One spreadsheet's block of the history panel; built by the workspace store, never stored.
struct OrganizerHistorySection
{
    // The spreadsheet's identifier.
    QUuid id;
    QString title;
    // Newest first.
    QList<OrganizerHistoryEntry> entries;

    bool operator==(const OrganizerHistorySection&) const = default;
};

} // namespace quavel
