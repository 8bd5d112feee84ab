#pragma once

#include "orders/OrderFolder.h"
#include "orders/OrderMedia.h"
#include "orders/OrderSection.h"
#include "orders/OrderWatermark.h"

#include <QList>
#include <QString>

#include <optional>

// The texts of the orders screen that depend on its state: counts, summaries, the watermark in use and
// the empty states, with their French plurals.
namespace quavel::OrdersScreenText {

// "Aucun fichier sélectionné", "1 fichier sélectionné", "n fichiers sélectionnés".
QString selectionSummary(qsizetype selected);
// "0 fichier", "1 fichier", "2 fichiers": zero takes the singular.
QString fileCount(qsizetype files);
// The header's counts: "2 types · 14 fichiers · 3 fichiers sélectionnés", or "Aucun contenu exploitable"
// when the order has neither a type (a section other than "Fichiers") nor a file.
QString summaryLine(const QList<OrderSection>& sections, qsizetype files, qsizetype selected);

// The watermark chosen for drawing: the listed one of the selected id, else the first one; none for an
// empty list.
const OrderWatermark* chosenWatermark(
    const QList<OrderWatermark>& watermarks, const std::optional<QString>& selectedID);
// Its name in the order header, or "Ajoutez un filigrane dans la colonne de gauche".
QString headerWatermark(const QList<OrderWatermark>& watermarks, const std::optional<QString>& selectedID);
// Its name in the watermark picker, or "Aucun fichier filigrane".
QString pickerWatermark(const QList<OrderWatermark>& watermarks, const std::optional<QString>& selectedID);

// The order folders the list shows: those whose name contains the search text (trimmed; case and
// diacritics ignored), all of them for an empty text; in the store's order.
QList<OrderFolder> filteredFolders(const QList<OrderFolder>& folders, const QString& query);
// The text the folder list shows instead of folders, none when it lists folders.
std::optional<QString> folderListMessage(const std::optional<QString>& rootName,
    const QList<OrderFolder>& folders, const QList<OrderFolder>& filtered, const QString& query);

// What the detail column shows.
struct EmptyState
{
    QString title;
    QString subtitle;
};
EmptyState noRoot();
EmptyState noOrder();
// The text shown for an order folder without sections.
QString emptyOrder();
// The text shown for a section (or a list or grid) without files.
QString noMedia();

} // namespace quavel::OrdersScreenText
