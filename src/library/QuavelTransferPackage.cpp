#include "library/QuavelTransferPackage.h"

#include "library/QuavelJSON.h"

namespace quavel {

nlohmann::json QuavelTransferPackage::toJson() const
{
    using namespace QuavelJSON;
    Json sheets = Json::array();
    for (const SpreadsheetRecord& s : spreadsheets)
        sheets.push_back(s.toJson());
    return Json { { "formatVersion", formatVersion }, { "kind", kind == Kind::day ? "day" : "spreadsheet" },
        { "day", day.toJson() }, { "spreadsheets", std::move(sheets) } };
}

QuavelTransferPackage QuavelTransferPackage::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    QuavelTransferPackage p;
    p.formatVersion = readInt64(json, "formatVersion");
    const QString kind = readString(json, "kind");
    if (kind == u"day")
        p.kind = Kind::day;
    else if (kind == u"spreadsheet")
        p.kind = Kind::spreadsheet;
    else
        throw DecodingError(QStringLiteral("Type de transfert inconnu : ") + kind);
    p.day = DayRecord::fromJson(require(json, "day"));
    for (const Json& s : readArray(json, "spreadsheets"))
        p.spreadsheets.append(SpreadsheetRecord::fromJson(s));
    return p;
}

} // namespace quavel
