#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One competition day.
struct DayRecord
{
    QUuid id;
    QString name;
    QDateTime createdAt;
    qint64 sortIndex = 0;

    nlohmann::json toJson() const;
    static DayRecord fromJson(const nlohmann::json& json);

    bool operator==(const DayRecord&) const = default;
};

} // namespace quavel
