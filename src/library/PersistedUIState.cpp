#include "library/PersistedUIState.h"

#include "library/QuavelJSON.h"

namespace quavel {

nlohmann::json PersistedUIState::toJson() const
{
    using namespace QuavelJSON;
    Json json { { "syncedSpreadsheetIDs", fromUuids(syncedSpreadsheetIDs) } };
    if (selectedDayID)
        json["selectedDayID"] = fromUuid(*selectedDayID);
    if (selectedSpreadsheetID)
        json["selectedSpreadsheetID"] = fromUuid(*selectedSpreadsheetID);
    return json;
}

PersistedUIState PersistedUIState::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    asObject(json);
    PersistedUIState state;
    state.selectedDayID = readOptionalUuid(json, "selectedDayID");
    state.selectedSpreadsheetID = readOptionalUuid(json, "selectedSpreadsheetID");
    if (const Json* ids = find(json, "syncedSpreadsheetIDs"))
        state.syncedSpreadsheetIDs = asUuids(*ids);
    return state;
}

} // namespace quavel
