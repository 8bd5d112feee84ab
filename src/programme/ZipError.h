#pragma once

#include "platform/Error.h"

namespace quavel {

// A workbook that cannot be read; message() is the French text shown to the photographer.
class ZipError : public Error
{
public:
    enum class Kind { MissingEntry, InvalidArchive, UnsupportedCompression, DecompressionFailed };

    // "Feuille Excel introuvable." (the entry name is kept for callers, never shown).
    static ZipError missingEntry(const QString& name);
    // "Fichier Excel illisible."
    static ZipError invalidArchive();
    // "Compression Excel non prise en charge."
    static ZipError unsupportedCompression();
    // "Impossible de lire le fichier Excel."
    static ZipError decompressionFailed();

    Kind kind() const noexcept { return m_kind; }
    const QString& entryName() const noexcept { return m_entryName; }

private:
    ZipError(Kind kind, QString message, QString entryName = QString())
        : Error(std::move(message))
        , m_kind(kind)
        , m_entryName(std::move(entryName))
    { }

    Kind m_kind;
    QString m_entryName;
};

} // namespace quavel
