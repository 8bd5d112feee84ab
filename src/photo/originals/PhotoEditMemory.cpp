#include "photo/originals/PhotoEditMemory.h"

#include "library/QuavelJSON.h"
#include "photo/originals/OriginalsFolder.h"
#include "photo/originals/PhotoFiles.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/AtomicFile.h"
#include "platform/FrenchErrors.h"
#include "platform/SetAside.h"
#include "platform/files/NativeName.h"
#include "platform/files/TemporarySweep.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>
#include <unistd.h>

namespace quavel::PhotoEditMemory {

namespace {

using Entry = OriginalsFolder::Entry;
using Kind = PhotoEditError::Kind;

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

// The bytes of the regular file standing as the journal; absent when there is none or it cannot be
// read. Throws PhotoEditError foreignJournal for anything else standing there.
std::optional<QByteArray> journalBytes(const OriginalsFolder& folder)
{
    try {
        const std::optional<RegularFile> file = folder.openFile(folder.journalName(), Kind::foreignJournal);
        return file ? file->readAll() : std::nullopt;
    } catch (const FileError&) {
        return std::nullopt;
    }
}

std::optional<PhotoEditJournal> readIn(const OriginalsFolder& folder)
{
    const std::optional<QByteArray> bytes = journalBytes(folder);
    return bytes ? decode(*bytes) : std::nullopt;
}

OriginalsFolder folderToWrite(const QString& photoPath)
{
    try {
        return OriginalsFolder::openForEdit(photoPath, true);
    } catch (const FileError& e) {
        throw PhotoEditError(Kind::journalNotSaved, QFileInfo(photoPath).fileName(), e.message());
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
    try {
        return readIn(OriginalsFolder::open(photoPath));
    } catch (const Error&) {
        return std::nullopt;
    }
}

PhotoEditJournal loadForEdit(const QString& photoPath)
{
    std::optional<OriginalsFolder> folder;
    try {
        folder.emplace(OriginalsFolder::open(photoPath));
    } catch (const FileError&) {
        return PhotoEditJournal {};
    }
    // A journal describes a look rendered from the original beside it. Without one (nothing, or the
    // empty file of a copy cut short) the photo has not been rendered from it: an undo was cut after it
    // put the photo back, or the crop editor's session has not written its look yet. Either way the
    // journal's look is not the photo's, and an edit never applies it.
    const Entry original = folder->entry(folder->originalName());
    if (original == Entry::none || original == Entry::emptyFile)
        return PhotoEditJournal {};
    return readIn(*folder).value_or(PhotoEditJournal {});
}

void setAsideUnreadable(const OriginalsFolder& folder)
{
    if (!folder.isOpen())
        return;
    const QByteArray name = folder.journalName();
    // A journal that is there but cannot be read or decoded keeps its history aside; when it cannot be
    // moved, it stays as it is and the caller writes nothing.
    SetAside journalFile(folder.fd(), NativeName::decode(name));
    const Entry entry = folder.entry(name);
    if (entry == Entry::file || entry == Entry::emptyFile) {
        const std::optional<QByteArray> existing = journalBytes(folder);
        if (!existing || !decode(*existing))
            journalFile.markUnreadable();
    }
    if (!journalFile.mayWrite())
        throw PhotoEditError(Kind::journalNotSetAside, folder.photoName());
}

void setAsideUnreadable(const QString& photoPath)
{
    const OriginalsFolder folder = OriginalsFolder::open(photoPath);
    folder.refuseForeign();
    setAsideUnreadable(folder);
}

void save(const PhotoEditJournal& journal, const QString& photoPath)
{
    const OriginalsFolder folder = folderToWrite(photoPath);
    folder.refuseForeign();
    const QByteArray name = folder.journalName();
    setAsideUnreadable(folder);
    // Temporaries left by killed writers (a living one holds its lock).
    TemporarySweep::sweepFolderAt(folder.fd(), &PhotoFiles::isOriginalsTemporary);
    QByteArray bytes;
    try {
        bytes = QuavelJSON::encode(journal.toJson());
    } catch (const std::exception&) {
        throw PhotoEditError(Kind::journalNotSaved, folder.photoName(), frenchDescription(EINVAL));
    }
    try {
        AtomicFile::writeAt(folder.fd(), NativeName::decode(name), bytes);
    } catch (const FileError& e) {
        throw PhotoEditError(Kind::journalNotSaved, folder.photoName(), e.message());
    }
}

void remove(const QString& photoPath)
{
    try {
        const OriginalsFolder folder = OriginalsFolder::open(photoPath);
        const QByteArray name = folder.journalName();
        // An unreadable journal is moved aside, never deleted.
        setAsideUnreadable(folder);
        if (folder.entry(name) == Entry::file)
            ::unlinkat(folder.fd(), name.constData(), 0);
    } catch (const Error&) {
        // Nothing to remove, or nothing that may be removed.
    }
}

void recordRetouch(const PhotoRetouchSettings& settings, const QString& photoPath)
{
    PhotoEditJournal journal = loadForEdit(photoPath);
    journal.recordRetouch(settings);
    save(journal, photoPath);
}

} // namespace quavel::PhotoEditMemory
