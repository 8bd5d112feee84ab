#pragma once

#include "library/RowRecord.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

namespace quavel {

// One spreadsheet of a day. updatedAt is the clock of every merge.
struct SpreadsheetRecord
{
    QUuid id;
    QUuid dayID;
    QString title;
    QDateTime createdAt;
    QDateTime updatedAt;
    bool isOpen = true;
    QList<RowRecord> rows;

    // Rows whose photo number is not empty once blanks and tabs (not line breaks) are trimmed.
    qsizetype filledRowCount() const;

    nlohmann::json toJson() const;
    // The same document as toJson(), streamed (the file form; see JsonWriter).
    void writeJson(JsonWriter& writer) const;
    static SpreadsheetRecord fromJson(const nlohmann::json& json);

    bool operator==(const SpreadsheetRecord&) const = default;
};

size_t qHash(const SpreadsheetRecord& sheet, size_t seed = 0) noexcept;

} // namespace quavel
