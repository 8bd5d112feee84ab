#pragma once

#include <QList>
#include <QString>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// A saved page of a results site, shown in the programme browser's favourites.
struct ProgrammeFavorite
{
    QUuid id;
    QString title;
    // The page address as text, as it was when the entry was made; never validated.
    QString url;

    // The home pages of the built-in results sites, in their fixed order and with their fixed ids.
    static const QList<ProgrammeFavorite>& builtIn();

    // Keys "id" (upper-case UUID text), "title", "url".
    nlohmann::json toJson() const;
    // Every key required; throws QuavelJSON::DecodingError.
    static ProgrammeFavorite fromJson(const nlohmann::json& json);

    bool operator==(const ProgrammeFavorite&) const = default;
};

size_t qHash(const ProgrammeFavorite& favorite, size_t seed = 0);

// The key under which two favourite addresses are the same: trimmed, one trailing "/" dropped,
// lower-cased. Unlike the page-link key, percent-escapes and tabs count.
QString normalizedFavoriteURL(QStringView url);

} // namespace quavel
