#include "programme/ProgrammeFavorites.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "platform/SettingsFile.h"

#include <QSet>

#include <optional>

namespace quavel::ProgrammeFavorites {

namespace {

struct FavoritesFile
{
    std::optional<qint64> seedVersion;
    QList<ProgrammeFavorite> items;
};

// Throws QuavelJSON::DecodingError: "items" is required, "seedVersion" optional.
FavoritesFile decode(const QByteArray& bytes)
{
    const QuavelJSON::Json json = QuavelJSON::parse(bytes);
    QuavelJSON::asObject(json);
    FavoritesFile file;
    file.seedVersion = QuavelJSON::readOptionalInt64(json, "seedVersion");
    for (const QuavelJSON::Json& item : QuavelJSON::readArray(json, "items"))
        file.items.append(ProgrammeFavorite::fromJson(item));
    return file;
}

// The file as it stands, when it reads and decodes; anything its decoding throws makes it unreadable.
// One that exists but does not is marked, so that `file`'s next write sets it aside.
std::optional<FavoritesFile> readFile(SettingsFile& file)
{
    std::optional<FavoritesFile> read;
    file.read([&read](const QByteArray& bytes) {
        try {
            read = decode(bytes);
        } catch (const std::exception&) {
            return false;
        }
        return true;
    });
    return read;
}

void write(SettingsFile& file, const QList<ProgrammeFavorite>& items)
{
    QuavelJSON::Json list = QuavelJSON::Json::array();
    for (const ProgrammeFavorite& item : items)
        list.push_back(item.toJson());
    const QuavelJSON::Json json { { "items", std::move(list) }, { "seedVersion", seedVersion } };
    file.write(QuavelJSON::encode(json));
}

// Built-ins whose address the list lacks go to its end, in built-in order.
QList<ProgrammeFavorite> withMissingBuiltIns(QList<ProgrammeFavorite> items)
{
    QSet<QString> keys;
    for (const ProgrammeFavorite& item : items)
        keys.insert(normalizedFavoriteURL(item.url));
    for (const ProgrammeFavorite& builtIn : ProgrammeFavorite::builtIn()) {
        const QString key = normalizedFavoriteURL(builtIn.url);
        if (keys.contains(key))
            continue;
        keys.insert(key);
        items.append(builtIn);
    }
    return items;
}

} // namespace

QString filePath()
{
    return AppSupport::folder() + QStringLiteral("/programme-favorites.json");
}

QList<ProgrammeFavorite> load()
{
    SettingsFile file(filePath());
    const std::optional<FavoritesFile> read = readFile(file);
    if (!read) {
        const QList<ProgrammeFavorite>& builtIn = ProgrammeFavorite::builtIn();
        write(file, builtIn);
        return builtIn;
    }

    if (read->seedVersion.value_or(0) >= seedVersion)
        return read->items;
    const QList<ProgrammeFavorite> items = withMissingBuiltIns(read->items);
    write(file, items);
    return items;
}

void save(const QList<ProgrammeFavorite>& items)
{
    // The list is held by its callers, not here: each save looks at the file it would replace. One that
    // exists but does not read is the user's, moved aside first and never written over while it cannot be.
    SettingsFile file(filePath());
    readFile(file);
    write(file, items);
}

} // namespace quavel::ProgrammeFavorites
