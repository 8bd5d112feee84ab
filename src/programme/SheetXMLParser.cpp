#include "programme/SheetXMLParser.h"

#include "programme/ImportParserExtract.h"
#include "programme/ZipError.h"

#include "platform/text/Regex.h"
#include "platform/text/Text.h"

namespace quavel::SheetXMLParser {

namespace {

using namespace ImportParserExtract;

constexpr int elementOptions = Regex::CaseInsensitive | Regex::DotAll;

// The element patterns take a self-closing tag as a whole, so that <row/>, <c/> or <v/> never opens
// a pair that would swallow the next element (see ImportParserExtract::elementPattern).
const Regex& rowPattern()
{
    static const Regex r(elementPattern(u"row"), elementOptions);
    return r;
}

const Regex& cellPattern()
{
    static const Regex r(elementPattern(u"c"), elementOptions);
    return r;
}

const Regex& valuePattern()
{
    static const Regex r(elementPattern(u"v"), elementOptions);
    return r;
}

QString cellValue(const QString& type, QStringView inner, const QStringList& sharedStrings)
{
    // Content without any tag holds no <v>.
    const std::optional<RegexMatch> value
        = inner.contains(u'<') ? valuePattern().match(inner) : std::optional<RegexMatch>();
    if (type == u"s" && value) {
        const auto index = text::parseInt64(decodingXMLEntities(value->captured(2)));
        if (index && *index >= 0 && *index < sharedStrings.size())
            return sharedStrings[qsizetype(*index)];
    } else if (type == u"inlineStr") {
        return extractT(inner);
    }
    if (value)
        return decodingXMLEntities(value->captured(2));
    return extractT(inner);
}

QStringList parseRow(QStringView inner, const QStringList& sharedStrings, qint64& cellBudget)
{
    static const Regex reference = attributePattern(QStringLiteral("r"));
    static const Regex typeAttribute = attributePattern(QStringLiteral("t"));
    QList<std::pair<qsizetype, QString>> cells;
    qsizetype largest = 0;
    for (const RegexMatch& m : cellPattern().matchAll(inner)) {
        if (!m.matched(2))
            continue; // a self-closing cell holds nothing
        const QString attributes = m.captured(1);
        const qsizetype column
            = columnIndex(attributeValue(attributes, reference).value_or(QStringLiteral("A1")));
        const QString type = attributeValue(attributes, typeAttribute).value_or(QString());
        cells.append({ column, cellValue(type, m.captured(2), sharedStrings) });
        largest = std::max(largest, column);
    }
    cellBudget -= largest + 1;
    if (cellBudget < 0)
        throw ZipError::invalidArchive();
    QStringList row(largest + 1);
    for (auto& [column, value] : cells)
        row[column] = std::move(value);
    return row;
}

} // namespace

QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget)
{
    QList<QStringList> rows;
    const std::optional<QString> text = decodeUtf8(xml);
    if (!text)
        return rows;
    for (const RegexMatch& m : rowPattern().matchAll(*text))
        rows.append(parseRow(m.captured(2), sharedStrings, cellBudget));
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
