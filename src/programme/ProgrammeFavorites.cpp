#include "programme/ProgrammeFavorites.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"
#include "platform/SetAside.h"

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

// The file as it stands, when it reads and decodes.
std::optional<FavoritesFile> readFile(const QString& path)
{
    const std::optional<QByteArray> bytes = AtomicFile::read(path);
    if (!bytes)
        return std::nullopt;
    try {
        return decode(*bytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
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
    const std::optional<FavoritesFile> file = readFile(filePath());
    if (!file) {
        const QList<ProgrammeFavorite>& builtIn = ProgrammeFavorite::builtIn();
        save(builtIn);
        return builtIn;
    }

    if (file->seedVersion.value_or(0) >= seedVersion)
        return file->items;
    const QList<ProgrammeFavorite> items = withMissingBuiltIns(file->items);
    save(items);
    return items;
}

void save(const QList<ProgrammeFavorite>& items)
{
    // The list is held by its callers, not here: each save looks at the file it would replace. One that
    // exists but does not read is the user's, moved aside first and never written over while it cannot be.
    const QString path = filePath();
    SetAside file(path);
    if (!readFile(path))
        file.markUnreadable();
    if (!file.mayWrite())
        return;
    QuavelJSON::Json list = QuavelJSON::Json::array();
    for (const ProgrammeFavorite& item : items)
        list.push_back(item.toJson());
    const QuavelJSON::Json json { { "items", std::move(list) }, { "seedVersion", seedVersion } };
    AtomicFile::tryWrite(path, QuavelJSON::encode(json));
}

} // namespace quavel::ProgrammeFavorites
