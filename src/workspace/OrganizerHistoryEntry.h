#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One logged sorting run, as the history panel lists it.
struct OrganizerHistoryEntry
{
    QUuid id;
    QUuid spreadsheetID;
    // The spreadsheet's title when the run was recorded.
    QString spreadsheetTitle;
    QDateTime date;
    QString headline;
    QStringList messages;

    nlohmann::json toJson() const;
    // All six keys required; throws QuavelJSON::DecodingError.
    static OrganizerHistoryEntry fromJson(const nlohmann::json& json);

    bool operator==(const OrganizerHistoryEntry&) const = default;
};

} // namespace quavel
