#include "workspace/ProgrammeStorage.h"

#include "library/AppSupport.h"
#include "library/PhotoNumber.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/SafeCopy.h"
#include "programme/ProgrammeFileParser.h"
#include "workspace/OrganizerFiles.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace quavel {

ProgrammeStorage::ProgrammeStorage(QString folder, ProgrammeParser parser)
    : m_folder(std::move(folder))
    , m_parser(parser ? std::move(parser) : ProgrammeParser(&ProgrammeFileParser::parse))
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

void ProgrammeStorage::removeCopies() const
{
    for (const QString& name : AppSupport::programmeFileNames()) {
        const QString candidate = m_folder + u'/' + name;
        if (OrganizerFiles::exists(candidate) && ::unlink(QFile::encodeName(candidate).constData()) != 0)
            QDir(candidate).removeRecursively();
    }
}

void ProgrammeStorage::writeIndex(const ProgrammeDocument& document) const
{
    QDir().mkpath(m_folder);
    AtomicFile::write(indexPath(), document.encoded());
}

std::optional<ProgrammeDocument> ProgrammeStorage::readIndex() const
{
    const auto bytes = AtomicFile::read(indexPath());
    if (!bytes)
        return std::nullopt;
    try {
        return ProgrammeDocument::decode(*bytes);
    } catch (const QuavelJSON::DecodingError&) {
        return std::nullopt;
    }
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

ProgrammeDocument ProgrammeStorage::importFile(const QString& picked) const
{
    QDir().mkpath(m_folder);
    const QString copyName = copyNameFor(picked);
    // The parser chooses its reader by the extension, so the temporary copy keeps it.
    const QString extension = copyName.mid(copyName.indexOf(u'.') + 1);
    const QString temporary = m_folder + QStringLiteral("/.programme-import-")
        + QUuid::createUuid().toString(QUuid::WithoutBraces) + u'.' + extension;
    const QByteArray temporaryBytes = QFile::encodeName(temporary);

    SafeCopy::copyFile(picked, temporary);
    const std::optional<QByteArray> previousIndex = AtomicFile::read(indexPath());
    ProgrammeDocument document;
    try {
        document = m_parser(temporary);
        writeIndex(document);
    } catch (...) {
        ::unlink(temporaryBytes.constData());
        throw;
    }

    const QString target = m_folder + u'/' + copyName;
    if (::rename(temporaryBytes.constData(), QFile::encodeName(target).constData()) != 0) {
        const int e = errno;
        ::unlink(temporaryBytes.constData());
        // Put the index back with the copy it belongs to.
        if (previousIndex)
            AtomicFile::tryWrite(indexPath(), *previousIndex);
        else
            ::unlink(QFile::encodeName(indexPath()).constData());
        throw FileError(e, frenchDescription(e));
    }
    for (const QString& name : AppSupport::programmeFileNames()) {
        if (name == copyName)
            continue;
        const QString other = m_folder + u'/' + name;
        if (OrganizerFiles::exists(other) && ::unlink(QFile::encodeName(other).constData()) != 0)
            QDir(other).removeRecursively();
    }
    return document;
}

} // namespace quavel
