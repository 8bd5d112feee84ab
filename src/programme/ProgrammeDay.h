#pragma once

#include "programme/ProgrammeEvent.h"

#include <QList>
#include <QString>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One competition day of a programme: a weekday ("Samedi"), a sheet or competition name, or
// "Programme" when the source names no day.
struct ProgrammeDay
{
    QString name;
    QList<ProgrammeEvent> events;

    nlohmann::json toJson() const;
    static ProgrammeDay fromJson(const nlohmann::json& json);

    bool operator==(const ProgrammeDay&) const = default;
};

size_t qHash(const ProgrammeDay& day, size_t seed = 0);

} // namespace quavel
