#pragma once

#include "library/DayRecord.h"
#include "library/SpreadsheetRecord.h"

#include <QList>

namespace quavel {

// The content of a ".quavel" transfer file written by the phone apps: one day, or one spreadsheet
// with its day. Every key is required.
struct QuavelTransferPackage
{
    enum class Kind { day, spreadsheet };

    qint64 formatVersion = 1;
    Kind kind = Kind::day;
    DayRecord day;
    QList<SpreadsheetRecord> spreadsheets;

    nlohmann::json toJson() const;
    static QuavelTransferPackage fromJson(const nlohmann::json& json);

    bool operator==(const QuavelTransferPackage&) const = default;
};

} // namespace quavel
