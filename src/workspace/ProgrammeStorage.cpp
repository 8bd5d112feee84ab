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
#include "programme/ProgrammeFileParser.h"
#include "programme/ProgrammeLimits.h"
#include "workspace/OrganizerFiles.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quavel {

namespace {

const QString importPrefix = QStringLiteral(".programme-import-");

// The temporary copy of an import, held open and locked while it is read, so that no sweep takes it;
// removed when the import ends without renaming it.
class ImportCopy
{
public:
    explicit ImportCopy(QString path)
        : m_path(std::move(path))
        , m_native(NativeName::encode(m_path))
    { }
    ~ImportCopy()
    {
        if (!m_kept)
            ::unlink(m_native.constData());
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ImportCopy(const ImportCopy&) = delete;
    ImportCopy& operator=(const ImportCopy&) = delete;

    void lock()
    {
        m_fd = ::open(m_native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0 || !TemporarySweep::lockCreated(m_fd))
            throw FileError(ENOENT, frenchDescription(ENOENT));
    }
    const QString& path() const { return m_path; }
    const QByteArray& native() const { return m_native; }
    void keep() { m_kept = true; }

private:
    QString m_path;
    QByteArray m_native;
    int m_fd = -1;
    bool m_kept = false;
};

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
    , m_parser(parser ? std::move(parser) : ProgrammeParser(&ProgrammeFileParser::parse))
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
        document = m_parser(*copy);
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
    return m_parser(path);
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
    // The parser chooses its reader by the extension, so the temporary copy keeps it.
    const QString extension = copyName.mid(copyName.indexOf(u'.') + 1);
    ImportCopy temporary(m_folder + u'/' + importPrefix + QUuid::createUuid().toString(QUuid::WithoutBraces)
        + u'.' + extension);

    SafeCopy::copyFile(picked, temporary.path());
    temporary.lock();
    ProgrammeDocument document = m_parser(temporary.path());
    // Read under its temporary name, the copy is "programme.<ext>" once kept: the name every later
    // reading of it gives.
    if (document.sourceName == OrganizerFiles::lastComponent(temporary.path()))
        document.sourceName = copyName;
    const QByteArray bytes = document.encoded();

    QMutexLocker lock(&m_shared->mutex);
    if (m_shared->generation != token)
        return std::nullopt;
    const std::optional<QByteArray> previousIndex = AtomicFile::read(indexPath());
    AtomicFile::write(indexPath(), bytes);

    const QString target = m_folder + u'/' + copyName;
    if (::rename(temporary.native().constData(), NativeName::encode(target).constData()) != 0) {
        const int e = errno;
        // Put the index back with the copy it belongs to.
        if (previousIndex)
            AtomicFile::tryWrite(indexPath(), *previousIndex);
        else
            ::unlink(NativeName::encode(indexPath()).constData());
        throw FileError(e, frenchDescription(e));
    }
    temporary.keep();
    for (const QString& name : AppSupport::programmeFileNames())
        if (name != copyName)
            removeIfPresent(m_folder + u'/' + name);
    return document;
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
