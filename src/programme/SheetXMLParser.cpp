#include "programme/SheetXMLParser.h"

#include "programme/SheetCells.h"
#include "programme/SheetPass.h"
#include "programme/SheetRow.h"
#include "programme/XmlElementScanner.h"

#include <QByteArrayView>

namespace quavel::SheetXMLParser {

namespace {

// The cells of a row's content, by the element scan of the rule.
void parseRow(std::string_view inner, qint64& cellBudget, SheetRow& row)
{
    row.clear();
    XmlElementScanner scanner(inner, "c");
    qsizetype next = 0;
    while (const auto cell = scanner.next()) {
        const SheetCells::Attributes attributes = SheetCells::attributes(cell->attributes);
        if (cell->selfClosing) // holds nothing, but takes its column
            SheetCells::column(attributes, next);
        else
            SheetCells::place(row, attributes, cell->content, next);
    }
    SheetCells::complete(row, cellBudget);
}

} // namespace

void parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget,
    const std::function<void(const SheetRow&)>& row)
{
    if (!QByteArrayView(xml).isValidUtf8())
        return;
    const std::string_view text(xml.constData(), size_t(xml.size()));
    // One row holds each row in turn, its cells' storage kept from one row to the next.
    SheetRow cells(sharedStrings);
    SheetPass pass(text);
    while (pass.next(cells) == SheetPass::Outcome::Row) {
        SheetCells::complete(cells, cellBudget);
        row(cells);
    }
    const std::string_view rest = text.substr(size_t(pass.position() - text.data()));
    XmlElementScanner scanner(rest, "row");
    while (const auto element = scanner.next()) {
        parseRow(element->content, cellBudget, cells);
        row(cells);
    }
}

QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget)
{
    QList<QStringList> rows;
    parse(xml, sharedStrings, cellBudget, [&](const SheetRow& row) { rows.append(row.texts()); });
    return rows;
}

QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings)
{
    qint64 budget = maximumCells;
    return parse(xml, sharedStrings, budget);
}

qsizetype columnIndex(QStringView reference)
{
    qsizetype value = 0;
    for (QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u >= u'A' && u <= u'Z') {
            value = value * 26 + (u - u'A' + 1);
            if (value > lastColumn + 1)
                return 0;
        } else if (c.isLetter()) {
            return 0; // a letter outside A–Z: a malformed reference
        } else {
            break;
        }
    }
    return std::max<qsizetype>(value - 1, 0);
}

} // namespace quavel::SheetXMLParser
