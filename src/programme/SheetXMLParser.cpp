#include "programme/SheetXMLParser.h"

#include "programme/ImportParserExtract.h"
#include "programme/XmlElementScanner.h"
#include "programme/ZipError.h"

#include "platform/text/Text.h"

#include <QByteArrayView>

namespace quavel::SheetXMLParser {

namespace {

using namespace ImportParserExtract;

// A shared-string index as the rule reads it: the entity-decoded <v> text as a whole decimal integer.
// Plain ASCII is widened in place instead of going through a QString.
std::optional<qint64> sharedIndex(std::string_view value)
{
    char16_t wide[32];
    if (value.size() > std::size(wide) || value.find('&') != std::string_view::npos)
        return text::parseInt64(decodedText(value));
    for (size_t i = 0; i < value.size(); ++i)
        wide[i] = char16_t(static_cast<unsigned char>(value[i]));
    // Bytes of multi-byte characters become code units that are no digit, as their characters are not.
    return text::parseInt64(QStringView(wide, qsizetype(value.size())));
}

qsizetype columnOf(std::optional<std::string_view> reference)
{
    if (!reference)
        return 0; // "A1"
    qsizetype value = 0;
    for (const char c : *reference) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) // not ASCII: the general rule decides (some letters upper-case into A–Z)
            return columnIndex(QString::fromUtf8(reference->data(), qsizetype(reference->size())));
        const char upper = char(u & ~0x20);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')) {
            value = value * 26 + (upper - 'A' + 1);
            if (value > lastColumn + 1)
                return 0;
        } else {
            break;
        }
    }
    return std::max<qsizetype>(value - 1, 0);
}

QString cellValue(std::string_view type, std::string_view inner, const QStringList& sharedStrings)
{
    // Content without any tag holds no <v>.
    std::optional<XmlElementScanner::Element> value;
    if (inner.find('<') != std::string_view::npos)
        value = XmlElementScanner(inner, "v").next();
    if (type == "s" && value) {
        const auto index = sharedIndex(value->content);
        if (index && *index >= 0 && *index < sharedStrings.size())
            return sharedStrings[qsizetype(*index)];
    } else if (type == "inlineStr") {
        return extractT(inner);
    }
    if (value)
        return decodedText(value->content);
    return extractT(inner);
}

QStringList parseRow(
    std::string_view inner, const QStringList& sharedStrings, qint64& cellBudget, qsizetype expected)
{
    // Laid out as the cells come: each at its column, the gaps empty, a later cell at the same column
    // replacing the earlier one; a row without cells is one empty text.
    QStringList row;
    row.reserve(expected);
    XmlElementScanner scanner(inner, "c");
    while (const auto cell = scanner.next()) {
        if (cell->selfClosing)
            continue; // a self-closing cell holds nothing
        const qsizetype column = columnOf(attributeValue(cell->attributes, "r"));
        const std::string_view type = attributeValue(cell->attributes, "t").value_or(std::string_view());
        QString value = cellValue(type, cell->content, sharedStrings);
        if (column < row.size()) {
            row[column] = std::move(value);
        } else {
            row.resize(column);
            row.append(std::move(value));
        }
    }
    if (row.isEmpty())
        row.append(QString());
    cellBudget -= row.size();
    if (cellBudget < 0)
        throw ZipError::invalidArchive();
    return row;
}

} // namespace

QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget)
{
    QList<QStringList> rows;
    if (!QByteArrayView(xml).isValidUtf8())
        return rows;
    XmlElementScanner scanner(std::string_view(xml.constData(), size_t(xml.size())), "row");
    // Rows of a sheet mostly have the same width: each starts with room for the previous one's.
    qsizetype width = 1;
    while (const auto row = scanner.next()) {
        rows.append(parseRow(row->content, sharedStrings, cellBudget, width));
        width = rows.constLast().size();
    }
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
