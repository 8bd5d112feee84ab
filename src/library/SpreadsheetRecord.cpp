#include "library/SpreadsheetRecord.h"

#include "library/JsonWriter.h"
#include "library/QuavelJSON.h"
#include "platform/text/Text.h"

#include <QHash>

namespace quavel {

qsizetype SpreadsheetRecord::filledRowCount() const
{
    qsizetype count = 0;
    for (const RowRecord& row : rows) {
        for (QChar c : row.photoNumber) {
            if (!text::isWhitespace(c.unicode())) {
                ++count;
                break;
            }
        }
    }
    return count;
}

nlohmann::json SpreadsheetRecord::toJson() const
{
    using namespace QuavelJSON;
    Json rowArray = Json::array();
    for (const RowRecord& row : rows)
        rowArray.push_back(row.toJson());
    return Json { { "id", fromUuid(id) }, { "dayID", fromUuid(dayID) }, { "title", fromString(title) },
        { "createdAt", fromDate(createdAt) }, { "updatedAt", fromDate(updatedAt) }, { "isOpen", isOpen },
        { "rows", std::move(rowArray) } };
}

void SpreadsheetRecord::writeJson(JsonWriter& w) const
{
    w.beginObject();
    w.key("createdAt");
    w.date(createdAt);
    w.key("dayID");
    w.uuid(dayID);
    w.key("id");
    w.uuid(id);
    w.key("isOpen");
    w.boolean(isOpen);
    w.key("rows");
    w.beginArray();
    for (const RowRecord& row : rows)
        row.writeJson(w);
    w.endArray();
    w.key("title");
    w.string(title);
    w.key("updatedAt");
    w.date(updatedAt);
    w.endObject();
}

SpreadsheetRecord SpreadsheetRecord::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    SpreadsheetRecord s;
    s.id = readUuid(json, "id");
    s.dayID = readUuid(json, "dayID");
    s.title = readString(json, "title");
    s.createdAt = readDate(json, "createdAt");
    s.updatedAt = readDate(json, "updatedAt");
    s.isOpen = readBool(json, "isOpen");
    const Json& rows = readArray(json, "rows");
    s.rows.reserve(qsizetype(rows.size()));
    for (const Json& row : rows)
        s.rows.append(RowRecord::fromJson(row));
    return s;
}

size_t qHash(const SpreadsheetRecord& s, size_t seed) noexcept
{
    return qHashMulti(seed, s.id, s.dayID, s.title, s.createdAt, s.updatedAt, s.isOpen,
        qHashRange(s.rows.cbegin(), s.rows.cend()));
}

} // namespace quavel
