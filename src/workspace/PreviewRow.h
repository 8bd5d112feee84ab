#pragma once

#include <QString>
#include <QUuid>

namespace quavel {

// One line of the sorting preview: a spreadsheet row as typed, the rider shown for it and what the
// current plan would copy for it.
struct PreviewRow
{
    QUuid id;
    // The row's texts as stored.
    QString photo;
    QString assigned;
    // The names shown for the row's rider (a hand-typed name as typed, a programme name in capitals).
    QString lastName;
    QString firstName;
    // The "Photos" column: "12 fichiers · 3413 → avant 3480", "0 fichier", a remembered label or "—".
    QString photos;
    // A rider of the selected class was found for the row.
    bool fromCatalogue = false;
    // The row has a rider, typed by hand or from the programme.
    bool hasName = false;
    bool isBlank = false;
    // The canonical bib, or the photo key, occurs on more than one row.
    bool duplicateAssigned = false;
    bool duplicatePhoto = false;
    // An earlier run copied at least one file for the row.
    bool filesTransferred = false;

    bool operator==(const PreviewRow&) const = default;
};

} // namespace quavel
