#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

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

// The sheets of a workbook in workbook order; throws ZipError.
QList<Sheet> excelSheets(const QByteArray& workbook);

// The items of a shared-string part, numbered from 0; none when there is no part or it is not UTF-8.
QStringList parseSharedStrings(const QByteArray& part);
// The text runs of one shared-string item, decoded and concatenated.
QString extractTextNodes(QStringView item);

// The lower-cased, unaccented header key with blanks, "_", "-" and "." removed.
QString headerKey(QStringView cell);
// The column roles of the first of the first 12 rows that names any role.
IdentityColumns identityColumns(const QList<QStringList>& rows);

} // namespace quavel::ImportParser
