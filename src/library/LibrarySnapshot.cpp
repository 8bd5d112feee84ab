#include "library/LibrarySnapshot.h"

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
