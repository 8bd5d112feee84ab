#pragma once

#include <QString>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

class JsonWriter;

// One row of a spreadsheet: the photo number opening a rider's run and the rider's bib, as typed.
struct RowRecord
{
    QUuid id;
    QString photoNumber;
    QString assignedNumber;

    // A fresh identifier and two empty texts.
    static RowRecord blank();

    // Both texts empty once white space and line breaks are trimmed.
    bool isBlank() const;

    nlohmann::json toJson() const;
    // The same document as toJson(), streamed (the file form; see JsonWriter).
    void writeJson(JsonWriter& writer) const;
    static RowRecord fromJson(const nlohmann::json& json);

    bool operator==(const RowRecord&) const = default;
};

size_t qHash(const RowRecord& row, size_t seed = 0) noexcept;

} // namespace quavel
