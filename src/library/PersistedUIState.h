#pragma once

#include <QList>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

#include <optional>

namespace quavel {

// "ui-state.json": the sidebar selection and the spreadsheets marked as synced.
// Every key is optional on read (null counts as missing); a wrong type fails the whole decode.
struct PersistedUIState
{
    std::optional<QUuid> selectedDayID;
    std::optional<QUuid> selectedSpreadsheetID;
    QList<QUuid> syncedSpreadsheetIDs;

    nlohmann::json toJson() const;
    static PersistedUIState fromJson(const nlohmann::json& json);

    bool operator==(const PersistedUIState&) const = default;
};

} // namespace quavel
