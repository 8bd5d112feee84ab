// Workbooks as other software writes them, zipped by Info-ZIP's zip rather than the tests' own writer:
// a Python writer's ASCII-only parts with character references, a .NET writer's "x:"-prefixed
// SpreadsheetML, and a writer that leaves out the cell references.
#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportParser.h"
#include "programme/ImportParserExtract.h"
#include "programme/SheetXMLParser.h"
#include "programme/ZipArchive.h"

#include "ProgrammeTestSupport.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quavel;

namespace {

// Every character outside ASCII as a decimal reference, as a writer that serialises to ASCII does.
QByteArray asciiReferences(const QString& xml)
{
    QByteArray out;
    for (const char32_t c : xml.toUcs4()) {
        if (c < 0x80)
            out.append(char(c));
        else
            out.append("&#" + QByteArray::number(uint(c)) + ';');
    }
    return out;
}

// Writes the parts into a folder tree and zips it with the zip program, as an .xlsx made elsewhere.
QString zipped(
    const test::TempFolder& folder, const QString& name, const QList<std::pair<QString, QByteArray>>& parts)
{
    const QString tree = folder.file(name + u8(".parts"));
    for (const auto& [part, bytes] : parts)
        folder.write(name + u8(".parts/") + part, bytes);
    QProcess zip;
    zip.setWorkingDirectory(tree);
    zip.start(u8("zip"), { u8("-q"), u8("-r"), u8("-9"), folder.file(name), u8(".") });
    if (!zip.waitForFinished(20000) || zip.exitStatus() != QProcess::NormalExit || zip.exitCode() != 0)
        return QString();
    return folder.file(name);
}

const char* const contentTypes = R"(<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>)";

const char* const packageRelationships = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";

} // namespace

// The parts are ASCII: "é" is "&#233;" in the header, the names, the class title and the sheet name.
TEST(WorkbookWriters, aPythonWritersCharacterReferencesAreTheirLetters)
{
    const QString strings[] = { u8("Dossard"), u8("Nom"), u8("Prénom"), u8("Épreuve 3 – Préparatoire"),
        u8("DUPONT"), u8("Jean"), u8("LEFÈVRE"), u8("Élodie"), u8("MÜLLER"), u8("Zoé") };
    QString shared
        = u8("<?xml version='1.0' encoding='ascii'?>\n<sst "
             "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" uniqueCount=\"10\">");
    for (const QString& s : strings)
        shared += u8("<si><t>") + s + u8("</t></si>");
    shared += u8("</sst>");
    const auto s = [](int i) { return QStringLiteral("t=\"s\"><v>%1</v></c>").arg(i); };
    const QString sheet
        = u8("<?xml version='1.0' encoding='ascii'?>\n<worksheet "
             "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetPr>"
             "<outlinePr summaryBelow=\"1\" summaryRight=\"1\"/></sheetPr><dimension ref=\"A1:C5\"/>"
             "<sheetData>")
        + u8("<row r=\"1\"><c r=\"A1\" ") + s(0) + u8("<c r=\"B1\" ") + s(1) + u8("<c r=\"C1\" ") + s(2)
        + u8("</row>") + u8("<row r=\"2\"><c r=\"A2\" ") + s(3) + u8("</row>")
        + u8("<row r=\"3\"><c r=\"A3\" t=\"n\"><v>101</v></c><c r=\"B3\" ") + s(4) + u8("<c r=\"C3\" ") + s(5)
        + u8("</row><row r=\"4\"><c r=\"A4\" t=\"n\"><v>105</v></c><c r=\"B4\" ") + s(6) + u8("<c r=\"C4\" ")
        + s(7)
        + u8("</row><row r=\"5\"><c r=\"A5\" t=\"n\"><v>110</v></c><c r=\"B5\" t=\"inlineStr\"><is><t>")
        + strings[8] + u8("</t></is></c><c r=\"C5\" ") + s(9) + u8("</row></sheetData></worksheet>");
    const QString workbook
        = u8("<?xml version='1.0' encoding='ascii'?>\n<workbook "
             "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><workbookPr/>"
             "<sheets><sheet xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
             "relationships\" name=\"Samedi 14 août\" sheetId=\"1\" state=\"visible\" "
             "r:id=\"rId1\"/></sheets></workbook>");
    const QByteArray relationships
        = "<?xml version='1.0' encoding='ascii'?>\n<Relationships "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
          "Target=\"/xl/worksheets/sheet1.xml\" Id=\"rId1\"/></Relationships>";

    test::TempFolder folder;
    const QString path = zipped(folder, u8("engagés.xlsx"),
        { { u8("[Content_Types].xml"), contentTypes }, { u8("_rels/.rels"), packageRelationships },
            { u8("xl/workbook.xml"), asciiReferences(workbook) },
            { u8("xl/_rels/workbook.xml.rels"), relationships },
            { u8("xl/sharedStrings.xml"), asciiReferences(shared) },
            { u8("xl/worksheets/sheet1.xml"), asciiReferences(sheet) } });
    ASSERT_FALSE(path.isEmpty()) << "zip failed";
    EXPECT_TRUE(asciiReferences(shared).contains("<t>LEF&#200;VRE</t>"));

    const ProgrammeDocument document = ExcelProgrammeParser::parse(path);
    ASSERT_EQ(document.days.size(), 1);
    EXPECT_EQ(document.days[0].name, u8("Samedi"));
    ASSERT_EQ(document.days[0].events.size(), 1);
    EXPECT_EQ(document.days[0].events[0].title, u8("Épreuve 3 – Préparatoire"));
    // "Prénom" is the header of the first names, and "LEFÈVRE" holds no number.
    EXPECT_EQ(document.days[0].events[0].people,
        (QList<ImportedPerson> { { u8("101"), u8("Jean"), u8("DUPONT"), 3 },
            { u8("105"), u8("Élodie"), u8("LEFÈVRE"), 4 }, { u8("110"), u8("Zoé"), u8("MÜLLER"), 5 } }));
    EXPECT_EQ(ImportParser::excelSheets(test::readFile(path)).value(0).name, u8("Samedi 14 août"));
}

// Every element under the "x:" prefix, ids as the writer makes them, 2,606 rows over three classes.
TEST(WorkbookWriters, aDotNetWritersPrefixedSpreadsheetMLReadsLikeTheDefaultNamespace)
{
    const QByteArray ns = "xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    QByteArray shared = "<?xml version=\"1.0\" encoding=\"utf-8\"?><x:sst " + ns + ">";
    for (const char* s :
        { "Dossard", "Nom", "Prénom", "Grand Prix (1,30 m)", "Épreuve 2 (1,10 m)", "Préparatoire (1,00 m)" })
        shared += QByteArray("<x:si><x:t>") + s + "</x:t></x:si>";
    shared += "</x:sst>";
    QByteArray rows
        = "<x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c><x:c r=\"B1\" t=\"s\"><x:v>1</x:v>"
          "</x:c><x:c r=\"C1\" t=\"s\"><x:v>2</x:v></x:c></x:row>";
    int line = 2;
    int bib = 1;
    const int riders[] = { 1200, 800, 602 };
    for (int event = 0; event < 3; ++event) {
        const QByteArray r = QByteArray::number(line++);
        rows += "<x:row r=\"" + r + "\"><x:c r=\"A" + r + "\" t=\"s\"><x:v>" + QByteArray::number(3 + event)
            + "</x:v></x:c></x:row>";
        for (int i = 0; i < riders[event]; ++i, ++bib) {
            const QByteArray n = QByteArray::number(line++);
            rows += "<x:row r=\"" + n + "\" x14ac:dyDescent=\"0.25\"><x:c r=\"A" + n + "\"><x:v>"
                + QByteArray::number(bib) + "</x:v></x:c><x:c r=\"B" + n + "\" t=\"inlineStr\"><x:is><x:t>NOM"
                + QByteArray::number(bib) + "</x:t></x:is></x:c><x:c r=\"C" + n
                + "\" t=\"inlineStr\"><x:is><x:t xml:space=\"preserve\">Prénom</x:t></x:is></x:c></x:row>";
        }
    }
    ASSERT_EQ(line - 1, 2606);
    const QByteArray sheet = "<?xml version=\"1.0\" encoding=\"utf-8\"?><x:worksheet " + ns
        + " xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\"><x:sheetData>" + rows
        + "</x:sheetData></x:worksheet>";
    const QByteArray workbook = "<?xml version=\"1.0\" encoding=\"utf-8\"?><x:workbook " + ns
        + "><x:sheets><x:sheet name=\"Dimanche\" sheetId=\"1\" r:id=\"R3f9a1c2b\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
          "/></x:sheets></x:workbook>";
    const QByteArray relationships
        = "<?xml version=\"1.0\" encoding=\"utf-8\"?><Relationships "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
          "Target=\"/xl/sharedStrings.xml\" Id=\"R8c1d\" /><Relationship "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
          "Target=\"/xl/worksheets/sheet.xml\" Id=\"R3f9a1c2b\" /></Relationships>";

    test::TempFolder folder;
    const QString path = zipped(folder, u8("liste.xlsx"),
        { { u8("[Content_Types].xml"), contentTypes }, { u8("_rels/.rels"), packageRelationships },
            { u8("xl/workbook.xml"), workbook }, { u8("xl/_rels/workbook.xml.rels"), relationships },
            { u8("xl/sharedStrings.xml"), shared }, { u8("xl/worksheets/sheet.xml"), sheet } });
    ASSERT_FALSE(path.isEmpty()) << "zip failed";

    const ProgrammeDocument document = ExcelProgrammeParser::parse(path);
    ASSERT_EQ(document.days.size(), 1);
    EXPECT_EQ(document.days[0].name, u8("Dimanche"));
    ASSERT_EQ(document.days[0].events.size(), 3);
    QStringList titles;
    QList<qsizetype> counts;
    for (const ProgrammeEvent& e : document.days[0].events) {
        titles.append(e.title);
        counts.append(e.people.size());
    }
    // The classes in the order the grammar gives them.
    EXPECT_EQ(titles,
        (QStringList { u8("Épreuve 2 (1,10 m)"), u8("Grand Prix (1,30 m)"), u8("Préparatoire (1,00 m)") }));
    EXPECT_EQ(counts, (QList<qsizetype> { 800, 1200, 602 }));
    EXPECT_EQ(document.days[0].events[2].people.last(),
        (ImportedPerson { u8("2602"), u8("Prénom"), u8("NOM2602"), 2606 }));
}

// A writer that leaves out the optional cell references: each cell takes the column after the one
// before it, an empty self-closing cell too.
TEST(WorkbookWriters, cellsWithoutReferencesFollowOneAnother)
{
    const QByteArray sheet
        = "<worksheet><sheetData>"
          "<row><c t=\"inlineStr\"><is><t>Dossard</t></is></c><c t=\"inlineStr\"><is><t>Nom"
          "</t></is></c><c s=\"3\"/><c t=\"inlineStr\"><is><t>Prénom</t></is></c></row>"
          "<row><c><v>7</v></c><c t=\"inlineStr\"><is><t>ROUX</t></is></c><c/><c t=\"inlineStr\">"
          "<is><t>Paul</t></is></c></row></sheetData></worksheet>";
    test::TempFolder folder;
    const QString path = zipped(folder, u8("sans-références.xlsx"),
        { { u8("[Content_Types].xml"), contentTypes },
            { u8("xl/workbook.xml"),
                "<workbook><sheets><sheet "
                "name=\"Samedi\" sheetId=\"1\"/>"
                "</sheets></workbook>" },
            { u8("xl/worksheets/sheet1.xml"), sheet } });
    ASSERT_FALSE(path.isEmpty()) << "zip failed";
    const QList<ImportParser::Sheet> sheets = ImportParser::excelSheets(test::readFile(path));
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].rows,
        (QList<QStringList> { { u8("Dossard"), u8("Nom"), u8(""), u8("Prénom") },
            { u8("7"), u8("ROUX"), u8(""), u8("Paul") } }));
    const ProgrammeDocument document = ExcelProgrammeParser::parse(path);
    ASSERT_EQ(document.days.value(0).events.value(0).people.size(), 1);
    EXPECT_EQ(document.days[0].events[0].people[0], (ImportedPerson { u8("7"), u8("Paul"), u8("ROUX"), 2 }));
}

struct RowCase
{
    const char* xml;
    QStringList cells;
};

class CellColumns : public testing::TestWithParam<RowCase>
{
};

TEST_P(CellColumns, followTheReferenceOrThePreviousCell)
{
    const QList<QStringList> rows
        = SheetXMLParser::parse(QByteArray("<sheetData>") + GetParam().xml + "</sheetData>", {});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(NoReference, CellColumns,
    testing::Values(
        // A row of 1 to 6 is six cells, not "6" alone at column A.
        RowCase { "<row><c><v>1</v></c><c><v>2</v></c><c><v>3</v></c><c><v>4</v></c><c><v>5</v></c><c><v>6</"
                  "v></c></row>",
            { "1", "2", "3", "4", "5", "6" } },
        RowCase {
            "<row><c r=\"C1\"><v>c</v></c><c><v>d</v></c><c r=\"B1\"><v>b</v></c><c><v>c2</v></c></row>",
            { "", "b", "c2", "d" } },
        RowCase { "<row><c r=\"B1\"/><c><v>c</v></c></row>", { "", "", "c" } },
        RowCase { "<row><x:c><x:v>1</x:v></x:c><x:c/><x:c><x:v>3</x:v></x:c></row>", { "1", "", "3" } },
        // A reference whose quote never closes is no reference.
        RowCase { "<row><c><v>a</v></c><c r=\"B1><v>b</v></c></row>", { "a", "b" } },
        // Each row starts again at column A.
        RowCase { "<row><c t=\"inlineStr\"><is><t>seul</t></is></c></row>", { "seul" } }));

struct TextCase
{
    const char* written;
    const char* read;
};

class XmlText : public testing::TestWithParam<TextCase>
{
};

TEST_P(XmlText, decodesReferencesAndTheFiveEntities)
{
    EXPECT_EQ(ImportParserExtract::decodingXMLEntities(u8(GetParam().written)), u8(GetParam().read));
}

INSTANTIATE_TEST_SUITE_P(Workbook, XmlText,
    testing::Values(TextCase { "Pr&#233;nom", "Prénom" }, TextCase { "LEF&#200;VRE", "LEFÈVRE" },
        TextCase { "&#xC9;lodie &#XE9;&#x1F40E;", "Élodie é🐎" },
        TextCase { "A&amp;B &lt;&gt;&quot;&#39;", "A&B <>\"'" },
        // How a workbook writes the text "&#233;": it stays that text.
        TextCase { "&amp;#233;", "&#233;" },
        // No character: NUL, surrogates, past U+10FFFF, a number too long to read.
        TextCase { "a&#0;b&#x0;", "a\uFFFDb\uFFFD" }, TextCase { "&#55357;&#xDFFF;", "\uFFFD\uFFFD" },
        TextCase { "&#1114112;&#x110000;&#99999999999999999999;", "\uFFFD\uFFFD\uFFFD" },
        // Not references: left as written.
        TextCase { "&#; &#x; &#12 &#x4G; &eacute; &apos;", "&#; &#x; &#12 &#x4G; &eacute; &apos;" }));

TEST(WorkbookWriters, prefixedWorkbookAndRelationshipElements)
{
    const auto sheets = ZipArchive::sheetDescriptors(
        R"(<x:workbook><x:sheets><x:sheet name="Sam&#233;di" r:id="R1"/><ss:sheet name="B" sheetId="2"/>)"
        R"(<x:sheets2 name="non"/></x:sheets></x:workbook>)");
    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0].name, u8("Samédi"));
    EXPECT_EQ(sheets[0].relationshipID, u8("R1"));
    EXPECT_EQ(sheets[1].name, u8("B"));
    const auto targets = ZipArchive::relationshipTargets(
        R"(<pr:Relationships><pr:Relationship Id="R1" Target="worksheets/a.xml"/></pr:Relationships>)");
    EXPECT_EQ(targets.value(u8("R1")), u8("worksheets/a.xml"));
    EXPECT_EQ(
        ImportParser::parseSharedStrings("<x:sst><x:si><x:r><x:t>Jean </x:t></x:r><x:r><x:t>DUPONT</x:t>"
                                         "</x:r></x:si><x:si/><si><t>trois</t></si></x:sst>"),
        (QStringList { u8("Jean DUPONT"), u8(""), u8("trois") }));
}
