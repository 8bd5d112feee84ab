#include "photo/PhotoEditError.h"

namespace quavel {

PhotoEditError::PhotoEditError(Kind kind)
    : Error(description(kind))
    , m_kind(kind)
{ }

QString PhotoEditError::description(Kind kind)
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
    }
    return {};
}

} // namespace quavel
