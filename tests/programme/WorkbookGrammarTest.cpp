// A workbook file is read row by row into the sheet grammar, each cell decoded only when the grammar
// reads it; the rows of SheetXMLParser::parse go through the same grammar as decoded texts. Both must
// give the same programme, on generated sheets mixing rider rows, headers, headings, shared and inline
// strings, entities, gaps, repeated columns and the tags that hand rows over to the element scans.
#include "ZipWriter.h"

#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportParser.h"
#include "programme/SheetXMLParser.h"

#include "ProgrammeTestSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace quavel;

namespace {

const QStringList& sharedItems()
{
    static const QStringList items { "Dossard", "Nom", "Prénom", "Cavalier", "DUPONT Jean",
        "DE LA TOUR Marie Anne", "  MARTIN  ", "Samedi 13 juillet", "Epreuve 3 - Grand Prix (1,20 m)", "245",
        "N°", "" };
    return items;
}

QByteArray sharedStringsXml()
{
    QByteArray xml = "<sst>";
    for (const QString& item : sharedItems())
        xml += "<si><t xml:space=\"preserve\">" + item.toUtf8() + "</t></si>";
    return xml + "<si><r><t>LEFÈVRE</t></r><r><t> Zoé</t></r></si></sst>";
}

// A cell's type attribute and content as writers put them, with a few that only the scans read.
const QList<std::pair<QByteArray, QByteArray>>& cellForms()
{
    static const QList<std::pair<QByteArray, QByteArray>> forms { { "", "<v>12</v>" }, { "", "<v>1</v>" },
        { "", "<v> 007 </v>" }, { "", "<v>12a</v>" }, { "", "<v>\xd9\xa1\xd9\xa2</v>" },
        { " t=\"s\"", "<v>0</v>" }, { " t=\"s\"", "<v>1</v>" }, { " t=\"s\"", "<v>2</v>" },
        { " t=\"s\"", "<v>3</v>" }, { " t=\"s\"", "<v>4</v>" }, { " t=\"s\"", "<v>5</v>" },
        { " t=\"s\"", "<v>6</v>" }, { " t=\"s\"", "<v>7</v>" }, { " t=\"s\"", "<v>8</v>" },
        { " t=\"s\"", "<v>9</v>" }, { " t=\"s\"", "<v>10</v>" }, { " t=\"s\"", "<v>11</v>" },
        { " t=\"s\"", "<v>12</v>" }, { " t=\"s\"", "<v>99</v>" }, { " t=\"s\"", "<v>&#49;</v>" },
        { " t=\"inlineStr\"", "<is><t>ROUX Paul</t></is>" },
        { " t=\"inlineStr\"", "<is><t>Dimanche</t></is>" },
        { " t=\"inlineStr\"", "<is><t>BERNARD &amp; Fils</t></is>" },
        { " t=\"inlineStr\"", "<is><r><t>MOREAU</t></r><r><t> Luc</t></r></is>" },
        { " t=\"inlineStr\"", "<is><t>Epreuve pr&#233;paratoire</t></is>" },
        { " t=\"inlineStr\"", "<is><t>Cavalier</t></is>" }, { " t=\"str\"", "<f>A1</f><v>38</v>" },
        { "", "" }, { "", "<v></v>" }, { "", "<v/>" }, { "", "\xc2\xa0" }, { " t=\"inlineStr\"", "<is/>" },
        { " t=\"s\"", "<V>4</V>" } };
    return forms;
}

QByteArray generatedRows(std::mt19937& random)
{
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<qsizetype> form(0, cellForms().size() - 1);
    const int rowCount = 1 + percent(random) % 30;
    QByteArray xml;
    for (int r = 1; r <= rowCount; ++r) {
        xml += percent(random) < 80 ? "<row r=\"" + QByteArray::number(r) + "\">" : QByteArray("<row>");
        const int cells = percent(random) % 6;
        char column = 'A' - 1;
        for (int c = 0; c < cells; ++c) {
            // Mostly the next column; now and then a gap, or the same column again.
            const int step = percent(random);
            column = char(column + (step < 15 ? 2 : step < 20 ? 0 : 1));
            const QByteArray reference
                = percent(random) < 85 ? " r=\"" + QByteArray(1, column) + QByteArray::number(r) + "\"" : "";
            const auto& [type, content] = cellForms()[form(random)];
            const int shape = percent(random);
            if (shape < 6)
                xml += "<c" + reference + " s=\"1\"/>";
            else if (shape < 8)
                xml += "<x:c" + reference + type + ">" + content + "</x:c>"; // read by the scans
            else if (shape < 10)
                xml += "<c" + reference + type + ">" + content + "</C>";
            else
                xml += "<c" + reference + type + ">" + content + "</c>";
        }
        xml += percent(random) < 3 ? "</ROW>" : "</row>";
    }
    return xml;
}

} // namespace

TEST(WorkbookGrammar, aWorkbookFileReadsLikeItsParsedRows)
{
    std::mt19937 random(20240714);
    test::TempFolder folder;
    const QByteArray shared = sharedStringsXml();
    const QStringList sharedStrings = ImportParser::parseSharedStrings(shared);
    const QStringList names { "Samedi", "Feuil1", "Epreuve 1 " };
    qsizetype riders = 0;
    for (int i = 0; i < 300; ++i) {
        const QByteArray first = test::sheetXml(QString::fromUtf8(generatedRows(random)));
        const QByteArray second = test::sheetXml(QString::fromUtf8(generatedRows(random)));
        const QString firstName = names[i % 3];
        const QString secondName = names[(i / 3) % 3];
        const QString path = folder.write(QStringLiteral("w%1.xlsx").arg(i),
            test::workbook({ { "xl/workbook.xml", test::workbookXml({ firstName, secondName }) },
                { "xl/sharedStrings.xml", shared }, { "xl/worksheets/sheet1.xml", first },
                { "xl/worksheets/sheet2.xml", second } }));
        QList<ProgrammeDay> expected;
        ExcelProgrammeParser::merge(
            ExcelProgrammeParser::parseSheet(firstName, SheetXMLParser::parse(first, sharedStrings)),
            expected);
        ExcelProgrammeParser::merge(
            ExcelProgrammeParser::parseSheet(secondName, SheetXMLParser::parse(second, sharedStrings)),
            expected);
        ASSERT_EQ(ExcelProgrammeParser::parse(path).days, expected)
            << first.toStdString() << second.toStdString();
        for (const ProgrammeDay& day : expected)
            for (const ProgrammeEvent& event : day.events)
                riders += event.people.size();
    }
    EXPECT_GT(riders, 300); // the sheets hold riders, not only rows the grammar passes over
}
