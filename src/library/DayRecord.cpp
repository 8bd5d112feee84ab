#include "library/DayRecord.h"

#include "library/JsonWriter.h"
#include "library/QuavelJSON.h"

#include <QHash>

namespace quavel {

nlohmann::json DayRecord::toJson() const
{
    using namespace QuavelJSON;
    return Json { { "id", fromUuid(id) }, { "name", fromString(name) }, { "createdAt", fromDate(createdAt) },
        { "sortIndex", sortIndex } };
}

void DayRecord::writeJson(JsonWriter& w) const
{
    w.beginObject();
    w.key("createdAt");
    w.date(createdAt);
    w.key("id");
    w.uuid(id);
    w.key("name");
    w.string(name);
    w.key("sortIndex");
    w.integer(sortIndex);
    w.endObject();
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

size_t qHash(const DayRecord& day, size_t seed) noexcept
{
    return qHashMulti(seed, day.id, day.name, day.createdAt, day.sortIndex);
}

} // namespace quavel
