#include "programme/ProgrammeFavorites.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"

#include <QFileInfo>
#include <QSet>

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
    const QString path = filePath();
    const std::optional<QByteArray> bytes = AtomicFile::read(path);
    std::optional<FavoritesFile> file;
    if (bytes) {
        try {
            file = decode(*bytes);
        } catch (const std::exception&) {
            // Undecodable: handled as a broken file below.
        }
    }

    if (!file) {
        const QList<ProgrammeFavorite>& builtIn = ProgrammeFavorite::builtIn();
        // A file that exists but does not read is the user's: move it aside before writing over its
        // name, and write nothing if it cannot be moved.
        const bool present = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
        if (!present || AtomicFile::setAside(path))
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
    QuavelJSON::Json list = QuavelJSON::Json::array();
    for (const ProgrammeFavorite& item : items)
        list.push_back(item.toJson());
    const QuavelJSON::Json json { { "items", std::move(list) }, { "seedVersion", seedVersion } };
    AtomicFile::tryWrite(filePath(), QuavelJSON::encode(json));
}

} // namespace quavel::ProgrammeFavorites
