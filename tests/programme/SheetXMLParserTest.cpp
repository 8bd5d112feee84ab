#include "ZipWriter.h"

#include "programme/ImportParser.h"
#include "programme/SheetXMLParser.h"
#include "programme/ZipError.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;

namespace {

QList<QStringList> rows(const QString& rowsXml, const QStringList& shared = {})
{
    return SheetXMLParser::parse(test::sheetXml(rowsXml), shared);
}

} // namespace

TEST(SheetXMLParser, cellsLandInTheirColumns)
{
    EXPECT_EQ(rows(R"(<row r="1"><c r="B1"><v>2</v></c><c r="D1" t="str"><v>x</v></c></row>)"
                   R"(<row r="3"><c r="A3"><v>a</v></c></row><row r="4"></row>)"),
        QList<QStringList>({ { "", "2", "", "x" }, { "a" }, { "" } }));
}

TEST(SheetXMLParser, resolvesSharedAndInlineStrings)
{
    const QStringList shared = ImportParser::parseSharedStrings(
        R"(<sst><si><t>DUPONT</t></si><si><r><rPr><b/></rPr><t xml:space="preserve">Jean </t></r><r><t>DUPONT</t></r></si>)"
        R"(<si><t>A &amp;amp; B &lt;C&gt; &#39;q&#39; &apos;</t></si></sst>)");
    EXPECT_EQ(shared, QStringList({ "DUPONT", "Jean DUPONT", "A &amp; B <C> 'q' &apos;" }));
    EXPECT_EQ(
        rows(
            R"(<row><c r="A1" t="s"><v>1</v></c><c r="B1" t="s"><v>7</v></c><c r="C1" t="s"><v>-1</v></c>)"
            R"(<c r="D1" t="inlineStr"><is><t>Marie</t><t>-Anne</t></is></c><c r="E1" t="n"><v>12.5</v></c>)"
            R"(<c r="F1" t="s"><v>2</v></c><c r="G1"><f>A1</f><v>45123</v></c><c r="H1">  brut <b>gras</b></c></row>)",
            shared),
        QList<QStringList>({ { "Jean DUPONT", "7", "-1", "Marie-Anne", "12.5", "A &amp; B <C> 'q' &apos;",
            "45123", "  brut gras" } }));
}

// Self-closing elements never open a pair that would swallow what follows them.
TEST(SheetXMLParser, selfClosingElementsStandAlone)
{
    EXPECT_EQ(rows(R"(<row r="2"><c r="A2" s="1"/><c r="B2" s="3"/><c r="C2"><v>12</v></c></row>)"),
        QList<QStringList>({ { "", "", "12" } }));
    EXPECT_EQ(rows(R"(<row r="5"/><row r="6"><c r="B6"><v>x</v></c></row><row r="7" spans="1:2"/>)"),
        QList<QStringList>({ { "" }, { "", "x" }, { "" } }));
    EXPECT_EQ(
        rows(
            R"(<row><c r="A1"><v/></c><c r="B1" t="inlineStr"><is><t/></is></c><c r="C1"><v>z</v></c></row>)"),
        QList<QStringList>({ { "", "", "z" } }));
    const QStringList shared
        = ImportParser::parseSharedStrings(R"(<sst><si><t>zéro</t></si><si/><si><t/></si>)"
                                           R"(<si><t>trois</t></si></sst>)");
    EXPECT_EQ(shared, QStringList({ "zéro", "", "", "trois" }));
}

TEST(SheetXMLParser, unreadableXmlGivesNothing)
{
    EXPECT_TRUE(SheetXMLParser::parse("<row><c><v>\xc3\x28</v></c></row>", {}).isEmpty());
    EXPECT_TRUE(SheetXMLParser::parse("<row><c r=\"A1\"><v>1</v>", {}).isEmpty());
}

TEST(SheetXMLParser, columnIndexes)
{
    const QList<std::pair<QString, qsizetype>> cases { { "A1", 0 }, { "Z7", 25 }, { "AA3", 26 }, { "AB", 27 },
        { "a2", 0 }, { "xfd9", 16383 }, { "XFE1", 0 }, { "ZZZZZZZZZZZZZZZZ1", 0 }, { "12", 0 }, { "", 0 },
        { "ÉA1", 0 } };
    for (const auto& [reference, column] : cases)
        EXPECT_EQ(SheetXMLParser::columnIndex(reference), column) << reference.toStdString();
}

TEST(SheetXMLParser, aWorkbookThatExpandsPastTheCellBudgetIsRefused)
{
    QString xml;
    for (int i = 0; i < 10; ++i)
        xml += QStringLiteral("<row><c r=\"XFD%1\"><v>1</v></c></row>").arg(i + 1);
    qint64 budget = 100000;
    EXPECT_THROW(SheetXMLParser::parse(test::sheetXml(xml), {}, budget), ZipError);
    budget = 200000;
    EXPECT_EQ(SheetXMLParser::parse(test::sheetXml(xml), {}, budget).size(), 10);
}

struct HeaderCase
{
    QList<QStringList> rows;
    ImportParser::IdentityColumns expected;
};

class IdentityColumns : public testing::TestWithParam<HeaderCase>
{
};

TEST_P(IdentityColumns, findTheHeader)
{
    EXPECT_EQ(ImportParser::identityColumns(GetParam().rows), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Headers, IdentityColumns,
    testing::Values(
        HeaderCase { { { "Concours" }, { "" }, { "Dossard", "Nom", "Prénom" } }, { 0, 1, 2, {} } },
        HeaderCase { { { "N°", "Dossard", "Nom", "Prénom" } }, { 0, 2, 3, {} } },
        HeaderCase { { { "x", "Dossard", "Cavalier" } }, { 1, {}, {}, 2 } },
        HeaderCase {
            { { "Nom Prénom", "First name", "N° dossard", "Nom du cavalier", " BIB " } }, { 4, {}, 1, 0 } },
        HeaderCase { { { "Nom", "Prénom" } }, { 0, 0, 1, {} } },
        HeaderCase { { { "a" }, { "b" } }, { 0, {}, {}, {} } },
        HeaderCase { { { "Full_Name", "n.o", "#" } }, { 1, {}, {}, 0 } },
        HeaderCase { QList<QStringList>(12, { "titre" }) + QList<QStringList>({ { "Dossard", "Nom" } }),
            { 0, {}, {}, {} } }));
