#include "programme/ProgrammeFavorite.h"

#include "programme/ResultsSite.h"

#include "library/QuavelJSON.h"
#include "platform/text/Text.h"

#include <QHash>

namespace quavel {

const QList<ProgrammeFavorite>& ProgrammeFavorite::builtIn()
{
    static const QList<ProgrammeFavorite> favorites = [] {
        QList<ProgrammeFavorite> out;
        for (const ResultsSite& site : ResultsSite::builtIn())
            out.append(ProgrammeFavorite { site.favoriteID, site.brandName, site.homeURL() });
        return out;
    }();
    return favorites;
}

nlohmann::json ProgrammeFavorite::toJson() const
{
    return nlohmann::json {
        { "id", QuavelJSON::fromUuid(id) },
        { "title", QuavelJSON::fromString(title) },
        { "url", QuavelJSON::fromString(url) },
    };
}

ProgrammeFavorite ProgrammeFavorite::fromJson(const nlohmann::json& json)
{
    QuavelJSON::asObject(json);
    return ProgrammeFavorite {
        QuavelJSON::readUuid(json, "id"),
        QuavelJSON::readString(json, "title"),
        QuavelJSON::readString(json, "url"),
    };
}

size_t qHash(const ProgrammeFavorite& favorite, size_t seed)
{
    return qHashMulti(seed, favorite.id, favorite.title, favorite.url);
}

QString normalizedFavoriteURL(QStringView url)
{
    QString key = text::trimWhitespaceAndNewlines(url);
    if (key.endsWith(u'/'))
        key.chop(1);
    return text::lower(key);
}

} // namespace quavel
