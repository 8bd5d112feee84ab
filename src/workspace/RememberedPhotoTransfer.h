#pragma once

#include <QString>
#include <QStringList>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// What the last organiser run copied for one row: the source files' names in the group's order and
// the range they came from.
struct RememberedPhotoTransfer
{
    QStringList fileNames;
    QString rangeLabel;

    // "—" without files, else "3 fichiers · 0123 → avant 0150" ("1 fichier" for one).
    QString photosLabel() const;

    nlohmann::json toJson() const;
    // Both keys required; throws QuavelJSON::DecodingError.
    static RememberedPhotoTransfer fromJson(const nlohmann::json& json);

    bool operator==(const RememberedPhotoTransfer&) const = default;
};

} // namespace quavel
