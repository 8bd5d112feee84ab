#pragma once

#include "programme/ImportedPerson.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {
class SheetRow;
}

// How programmes write riders' names, and the row reader every parser shares. Words are cut at any
// white space (blanks, tabs, line ends, no-break spaces); words are compared by their key: diacritics
// folded under fr_FR, then lower-cased.
namespace quavel::PersonName {

// A name cut into its given part and its family part.
struct Split
{
    QString first;
    QString last;

    bool operator==(const Split&) const = default;
};

// Words that open a compound family name ("de", "la", "van", "mac"…), as keys.
const QStringList& familyParticles();
// Second halves of compound given names ("pierre", "marie"…), as keys.
const QSet<QString>& compoundGivenSeconds();
// Two-word given names that close a start-list name ("jean marc"…), as keys.
const QSet<QString>& listingCompoundGivens();

QStringList words(QStringView text);
QString key(QStringView word);
// A word written in capitals with at least two letters ("DUPONT", "LEFÈVRE"; not "D", not "Dupont").
bool isFamilyToken(QStringView word);

// "DE LA TOUR Marie Anne" → (Marie Anne, DE LA TOUR): particles then one word are the family part.
Split splitFamilyAndGiven(QStringView text);
// "DUPONT Jean Marc" → (Jean Marc, DUPONT): the given name closes the name.
Split splitListingRider(QStringView text);
// "Marie Anne DE LA TOUR" → (Marie Anne, DE LA TOUR): the family name is the part in capitals.
Split splitWebsiteRider(QStringView text);

// Cells of a text line: at tabs (empty cells kept), else at runs of two or more white-space
// characters (empty cells dropped, at least three cells or none).
std::optional<QStringList> columnCells(QStringView line);

// The cell trimmed of white space and line ends; empty when the column is absent, negative or past
// the end of the row.
QString cell(const QStringList& row, std::optional<qsizetype> column);

// Reads one rider from a row of cells: the bib in the number column (or the next column when both
// hold numbers: start order then bib), the names from the name columns, or from the cells after the
// bib when no name column is known.
std::optional<ImportedPerson> person(const QStringList& row, qsizetype numberIndex,
    std::optional<qsizetype> lastIndex, std::optional<qsizetype> firstIndex,
    std::optional<qsizetype> fullIndex, qint64 sourceLine);
// The same of a worksheet row, reading only the cells the rule looks at.
std::optional<ImportedPerson> person(const SheetRow& row, qsizetype numberIndex,
    std::optional<qsizetype> lastIndex, std::optional<qsizetype> firstIndex,
    std::optional<qsizetype> fullIndex, qint64 sourceLine);

} // namespace quavel::PersonName
