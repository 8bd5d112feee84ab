#pragma once

#include "programme/ProgrammeDay.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// A parsed programme: the file name (or a results page's contest title) and its days, in the order
// the parser produced them. The JSON form is that of "programme.json".
struct ProgrammeDocument
{
    QString sourceName;
    QList<ProgrammeDay> days;

    nlohmann::json toJson() const;
    // Every key required, every type checked; throws QuavelJSON::DecodingError.
    static ProgrammeDocument fromJson(const nlohmann::json& json);

    // The shared encoding (sorted keys, two-space indentation).
    QByteArray encoded() const;
    // Throws QuavelJSON::DecodingError for malformed JSON or a document missing a key.
    static ProgrammeDocument decode(const QByteArray& bytes);

    bool operator==(const ProgrammeDocument&) const = default;
};

} // namespace quavel
