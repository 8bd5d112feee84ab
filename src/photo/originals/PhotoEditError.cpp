#include "photo/originals/PhotoEditError.h"

#include "platform/files/NativeName.h"
#include "platform/imaging/PixelBudget.h"

#include <QLocale>

namespace quavel {

namespace {

// Megapixels with one decimal at most ("400", "101,7"), rounded up for a photo and down for the limit,
// so that a photo over the limit never reads as equal to it.
QString megapixels(qint64 pixels, bool roundUp)
{
    const qint64 tenths = roundUp ? (pixels + 99'999) / 100'000 : pixels / 100'000;
    QString text = QLocale(QLocale::French, QLocale::France).toString(tenths / 10);
    if (tenths % 10 != 0)
        text += u',' + QString::number(tenths % 10);
    return text;
}

} // namespace

PhotoEditError::PhotoEditError(Kind kind)
    : PhotoEditError(kind, QString(), qint64(0))
{ }

PhotoEditError::PhotoEditError(Kind kind, const QString& fileName, qint64 pixels, qint64 limit)
    : Error(description(kind, NativeName::displayed(fileName), pixels, {}, limit))
    , m_kind(kind)
    , m_fileName(fileName)
    , m_pixels(pixels)
    , m_limit(limit)
{ }

PhotoEditError::PhotoEditError(Kind kind, const QString& fileName, const QString& detail)
    : Error(description(kind, NativeName::displayed(fileName), 0, detail))
    , m_kind(kind)
    , m_fileName(fileName)
{ }

PhotoEditError PhotoEditError::naming(const QString& photoFileName) const
{
    if (!m_fileName.isEmpty() || (m_kind != Kind::tooLarge && m_kind != Kind::outOfMemory))
        return *this;
    return PhotoEditError(m_kind, photoFileName, m_pixels, m_limit);
}

QString PhotoEditError::description(
    Kind kind, const QString& fileName, qint64 pixels, const QString& detail, qint64 limitPixels)
{
    const QString limit = megapixels(limitPixels > 0 ? limitPixels : PixelBudget::kMaxPixels, false);
    switch (kind) {
    case Kind::unreadablePhoto:
        return QStringLiteral("Impossible de lire cette photo.");
    case Kind::unreadableWatermark:
        return fileName.isEmpty()
            ? QStringLiteral("Impossible de lire le fichier filigrane.")
            : QStringLiteral("Impossible de lire le fichier filigrane « %1 ».").arg(fileName);
    case Kind::composeFailed:
        return QStringLiteral("La composition de la photo a échoué.");
    case Kind::missingWatermark:
        return QStringLiteral("Choisissez d’abord un fichier filigrane.");
    case Kind::rawNotRewritten:
        // No colon of its own: the orders' message line puts the photo's name and one before it.
        return QStringLiteral("Photo RAW non modifiée, enregistrez-la d’abord en JPEG.");
    case Kind::foreignOriginal:
        return QStringLiteral(
            "L’original de « %1 » n’est pas un fichier ordinaire : la photo n’est pas modifiée.")
            .arg(fileName);
    case Kind::foreignOriginalsFolder:
        return QStringLiteral("Le dossier des originaux de « %1 » n’est pas un dossier ordinaire : la photo "
                              "n’est pas modifiée.")
            .arg(fileName);
    case Kind::foreignJournal:
        return QStringLiteral(
            "Le journal des modifications de « %1 » n’est pas un fichier ordinaire : la photo "
            "n’est pas modifiée.")
            .arg(fileName);
    case Kind::nameTooLong:
        return QStringLiteral("Le nom de « %1 » est trop long pour garder son original et son journal : la "
                              "photo n’est pas modifiée.")
            .arg(fileName);
    case Kind::journalNotSaved:
        return QStringLiteral("Le journal des modifications de « %1 » n’a pas pu être enregistré : %2")
            .arg(fileName, detail);
    case Kind::journalNotSetAside:
        return QStringLiteral(
            "Le journal illisible de « %1 » n’a pas pu être mis de côté : la photo n’est pas "
            "modifiée.")
            .arg(fileName);
    case Kind::tooLarge:
        return (fileName.isEmpty() ? QStringLiteral("Cette photo est trop grande pour être modifiée : ")
                                   : QStringLiteral("La photo « %1 » est trop grande pour être modifiée : ")
                                         .arg(fileName))
            + QStringLiteral("%1 mégapixels, au plus %2.").arg(megapixels(pixels, true), limit);
    case Kind::watermarkTooLarge:
        return QStringLiteral("Le fichier filigrane « %1 » est trop grand : %2 mégapixels, au plus %3.")
            .arg(fileName, megapixels(pixels, true), limit);
    case Kind::outOfMemory:
        return fileName.isEmpty()
            ? QStringLiteral("La mémoire a manqué pour modifier cette photo.")
            : QStringLiteral("La mémoire a manqué pour modifier la photo « %1 ».").arg(fileName);
    }
    return {};
}

} // namespace quavel
