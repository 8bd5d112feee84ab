#include "photo/PhotoEditMemory.h"

#include "library/QuavelJSON.h"
#include "photo/PhotoOriginals.h"
#include "platform/AtomicFile.h"
#include "platform/files/NativeName.h"
#include "platform/files/TemporarySweep.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::PhotoEditMemory {

namespace {

std::optional<PhotoEditJournal> decode(const QByteArray& bytes)
{
    try {
        return PhotoEditJournal::fromJson(QuavelJSON::parse(bytes));
    } catch (const QuavelJSON::DecodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

QString journalURL(const QString& photoPath)
{
    return PhotoOriginals::backupURL(photoPath) + QStringLiteral(".edits.json");
}

PhotoEditJournal load(const QString& photoPath)
{
    return read(photoPath).value_or(PhotoEditJournal {});
}

std::optional<PhotoEditJournal> read(const QString& photoPath)
{
    const std::optional<QByteArray> bytes = AtomicFile::read(journalURL(photoPath));
    if (!bytes)
        return std::nullopt;
    return decode(*bytes);
}

void save(const PhotoEditJournal& journal, const QString& photoPath)
{
    const QString path = journalURL(photoPath);
    const QByteArray folder = NativeName::encode(QFileInfo(path).absolutePath());
    if (::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST)
        return;
    // Temporaries of this journal left by a killed writer (a living one holds its lock).
    const QString name = QFileInfo(path).fileName() + QStringLiteral(".tmp-");
    TemporarySweep::sweepFolder(NativeName::decode(folder), [&name](QStringView entry) {
        return entry.startsWith(name) && TemporarySweep::isAtomicFileTemporary(entry);
    });
    // A journal that is there but cannot be read or decoded keeps its history aside.
    struct stat st
    {
    };
    if (::stat(NativeName::encode(path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        const std::optional<QByteArray> existing = AtomicFile::read(path);
        if (!existing || !decode(*existing))
            AtomicFile::setAside(path);
    }
    try {
        AtomicFile::tryWrite(path, QuavelJSON::encode(journal.toJson()));
    } catch (...) {
        // Encoding failures are ignored like write failures: the journal is then stale or absent.
    }
}

void remove(const QString& photoPath)
{
    ::unlink(NativeName::encode(journalURL(photoPath)).constData());
}

void recordRetouch(const PhotoRetouchSettings& settings, const QString& photoPath)
{
    PhotoEditJournal journal = load(photoPath);
    if (!(journal.current.retouch == settings)) {
        journal.pushHistory(journal.current);
        journal.current.retouch = settings;
    }
    save(journal, photoPath);
}

} // namespace quavel::PhotoEditMemory
