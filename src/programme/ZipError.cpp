#include "programme/ZipError.h"

namespace quavel {

ZipError ZipError::missingEntry(const QString& name)
{
    return ZipError(Kind::MissingEntry, QStringLiteral("Feuille Excel introuvable."), name);
}

ZipError ZipError::invalidArchive()
{
    return ZipError(Kind::InvalidArchive, QStringLiteral("Fichier Excel illisible."));
}

ZipError ZipError::unsupportedCompression()
{
    return ZipError(Kind::UnsupportedCompression, QStringLiteral("Compression Excel non prise en charge."));
}

ZipError ZipError::decompressionFailed()
{
    return ZipError(Kind::DecompressionFailed, QStringLiteral("Impossible de lire le fichier Excel."));
}

} // namespace quavel
