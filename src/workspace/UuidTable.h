#pragma once

#include "library/QuavelJSON.h"
#include "platform/UuidText.h"

#include <QMap>
#include <QUuid>

// The JSON form of the tables keyed by identifier: written as an object keyed by the upper-case UUID
// text; read in that form or as an array alternating key and value (the form other encoders use for
// maps whose keys are not texts). A key that is not a UUID, an odd array or a bad value throws.
namespace quavel::UuidTable {

template <typename Value> QuavelJSON::Json write(const QMap<QUuid, Value>& table)
{
    QuavelJSON::Json object = QuavelJSON::Json::object();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        object[uuidText(it.key()).toStdString()] = it.value().toJson();
    return object;
}

inline QUuid readKey(const std::string& text)
{
    const auto id = parseUuid(QString::fromStdString(text));
    if (!id)
        throw QuavelJSON::DecodingError(
            QStringLiteral("Identifiant invalide : %1").arg(QString::fromStdString(text)));
    return *id;
}

// Duplicate keys: the later value wins, as a decoder filling a dictionary does.
template <typename Value> QMap<QUuid, Value> read(const QuavelJSON::Json& json)
{
    QMap<QUuid, Value> table;
    if (json.is_object()) {
        for (auto it = json.begin(); it != json.end(); ++it)
            table.insert(readKey(it.key()), Value::fromJson(it.value()));
        return table;
    }
    const QuavelJSON::Json& array = QuavelJSON::asArray(json);
    if (array.size() % 2 != 0)
        throw QuavelJSON::DecodingError(QStringLiteral("Table incomplète : une clé sans valeur."));
    for (size_t i = 0; i < array.size(); i += 2) {
        if (!array[i].is_string())
            throw QuavelJSON::DecodingError(QStringLiteral("Identifiant attendu."));
        table.insert(readKey(array[i].get<std::string>()), Value::fromJson(array[i + 1]));
    }
    return table;
}

} // namespace quavel::UuidTable
