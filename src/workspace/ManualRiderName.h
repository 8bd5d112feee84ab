#pragma once

#include <QString>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// A rider's name typed by hand for one bib, both parts exactly as typed (untrimmed).
struct ManualRiderName
{
    QString lastName;
    QString firstName;

    nlohmann::json toJson() const;
    // Both keys required; throws QuavelJSON::DecodingError.
    static ManualRiderName fromJson(const nlohmann::json& json);

    bool operator==(const ManualRiderName&) const = default;
};

} // namespace quavel
