#include "library/LibrarySnapshot.h"

#include "library/JsonWriter.h"
#include "library/QuavelJSON.h"

#include <algorithm>

namespace quavel {

LibrarySnapshot LibrarySnapshot::empty()
{
    LibrarySnapshot s;
    s.version = 1;
    s.updatedAt = QDateTime::currentDateTimeUtc();
    return s;
}

std::optional<DayRecord> LibrarySnapshot::day(const QUuid& id) const
{
    for (const DayRecord& d : days)
        if (d.id == id)
            return d;
    return std::nullopt;
}

std::optional<SpreadsheetRecord> LibrarySnapshot::spreadsheet(const QUuid& id) const
{
    for (const SpreadsheetRecord& s : spreadsheets)
        if (s.id == id)
            return s;
    return std::nullopt;
}

QList<SpreadsheetRecord> LibrarySnapshot::spreadsheetsIn(const QUuid& dayID) const
{
    QList<SpreadsheetRecord> out;
    for (const SpreadsheetRecord& s : spreadsheets)
        if (s.dayID == dayID)
            out.append(s);
    std::stable_sort(out.begin(), out.end(),
        [](const SpreadsheetRecord& a, const SpreadsheetRecord& b) { return a.createdAt > b.createdAt; });
    return out;
}

QList<DayRecord> LibrarySnapshot::sortedDays() const
{
    QList<DayRecord> out = days;
    std::stable_sort(out.begin(), out.end(), [](const DayRecord& a, const DayRecord& b) {
        if (a.sortIndex != b.sortIndex)
            return a.sortIndex < b.sortIndex;
        return a.createdAt > b.createdAt;
    });
    return out;
}

nlohmann::json LibrarySnapshot::toJson() const
{
    using namespace QuavelJSON;
    Json dayArray = Json::array();
    for (const DayRecord& d : days)
        dayArray.push_back(d.toJson());
    Json sheetArray = Json::array();
    for (const SpreadsheetRecord& s : spreadsheets)
        sheetArray.push_back(s.toJson());
    return Json { { "version", version }, { "updatedAt", fromDate(updatedAt) }, { "days", std::move(dayArray) },
        { "spreadsheets", std::move(sheetArray) } };
}

void LibrarySnapshot::writeJson(JsonWriter& w) const
{
    w.beginObject();
    w.key("days");
    w.beginArray();
    for (const DayRecord& d : days)
        d.writeJson(w);
    w.endArray();
    w.key("spreadsheets");
    w.beginArray();
    for (const SpreadsheetRecord& s : spreadsheets)
        s.writeJson(w);
    w.endArray();
    w.key("updatedAt");
    w.date(updatedAt);
    w.key("version");
    w.integer(version);
    w.endObject();
}

QByteArray LibrarySnapshot::encoded() const
{
    // About 150 bytes a row once indented: reserve so the text is not copied as it grows.
    qsizetype rows = 0;
    for (const SpreadsheetRecord& s : spreadsheets)
        rows += s.rows.size();
    JsonWriter writer(std::size_t(rows * 160 + spreadsheets.size() * 400 + days.size() * 200 + 256));
    writeJson(writer);
    return writer.take();
}

LibrarySnapshot LibrarySnapshot::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    LibrarySnapshot s;
    s.version = readInt64(json, "version");
    s.updatedAt = readDate(json, "updatedAt");
    const Json& days = readArray(json, "days");
    s.days.reserve(qsizetype(days.size()));
    for (const Json& d : days)
        s.days.append(DayRecord::fromJson(d));
    const Json& sheets = readArray(json, "spreadsheets");
    s.spreadsheets.reserve(qsizetype(sheets.size()));
    for (const Json& sheet : sheets)
        s.spreadsheets.append(SpreadsheetRecord::fromJson(sheet));
    return s;
}

} // namespace quavel
