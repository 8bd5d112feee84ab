#include "photo/PhotoEditError.h"

#include "platform/files/NativeName.h"

namespace quavel {

PhotoEditError::PhotoEditError(Kind kind)
    : Error(description(kind))
    , m_kind(kind)
{ }

PhotoEditError::PhotoEditError(Kind kind, const QString& photoName, const QString& detail)
    // A name that is not UTF-8 is shown as the listing shows it.
    : Error(description(kind, NativeName::displayed(photoName), detail))
    , m_kind(kind)
{ }

QString PhotoEditError::description(Kind kind, const QString& photoName, const QString& detail)
{
    switch (kind) {
    case Kind::unreadablePhoto:
        return QStringLiteral("Impossible de lire cette photo.");
    case Kind::unreadableWatermark:
        return QStringLiteral("Impossible de lire le fichier filigrane.");
    case Kind::composeFailed:
        return QStringLiteral("La composition de la photo a échoué.");
    case Kind::missingWatermark:
        return QStringLiteral("Choisissez d’abord un fichier filigrane.");
    case Kind::rawNotRewritten:
        return QStringLiteral("Les photos RAW ne sont pas modifiées : enregistrez d’abord la photo en JPEG.");
    case Kind::foreignOriginal:
        return QStringLiteral(
            "L’original de « %1 » n’est pas un fichier ordinaire : la photo n’est pas modifiée.")
            .arg(photoName);
    case Kind::foreignOriginalsFolder:
        return QStringLiteral("Le dossier des originaux de « %1 » n’est pas un dossier ordinaire : la photo "
                              "n’est pas modifiée.")
            .arg(photoName);
    case Kind::foreignJournal:
        return QStringLiteral(
            "Le journal des modifications de « %1 » n’est pas un fichier ordinaire : la photo "
            "n’est pas modifiée.")
            .arg(photoName);
    case Kind::nameTooLong:
        return QStringLiteral("Le nom de « %1 » est trop long pour garder son original et son journal : la "
                              "photo n’est pas modifiée.")
            .arg(photoName);
    case Kind::journalNotSaved:
        return QStringLiteral("Le journal des modifications de « %1 » n’a pas pu être enregistré : %2")
            .arg(photoName, detail);
    case Kind::journalNotSetAside:
        return QStringLiteral(
            "Le journal illisible de « %1 » n’a pas pu être mis de côté : la photo n’est pas "
            "modifiée.")
            .arg(photoName);
    }
    return {};
}

} // namespace quavel
