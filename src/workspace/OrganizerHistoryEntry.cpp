#include "workspace/OrganizerHistoryEntry.h"

#include "library/QuavelJSON.h"

namespace quavel {

using namespace QuavelJSON;

Json OrganizerHistoryEntry::toJson() const
{
    return Json { { "id", fromUuid(id) }, { "spreadsheetID", fromUuid(spreadsheetID) },
        { "spreadsheetTitle", fromString(spreadsheetTitle) }, { "date", fromDate(date) },
        { "headline", fromString(headline) }, { "messages", fromStrings(messages) } };
}

OrganizerHistoryEntry OrganizerHistoryEntry::fromJson(const Json& json)
{
    asObject(json);
    OrganizerHistoryEntry e;
    e.id = readUuid(json, "id");
    e.spreadsheetID = readUuid(json, "spreadsheetID");
    e.spreadsheetTitle = readString(json, "spreadsheetTitle");
    e.date = readDate(json, "date");
    e.headline = readString(json, "headline");
    e.messages = asStrings(require(json, "messages"));
    return e;
}

} // namespace quavel
