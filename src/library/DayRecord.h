#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

class JsonWriter;

// One competition day.
struct DayRecord
{
    QUuid id;
    QString name;
    QDateTime createdAt;
    qint64 sortIndex = 0;

    nlohmann::json toJson() const;
    // The same document as toJson(), streamed (the file form; see JsonWriter).
    void writeJson(JsonWriter& writer) const;
    static DayRecord fromJson(const nlohmann::json& json);

    bool operator==(const DayRecord&) const = default;
};

size_t qHash(const DayRecord& day, size_t seed = 0) noexcept;

} // namespace quavel
