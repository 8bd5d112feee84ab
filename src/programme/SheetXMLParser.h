#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

namespace quavel {
class SheetRow;
}

// The rows of one worksheet part: the <row> and <c> elements as the element rule finds them (see
// XmlElementScanner), read from the part's UTF-8 bytes.
namespace quavel::SheetXMLParser {

// The most cells (empty ones included) a workbook may expand to: far beyond any programme, and a
// bound on the memory a hostile file can make the reader allocate.
constexpr qint64 maximumCells = 8'000'000;

// One list of cell texts per <row> element, in document order, each cell at its column (shared
// strings resolved, inline strings and cached values as written). XML that is not UTF-8 gives no row.
// `cellBudget` is decreased by the cells made; running past it throws ZipError::invalidArchive.
QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget);
QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings);
// The same rows handed to `row` one at a time, as they are read, their cells decoded only when read
// (see SheetRow): the row passed points into `xml` and is reused for the next row.
void parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget,
    const std::function<void(const SheetRow&)>& row);

// Excel's last column, XFD.
constexpr qsizetype lastColumn = 16383;

// 0-based column of a cell reference: "A1" 0, "Z7" 25, "AA3" 26. A reference without leading letters,
// with letters outside A–Z, or past the last column reads as column 0.
qsizetype columnIndex(QStringView reference);

} // namespace quavel::SheetXMLParser
