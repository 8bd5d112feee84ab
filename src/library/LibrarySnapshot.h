#pragma once

#include "library/DayRecord.h"
#include "library/SpreadsheetRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <optional>

namespace quavel {

// The whole library: "library.json", the snapshot of a "library" sync envelope.
// The lists have no meaningful order; every reader sorts.
struct LibrarySnapshot
{
    qint64 version = 1;
    QDateTime updatedAt;
    QList<DayRecord> days;
    QList<SpreadsheetRecord> spreadsheets;

    // Version 1, updated now, nothing in it.
    static LibrarySnapshot empty();

    // The first record with that identifier, in list order.
    std::optional<DayRecord> day(const QUuid& id) const;
    std::optional<SpreadsheetRecord> spreadsheet(const QUuid& id) const;
    // The spreadsheets of a day, newest createdAt first; equal dates keep their list order.
    QList<SpreadsheetRecord> spreadsheetsIn(const QUuid& dayID) const;
    // The days in display order: sortIndex ascending, equal sortIndex newest createdAt first.
    QList<DayRecord> sortedDays() const;

    nlohmann::json toJson() const;
    // The same document as toJson(), streamed (the file form; see JsonWriter).
    void writeJson(JsonWriter& writer) const;
    static LibrarySnapshot fromJson(const nlohmann::json& json);
    // The text of "library.json". Throws QuavelJSON::EncodingError for a date without a text form.
    QByteArray encoded() const;

    bool operator==(const LibrarySnapshot&) const = default;
};

} // namespace quavel
