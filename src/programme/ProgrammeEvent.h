#pragma once

#include "programme/ImportedPerson.h"

#include <QList>
#include <QString>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One class ("épreuve") of a programme day. `id` tells classes apart within their document.
struct ProgrammeEvent
{
    QString id;
    QString title;
    QList<ImportedPerson> people;

    nlohmann::json toJson() const;
    static ProgrammeEvent fromJson(const nlohmann::json& json);

    bool operator==(const ProgrammeEvent&) const = default;
};

size_t qHash(const ProgrammeEvent& event, size_t seed = 0);

} // namespace quavel
