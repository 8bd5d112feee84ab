// The worksheet and shared-string readers scan bytes; the rules they implement are written as ICU
// patterns. This test keeps those patterns as the reference and compares both on many generated
// parts made of the pieces that make the rules subtle: self-closing tags, missing or misplaced
// closing tags, names in other cases or case-folded forms, namespace prefixes, white space after
// names, entities and character references, cells with and without references, tags in attribute
// values, text outside elements.
#include "programme/ImportParser.h"
#include "programme/ImportParserExtract.h"
#include "programme/SheetXMLParser.h"

#include "platform/text/Regex.h"
#include "platform/text/Text.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace quavel;

namespace {

constexpr int options = Regex::CaseInsensitive | Regex::DotAll;

// "<name[^>]*>(.*?)</name>" with its mends: a self-closing tag is taken whole, the name ends at white
// space, "/" or ">", and it may carry any namespace prefix.
Regex element(const QString& name)
{
    return Regex(QStringLiteral("<(?:[^\\s/<>:]+:)?%1(?=[\\s/>])([^>]*?)(?:/>|>(.*?)</(?:[^\\s/<>:]+:)?%1>)")
                     .arg(name),
        options);
}

std::optional<QString> attribute(QStringView attributes, const QString& name)
{
    const auto m
        = Regex(QStringLiteral("\\Q%1\\E=\"([^\"]*)\"").arg(name), Regex::CaseInsensitive).match(attributes);
    return m ? std::optional<QString>(m->captured(1)) : std::nullopt;
}

QString runs(QStringView xml)
{
    QString out;
    for (const RegexMatch& m : element(QStringLiteral("t")).matchAll(xml))
        out += ImportParserExtract::decodingXMLEntities(m.captured(2));
    return out;
}

QString inlineText(QStringView xml)
{
    if (element(QStringLiteral("t")).matchAll(xml).isEmpty())
        return ImportParserExtract::decodingXMLEntities(
            Regex(QStringLiteral("<[^>]+>")).replaceAll(xml, QString()));
    return runs(xml);
}

QStringList referenceSharedStrings(const QByteArray& part)
{
    QStringList items;
    if (const auto text = ImportParserExtract::decodeUtf8(part))
        for (const RegexMatch& m : element(QStringLiteral("si")).matchAll(*text))
            items.append(runs(m.captured(2)));
    return items;
}

QList<QStringList> referenceRows(const QByteArray& xml, const QStringList& shared)
{
    QList<QStringList> rows;
    const auto text = ImportParserExtract::decodeUtf8(xml);
    if (!text)
        return rows;
    for (const RegexMatch& row : element(QStringLiteral("row")).matchAll(*text)) {
        QList<std::pair<qsizetype, QString>> cells;
        qsizetype largest = 0;
        // A cell without a reference takes the column after the previous cell, self-closing or not.
        qsizetype next = 0;
        for (const RegexMatch& c : element(QStringLiteral("c")).matchAll(row.captured(2))) {
            const QString attributes = c.captured(1);
            const auto reference = attribute(attributes, QStringLiteral("r"));
            const qsizetype column = reference ? SheetXMLParser::columnIndex(*reference) : next;
            next = column + 1;
            if (!c.matched(2))
                continue;
            const QString inner = c.captured(2);
            const QString type = attribute(attributes, QStringLiteral("t")).value_or(QString());
            const auto v = element(QStringLiteral("v")).match(inner);
            QString value;
            bool done = false;
            if (type == u"s" && v) {
                const auto index = text::parseInt64(ImportParserExtract::decodingXMLEntities(v->captured(2)));
                if (index && *index >= 0 && *index < shared.size()) {
                    value = shared[qsizetype(*index)];
                    done = true;
                }
            } else if (type == u"inlineStr") {
                value = inlineText(inner);
                done = true;
            }
            if (!done)
                value = v ? ImportParserExtract::decodingXMLEntities(v->captured(2)) : inlineText(inner);
            cells.append({ column, value });
            largest = std::max(largest, column);
        }
        QStringList out(largest + 1);
        for (const auto& [column, value] : cells)
            out[column] = value;
        rows.append(out);
    }
    return rows;
}

// Pieces of worksheet and shared-string XML, valid and not.
const QList<QByteArray>& pieces()
{
    static const QList<QByteArray> all { "<row>", "<row r=\"1\">", "<row r=\"2\" spans=\"1:3\">", "</row>",
        "<ROW>", "</Row>", "<row/>", "<row r=\"9\"/>", "<rows>", "<row\xc2\xa0>", "<c r=\"A1\">",
        "<c r=\"B2\" t=\"s\">", "<c t=\"s\">", "<c r=\"C3\" t=\"inlineStr\">", "<c r=\"D4\"/>", "<c>", "</c>",
        "</C>", "<C R=\"E5\" T=\"s\">", "<cols>", "<col/>", "<c\xe3\x80\x80r=\"F1\">", "<c\xe2\x80\xa8>",
        "<c r=\"\xc3\x89"
        "1\">",
        "<c r=\"\xc4\xb1"
        "A1\">",
        "<c r=\"XFD2\">", "<c r=\"a3\" t=\"str\">", "<c at=\"s\" r=\"B1\">", "<c r=\"B1>", "<c r=\"<row>\">",
        "<v>", "</v>", "<v/>", "<V>", "</V >", "<v >", "<t>", "</t>", "<t/>", "<T>",
        "<t xml:space=\"preserve\">", "<is>", "</is>", "<si>", "</si>", "<si/>", "<SI>", "<\xc5\xbfi>",
        "</\xc5\xbfi>", "<r>", "<b/>", "<f>A1</f>", "0", "1", "2", "-1", "+1", "007", "12",
        "99999999999999999999", "x", "DUPONT", "\xc3\xa9", "&amp;", "&lt;", "&amp;lt;", "&#39;", "&apos;",
        "&am", "p;", " ", "\t", "\n", "\xc2\xa0", ">", "<", "/", "/>", "=\"", "\"", "<>", "<x y=\"1\"/>",
        "<c ", "<c r=\"", "<row ", " t=\"s\"", " r=\"B3\"", " T=\"inlineStr\"", "\xf0\x9f\x90\xb4",
        "<t>\xe2\x80\x99\xf0\x9f\x8f\x87</t>", "<x:row>", "</x:row>", "<x:c r=\"B1\" t=\"s\">", "<x:c>",
        "</x:c>", "<x:c/>", "<x:v>", "</x:v>", "<x:t>", "</x:t>", "<x:si>", "</x:si>", "<x:is>", "<row:row>",
        "</c:c>", "<a b:c>", "<:c>", "<x\xc2\xa0y:c>", "<c t=\"s\" s=\"1\"/>", "&#233;", "&#xE9;",
        "&#X1F40E;", "&#0;", "&#55357;", "&#1114112;", "&#99999999999999999999;", "&#;", "&#x;", "&amp;#233;",
        "&#38;lt;" };
    return all;
}

QByteArray generated(std::mt19937& random, int count)
{
    QByteArray out;
    std::uniform_int_distribution<qsizetype> pick(0, pieces().size() - 1);
    for (int i = 0; i < count; ++i)
        out += pieces()[pick(random)];
    return out;
}

} // namespace

TEST(WorkbookXmlRules, theScannersFindWhatThePatternsFind)
{
    // Parts where a row ends inside a cell tag or its content, near the end of the text or not.
    QList<QByteArray> parts { "<row><c </row>>", "<row><c r=\"</row>\"><v>1</v></c></row>",
        "<row><c r=\"A1\"><v>1</row></v></c></row>", "<row><c><v>1</v></c>", "<row><c r=\"B1\"/></row>",
        "<row><c r=\"C1\" t=\"s\"><v>1</v></c></ROW ><row/>", "<row><c t=\"s\" r=\"b1\">2</c></row>",
        "<row><c r=\"A1\">x</c><c r=\"A1\"><v>y</v></c><c r=\"</row>" };
    std::mt19937 random(20240713);
    for (int i = 0; i < 4000; ++i)
        parts.append(generated(random, 1 + i % 40));
    const QStringList shared { "z\xc3\xa9ro", "un", "deux" };
    for (const QByteArray& part : parts) {
        const QString text = QString::fromUtf8(part);
        ASSERT_EQ(SheetXMLParser::parse(part, shared), referenceRows(part, shared)) << part.toStdString();
        ASSERT_EQ(ImportParser::parseSharedStrings(part), referenceSharedStrings(part)) << part.toStdString();
        ASSERT_EQ(ImportParserExtract::extractT(QStringView(text)), inlineText(text)) << part.toStdString();
    }
}

// Rows as spreadsheet programs write them, which the reader takes by shortcuts of its own: cells of
// every type with a plain value, a plain inline string or other content, references of one and two
// letters in either case or none, values that run past 16 bytes, self-closing cells.
TEST(WorkbookXmlRules, writtenRowsReadAsThePatternsRead)
{
    const QList<QByteArray> types { "", " t=\"s\"", " t=\"inlineStr\"", " t=\"str\"", " t=\"n\"", " T=\"s\"",
        " s=\"3\" t=\"s\"", " t=\"s\" s=\"12\"", " xr=\"Z9\" t=\"s\"",
        " t=\"inlineStr\" xml:space=\"preserve\"" };
    const QList<QByteArray> contents { "<v>0</v>", "<v>2</v>", "<v>007</v>", "<v>-1</v>", "<v>3</v>",
        "<v>&#49;</v>", "<v>DUPONT &amp; Fils</v>", "<v></v>", "<is><t>Zo\xc3\xa9</t></is>",
        "<is><t>1</t></is>", "<is><t></t></is>", "<is><t>a &lt; b</t></is>",
        "<is><r><t>A</t></r><r><t>B</t></r></is>", "<f>B1</f><v>12</v>", "<v>1</v><is><t>x</t></is>",
        "<is><t>x</t></is><v>1</v>", "<V>1</V>", "<v>1</v>", "", "x", "<v>1</v >" };
    const QList<QByteArray> references { "A", "B", "Z", "AA", "AB", "a", "b", "XFD", "" };
    const QStringList shared { "z\xc3\xa9ro", "un", "deux" };
    std::mt19937 random(20240715);
    const auto pick = [&](const auto& list) {
        return list[std::uniform_int_distribution<qsizetype>(0, list.size() - 1)(random)];
    };
    for (int i = 0; i < 2000; ++i) {
        QByteArray part = "<sheetData>";
        for (int r = 1; r <= 3; ++r) {
            part += "<row r=\"" + QByteArray::number(r) + "\" spans=\"1:4\">";
            for (int c = 0; c < 4; ++c) {
                const QByteArray reference = pick(references);
                const QByteArray attribute = reference.isEmpty()
                    ? QByteArray()
                    : " r=\"" + reference + QByteArray::number(10000 * r + i) + "\"";
                if (random() % 8 == 0)
                    part += "<c" + attribute + " s=\"1\"/>";
                else
                    part += "<c" + attribute + pick(types) + ">" + pick(contents) + "</c>";
            }
            part += "</row>";
        }
        part += "</sheetData>";
        ASSERT_EQ(SheetXMLParser::parse(part, shared), referenceRows(part, shared)) << part.toStdString();
    }
}

// A cell tag ends at its first ">", even inside a quoted value: a value whose closing quote comes only
// after that ">" is no value, though a quote stands a few bytes further on.
TEST(WorkbookXmlRules, aValueUnclosedAtTheTagsEndIsNone)
{
    const QList<QByteArray> parts { "<row><c r=\"B1><c r=\"A1\"><v>2</v></c></row>",
        "<row><c xr=\"C1><c r=\"A1\"><v>2</v></c></row>",
        "<row><c r=\"A1\"/><c r=\"D1><c r=\"A1\" t=\"s\"><v>2</v></c></row>",
        "<row><c r=\"C1\" t=\"s><v>\"1</v></c></row>", "<row><c t=\"s\" r=\"E1>\"<v>1</v></c></row>",
        "<row><c r=\"C1 t=\"s\"><v>1</v></c></row>" };
    const QStringList shared { "z\xc3\xa9ro", "un", "deux" };
    for (const QByteArray& part : parts)
        EXPECT_EQ(SheetXMLParser::parse(part, shared), referenceRows(part, shared)) << part.toStdString();
}
