#include "workspace/ProgrammeStorage.h"

#include "library/AppSupport.h"
#include "library/PhotoNumber.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"
#include "programme/ProgrammeFileParser.h"
#include "programme/ProgrammeLimits.h"
#include "workspace/OrganizerFiles.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QUuid>

#include <cerrno>
#include <unistd.h>

namespace quavel {

namespace {

const QString importPrefix = QStringLiteral(".programme-import-");

// The picked file copied into `folder` where no name shows it (UnnamedFile: unnamed, or under a
// hidden locked name that a sweep removes once its writer is gone). Throws FileError.
UnnamedFile unnamedCopy(const QString& picked, const QString& folder)
{
    const SafeCopy::Source source(picked);
    int error = source.error();
    UnnamedFile copy;
    if (error == 0)
        error = copy.open(folder);
    if (error == 0)
        error = SafeCopy::copyContent(source.fd(), copy.fd());
    if (error != 0)
        throw FileError(error, frenchDescription(error));
    return copy;
}

std::function<void()>& beforePublishHook()
{
    static std::function<void()> hook;
    return hook;
}

void removeIfPresent(const QString& path)
{
    if (OrganizerFiles::exists(path) && ::unlink(NativeName::encode(path).constData()) != 0)
        QDir(path).removeRecursively();
}

} // namespace

struct ProgrammeStorage::Shared
{
    // Guards the folder's programme files and the generation.
    QMutex mutex;
    quint64 generation = 0;
};

ProgrammeStorage::ProgrammeStorage(QString folder, ProgrammeParser parser)
    : m_folder(std::move(folder))
    , m_parser(parser ? std::move(parser) : ProgrammeParser([](const QString& path, const QString& name) {
        return ProgrammeFileParser::parse(path, name);
    }))
    , m_shared(std::make_shared<Shared>())
{ }

QString ProgrammeStorage::indexPath() const
{
    return m_folder + QStringLiteral("/programme.json");
}

std::optional<QString> ProgrammeStorage::existingCopy() const
{
    for (const QString& name : AppSupport::programmeFileNames()) {
        const QString candidate = m_folder + u'/' + name;
        if (OrganizerFiles::exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

quint64 ProgrammeStorage::generation() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->generation;
}

void ProgrammeStorage::removeCopies() const
{
    QMutexLocker lock(&m_shared->mutex);
    ++m_shared->generation;
    for (const QString& name : AppSupport::programmeFileNames())
        removeIfPresent(m_folder + u'/' + name);
}

void ProgrammeStorage::writeIndex(const ProgrammeDocument& document) const
{
    const QByteArray bytes = document.encoded();
    QMutexLocker lock(&m_shared->mutex);
    ++m_shared->generation;
    QDir().mkpath(m_folder);
    AtomicFile::write(indexPath(), bytes);
}

std::optional<ProgrammeDocument> ProgrammeStorage::readIndex() const
{
    const auto bytes = AtomicFile::read(indexPath());
    if (!bytes)
        return std::nullopt;
    try {
        ProgrammeDocument document = ProgrammeDocument::decode(*bytes);
        // Written before the readers had their cap: such a file is no programme either.
        if (ProgrammeLimits::riderCount(document) > ProgrammeLimits::maximumRiders)
            return std::nullopt;
        return document;
    } catch (const QuavelJSON::DecodingError&) {
        return std::nullopt;
    }
}

std::optional<ProgrammeDocument> ProgrammeStorage::reparse(quint64 token) const
{
    const auto copy = existingCopy();
    if (!copy)
        return std::nullopt;
    ProgrammeDocument document;
    QByteArray bytes;
    try {
        document = m_parser(*copy, OrganizerFiles::lastComponent(*copy));
        bytes = document.encoded();
    } catch (...) {
        return std::nullopt;
    }
    QMutexLocker lock(&m_shared->mutex);
    if (m_shared->generation != token)
        return std::nullopt;
    QDir().mkpath(m_folder);
    AtomicFile::tryWrite(indexPath(), bytes); // a failed write still shows the fresh reading
    return document;
}

ProgrammeDocument ProgrammeStorage::parse(const QString& path) const
{
    return m_parser(path, OrganizerFiles::lastComponent(path));
}

QString ProgrammeStorage::copyNameFor(const QString& picked)
{
    QString extension = pathExtension(OrganizerFiles::lastComponent(picked)).toLower();
    if (extension.isEmpty())
        extension = QStringLiteral("pdf");
    return QStringLiteral("programme.") + extension;
}

std::optional<ProgrammeDocument> ProgrammeStorage::importFile(const QString& picked, quint64 token) const
{
    QDir().mkpath(m_folder);
    const QString copyName = copyNameFor(picked);
    // Read before it has its name, the copy is read as what it becomes: its extension picks the reader.
    UnnamedFile copy = unnamedCopy(picked, m_folder);
    const ProgrammeDocument document = m_parser(copy.path(), copyName);
    const QByteArray bytes = document.encoded();

    QMutexLocker lock(&m_shared->mutex);
    if (m_shared->generation != token)
        return std::nullopt; // the copy goes with `copy`
    const std::optional<QByteArray> previousIndex = AtomicFile::read(indexPath());
    AtomicFile::write(indexPath(), bytes);
    if (const std::function<void()>& hook = beforePublishHook())
        hook();
    // Flushed with its folder: the index already names this copy.
    if (const int e = copy.replace(copyName, UnnamedFile::Sync::now)) {
        // Put the index back with the copy it belongs to.
        if (previousIndex)
            AtomicFile::tryWrite(indexPath(), *previousIndex);
        else
            ::unlink(NativeName::encode(indexPath()).constData());
        throw FileError(e, frenchDescription(e));
    }
    for (const QString& name : AppSupport::programmeFileNames())
        if (name != copyName)
            removeIfPresent(m_folder + u'/' + name);
    return document;
}

void ProgrammeStorage::setBeforePublishForTesting(std::function<void()> hook)
{
    beforePublishHook() = std::move(hook);
}

bool ProgrammeStorage::isImportTemporary(QStringView name)
{
    // The prefix, a lower-case UUID text (36 characters), a dot and an extension.
    constexpr qsizetype uuidLength = 36;
    if (!name.startsWith(importPrefix) || name.size() < importPrefix.size() + uuidLength + 2)
        return false;
    const QStringView rest = name.sliced(importPrefix.size());
    if (rest[uuidLength] != u'.' || QUuid::fromString(rest.first(uuidLength)).isNull())
        return false;
    return !rest.sliced(uuidLength + 1).contains(u'/');
}

void ProgrammeStorage::registerTemporaryFiles()
{
    for (const QString& folder : { AppSupport::folder(), AppSupport::riderFoldersFolder() })
        TemporarySweep::add({ folder, &ProgrammeStorage::isImportTemporary });
}

} // namespace quavel
