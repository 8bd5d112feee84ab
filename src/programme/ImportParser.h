#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quavel {
class SheetRow;
}

// Workbooks to named worksheets of rows, and the header that says which columns hold the riders.
namespace quavel::ImportParser {

// A worksheet's name and its rows, each row a list of cell texts by 0-based column.
struct Sheet
{
    QString name;
    QList<QStringList> rows;
};

// Which columns hold the bib and the names.
struct IdentityColumns
{
    qsizetype number = 0;
    std::optional<qsizetype> last;
    std::optional<qsizetype> first;
    std::optional<qsizetype> full;

    bool operator==(const IdentityColumns&) const = default;
};

// The sheets of a workbook in workbook order; throws ZipError, also when a shared-string part is there
// but cannot be read, and when the parts it reads together declare more than
// ZipArchive::maximumWorkbookSize (refused before any of them is inflated).
QList<Sheet> excelSheets(const QByteArray& workbook);
// The same sheets handed over as they are read, for a reader that needs no sheet whole: `sheet` gets
// each sheet's name before `row` gets its rows one at a time, each row's cells decoded only when read
// (see SheetRow: the row is valid during the call).
void readSheets(const QByteArray& workbook, const std::function<void(const QString&)>& sheet,
    const std::function<void(const SheetRow&)>& row);

// The items of a shared-string part, numbered from 0. A part that is not UTF-8, or that lists more than
// ProgrammeLimits::maximumSharedStrings items, throws ZipError::invalidArchive.
QStringList parseSharedStrings(const QByteArray& part);
// The text runs of one shared-string item, decoded and concatenated.
QString extractTextNodes(QStringView item);

// The lower-cased, unaccented header key with blanks, "_", "-" and "." removed.
QString headerKey(QStringView cell);
// How many rows at the top of a sheet may hold its header.
constexpr qsizetype headerRows = 12;
// The column roles of the first of the first headerRows rows that names any role.
IdentityColumns identityColumns(const QList<QStringList>& rows);

} // namespace quavel::ImportParser
