#include "library/DayRecord.h"

#include "library/QuavelJSON.h"

namespace quavel {

nlohmann::json DayRecord::toJson() const
{
    using namespace QuavelJSON;
    return Json { { "id", fromUuid(id) }, { "name", fromString(name) }, { "createdAt", fromDate(createdAt) },
        { "sortIndex", sortIndex } };
}

DayRecord DayRecord::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    DayRecord day;
    day.id = readUuid(json, "id");
    day.name = readString(json, "name");
    day.createdAt = readDate(json, "createdAt");
    day.sortIndex = readInt64(json, "sortIndex");
    return day;
}

} // namespace quavel
