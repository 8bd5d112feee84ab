#include "orders/OrdersScreenText.h"

#include "platform/text/Text.h"

namespace quavel::OrdersScreenText {

QString selectionSummary(qsizetype selected)
{
    if (selected == 0)
        return QStringLiteral("Aucun fichier sélectionné");
    if (selected == 1)
        return QStringLiteral("1 fichier sélectionné");
    return QString::number(selected) + QStringLiteral(" fichiers sélectionnés");
}

QString fileCount(qsizetype files)
{
    return QString::number(files) + (files >= 2 ? QStringLiteral(" fichiers") : QStringLiteral(" fichier"));
}

QString summaryLine(const QList<OrderSection>& sections, qsizetype files, qsizetype selected)
{
    qsizetype types = 0;
    for (const OrderSection& s : sections)
        if (s.name != u"Fichiers")
            ++types;
    if (types == 0 && files == 0)
        return QStringLiteral("Aucun contenu exploitable");
    QStringList parts;
    if (types > 0)
        parts.append(
            QString::number(types) + (types == 1 ? QStringLiteral(" type") : QStringLiteral(" types")));
    if (files > 0)
        parts.append(
            QString::number(files) + (files == 1 ? QStringLiteral(" fichier") : QStringLiteral(" fichiers")));
    if (selected > 0)
        parts.append(text::lowerFrench(selectionSummary(selected)));
    return parts.join(QStringLiteral(" · "));
}

const OrderWatermark* chosenWatermark(
    const QList<OrderWatermark>& watermarks, const std::optional<QString>& selectedID)
{
    if (watermarks.isEmpty())
        return nullptr;
    if (selectedID)
        for (const OrderWatermark& w : watermarks)
            if (w.id == *selectedID)
                return &w;
    return &watermarks.first();
}

QString headerWatermark(const QList<OrderWatermark>& watermarks, const std::optional<QString>& selectedID)
{
    const OrderWatermark* w = chosenWatermark(watermarks, selectedID);
    return w ? w->name : QStringLiteral("Ajoutez un filigrane dans la colonne de gauche");
}

QString pickerWatermark(const QList<OrderWatermark>& watermarks, const std::optional<QString>& selectedID)
{
    const OrderWatermark* w = chosenWatermark(watermarks, selectedID);
    return w ? w->name : QStringLiteral("Aucun fichier filigrane");
}

QList<OrderFolder> filteredFolders(const QList<OrderFolder>& folders, const QString& query)
{
    const QString needle = text::trimWhitespaceAndNewlines(query);
    if (needle.isEmpty())
        return folders;
    // Folded as the programme readers fold (French: diacritics removed, then lower-cased), both sides
    // composed first so that a decomposed name from the file system matches a composed search.
    const QString folded = text::folded(text::composed(needle));
    QList<OrderFolder> result;
    for (const OrderFolder& f : folders)
        if (text::folded(text::composed(f.name)).contains(folded))
            result.append(f);
    return result;
}

std::optional<QString> folderListMessage(const std::optional<QString>& rootName,
    const QList<OrderFolder>& folders, const QList<OrderFolder>& filtered, const QString& query)
{
    if (!rootName)
        return QStringLiteral("Choisissez d’abord le dossier d’où extraire les données.");
    if (folders.isEmpty())
        return QStringLiteral("Aucun dossier dans « ") + *rootName + QStringLiteral(" ».");
    if (filtered.isEmpty())
        return QStringLiteral("Aucune commande ne correspond à « ") + text::trimWhitespaceAndNewlines(query)
            + QStringLiteral(" ».");
    return std::nullopt;
}

EmptyState noRoot()
{
    return { QStringLiteral("Choisissez un dossier"),
        QStringLiteral(
            "Le bouton en haut de la colonne de gauche sert à indiquer le dossier d’où extraire les "
            "commandes.") };
}

EmptyState noOrder()
{
    return { QStringLiteral("Aucune commande"),
        QStringLiteral("Sélectionnez un dossier dans la colonne de gauche.") };
}

QString emptyOrder()
{
    return QStringLiteral(
        "Ce dossier ne contient pas de types (par exemple IMPRESSION A5) ni de photos ou vidéos.");
}

QString noMedia()
{
    return QStringLiteral("Aucune photo ni vidéo");
}

} // namespace quavel::OrdersScreenText
