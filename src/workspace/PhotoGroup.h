#pragma once

#include "library/PhotoNumber.h"
#include "library/RowRecord.h"
#include "programme/ImportedPerson.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace quavel {

// One rider's share of a shoot: the row opening a range of photo numbers, the rider found for its
// bib, and the photo files whose numbers fall in [start, endExclusive).
struct PhotoGroup
{
    RowRecord row;
    std::optional<ImportedPerson> person;
    // First number of the range, inclusive.
    PhotoNumber start;
    // The next row's number, exclusive; absent for the last row (the range runs to the end).
    std::optional<PhotoNumber> endExclusive;
    // Absolute paths, in photo-number order.
    QStringList files;

    QUuid id() const { return row.id; }
    bool isMatched() const { return person.has_value(); }

    // The rider folder's name: the rider's sanitised name (or bib), else the row's canonical bib (or
    // its trimmed text), always through the rider-folder-name step, so it is one safe path component.
    QString folderName() const;
    // "0123 → avant 0150", or "0123 → fin du dossier" for the last row.
    QString rangeLabel() const;
    // The rider's display name, or the folder name and " (sans nom dans le programme)".
    QString label() const;

    bool operator==(const PhotoGroup&) const = default;
};

} // namespace quavel
