#pragma once

#include "workspace/ProgrammeParser.h"

#include <QString>

#include <optional>

namespace quavel {

// The programme files one store keeps in its folder: the parsed "programme.json" and the copy of the
// imported source, "programme." + its lower-case extension (pdf, xlsx or xlsm). Shared by the
// workspace store and the rider-folders store, each with its own folder. GUI thread.
class ProgrammeStorage
{
public:
    // An empty parser means ProgrammeFileParser::parse.
    ProgrammeStorage(QString folder, ProgrammeParser parser);

    const QString& folder() const { return m_folder; }
    QString indexPath() const;

    // The first of "programme.pdf", "programme.xlsx", "programme.xlsm" that exists.
    std::optional<QString> existingCopy() const;
    // Deletes those three where present; failures ignored.
    void removeCopies() const;

    // Encodes and writes "programme.json" atomically; throws FileError, and then the file is unchanged.
    void writeIndex(const ProgrammeDocument& document) const;
    // "programme.json" decoded; absent when missing or undecodable.
    std::optional<ProgrammeDocument> readIndex() const;

    ProgrammeDocument parse(const QString& path) const;

    // Imports a picked programme file as one transaction: the file is copied beside the stored copy
    // under a temporary name (same lower-case extension, never a "programme.*" name), parsed, written
    // to "programme.json", and only then renamed to "programme.<ext>", the other stored copies being
    // removed last. Any failure removes the temporary copy and throws, leaving "programme.json" and the
    // stored copy as they were. The picked file may be the stored copy itself.
    ProgrammeDocument importFile(const QString& picked) const;

    // "programme." + the lower-case extension of the name, "pdf" when it has none.
    static QString copyNameFor(const QString& picked);

private:
    QString m_folder;
    ProgrammeParser m_parser;
};

} // namespace quavel
