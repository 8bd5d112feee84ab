#include "ZipWriter.h"

#include "programme/ImportParser.h"
#include "programme/ProgrammeLimits.h"
#include "programme/ZipArchive.h"
#include "programme/ZipError.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quavel;
using test::ZipWriter;

namespace {

QByteArray simpleArchive(quint16 method = 8)
{
    ZipWriter zip;
    zip.add("xl/workbook.xml", test::workbookXml({ "Feuil1" }), method);
    zip.add("xl/worksheets/sheet1.xml", test::inlineSheet({ { "12", "DUPONT", "Jean" } }), method);
    return zip.archive();
}

QByteArray withEntry(ZipWriter::Entry entry)
{
    ZipWriter zip;
    zip.add("xl/workbook.xml", test::workbookXml({ "Feuil1" }));
    entry.name = "xl/worksheets/sheet1.xml";
    zip.add(entry);
    return zip.archive();
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray& with)
{
    bytes.replace(at, with.size(), with);
    return bytes;
}

// A workbook whose one cell names shared string 0, with `entry` as its shared-string part.
QByteArray withSharedStrings(ZipWriter::Entry entry)
{
    ZipWriter zip;
    zip.add("xl/workbook.xml", test::workbookXml({ "Feuil1" }));
    entry.name = "xl/sharedStrings.xml";
    zip.add(entry);
    zip.add("xl/worksheets/sheet1.xml", test::sheetXml(R"(<row><c r="A1" t="s"><v>0</v></c></row>)"));
    return zip.archive();
}

// `count` empty shared-string items.
QByteArray emptyItems(qsizetype count)
{
    QByteArray part = "<sst>";
    part.reserve(count * 5 + 12);
    for (qsizetype i = 0; i < count; ++i)
        part += "<si/>";
    return part + "</sst>";
}

qsizetype centralOffset(const QByteArray& archive)
{
    return archive.lastIndexOf(QByteArray("PK\x01\x02", 4));
}

struct BrokenCase
{
    const char* name;
    std::function<QByteArray()> archive;
    ZipError::Kind kind;
    const char* message;
};

void PrintTo(const BrokenCase& c, std::ostream* os)
{
    *os << c.name;
}

class BrokenArchive : public testing::TestWithParam<BrokenCase>
{
};

} // namespace

TEST_P(BrokenArchive, givesTheFrenchError)
{
    try {
        ImportParser::excelSheets(GetParam().archive());
        FAIL() << "no error";
    } catch (const ZipError& e) {
        EXPECT_EQ(e.kind(), GetParam().kind);
        EXPECT_EQ(e.message(), QString::fromUtf8(GetParam().message));
    }
}

const char* const illisible = "Fichier Excel illisible.";
const char* const impossible = "Impossible de lire le fichier Excel.";

INSTANTIATE_TEST_SUITE_P(Cases, BrokenArchive,
    testing::Values(BrokenCase { "short", [] { return QByteArray("PK\x05\x06", 4); },
                        ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "text", [] { return QByteArray(200, 'x'); }, ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "endRecordTooFarFromTheEnd", [] { return simpleArchive() + QByteArray(65536, ' '); },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "wrongCentralSignature",
            [] {
                const QByteArray a = simpleArchive();
                return patched(a, centralOffset(a), "PK\x01\x09");
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "moreRecordsThanTheDirectoryHolds",
            [] {
                const QByteArray a = simpleArchive();
                return patched(a, a.size() - 12, QByteArray("\x09\x00", 2));
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "directoryOffsetPastTheEnd",
            [] {
                const QByteArray a = simpleArchive();
                return patched(a, a.size() - 6, QByteArray("\xff\xff\xff\xff", 4));
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "localHeaderPastTheEnd",
            [] {
                const QByteArray a = simpleArchive();
                return patched(a, centralOffset(a) + 42, QByteArray("\xf0\xff\xff\xff", 4));
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "dataPastTheEnd",
            [] {
                return withEntry({ {}, "<worksheet/>", 8, {}, 0xFFFFFFF0u, {} });
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "declaredSizeOver256MiB",
            [] {
                return withEntry({ {}, test::sheetXml(""), 8, 256u * 1024 * 1024 + 1, {}, {} });
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "bzip2",
            [] {
                return withEntry(
                    { {}, test::sheetXml(""), 12, {}, {}, ZipWriter::rawDeflate(test::sheetXml("")) });
            },
            ZipError::Kind::UnsupportedCompression, "Compression Excel non prise en charge." },
        BrokenCase { "garbageDeflate",
            [] {
                return withEntry({ {}, test::sheetXml(""), 8, {}, {}, QByteArray("\xff\xff\xff\xff", 4) });
            },
            ZipError::Kind::DecompressionFailed, impossible },
        BrokenCase { "truncatedDeflate",
            [] {
                const QByteArray sheet = test::inlineSheet({ { "1", "A" }, { "2", "B" } });
                return withEntry({ {}, sheet, 8, {}, {}, ZipWriter::rawDeflate(sheet).left(20) });
            },
            ZipError::Kind::DecompressionFailed, impossible },
        BrokenCase { "emptyDeflatedEntry",
            [] {
                return withEntry({ {}, QByteArray(), 8, {}, {}, {} });
            },
            ZipError::Kind::DecompressionFailed, impossible },
        // A shared-string part that is there but cannot be read refuses the file: read as "no shared
        // strings", every name would come out as its index.
        BrokenCase { "sharedStringsGarbageDeflate",
            [] {
                return withSharedStrings({ {}, "<sst/>", 8, {}, {}, QByteArray("\xff\xff\xff\xff", 4) });
            },
            ZipError::Kind::DecompressionFailed, impossible },
        BrokenCase { "sharedStringsBzip2",
            [] {
                return withSharedStrings({ {}, "<sst/>", 12, {}, {}, ZipWriter::rawDeflate("<sst/>") });
            },
            ZipError::Kind::UnsupportedCompression, "Compression Excel non prise en charge." },
        BrokenCase { "sharedStringsPastTheEnd",
            [] {
                return withSharedStrings({ {}, "<sst/>", 8, {}, 0x7FFFFFF0u, {} });
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "sharedStringsOverTheItemBudget",
            [] {
                return withSharedStrings(
                    { {}, emptyItems(ProgrammeLimits::maximumSharedStrings + 1), 8, {}, {}, {} });
            },
            ZipError::Kind::InvalidArchive, illisible },
        // Each part under the entry cap, all of them over the workbook's one budget (the sizes as
        // declared: the budget is taken before a part is inflated).
        BrokenCase { "partsTogetherOverTheWorkbookBudget",
            [] {
                constexpr quint32 part = 200u * 1024 * 1024;
                ZipWriter zip;
                zip.add("xl/workbook.xml", test::workbookXml({ "A", "B" }));
                zip.add("xl/_rels/workbook.xml.rels",
                    test::relationshipsXml({ "worksheets/sheet1.xml", "worksheets/sheet2.xml" }));
                zip.add({ "xl/sharedStrings.xml", "<sst/>", 8, part, {}, {} });
                zip.add({ "xl/worksheets/sheet1.xml", test::sheetXml(""), 8, part, {}, {} });
                zip.add({ "xl/worksheets/sheet2.xml", test::sheetXml(""), 8, part, {}, {} });
                return zip.archive();
            },
            ZipError::Kind::InvalidArchive, illisible },
        BrokenCase { "noWorkbookPart",
            [] {
                return test::workbook({ { "xl/worksheets/sheet1.xml", test::sheetXml("") } });
            },
            ZipError::Kind::MissingEntry, "Feuille Excel introuvable." },
        BrokenCase { "noWorksheet",
            [] {
                return test::workbook({ { "xl/workbook.xml", test::workbookXml({ "A" }) } });
            },
            ZipError::Kind::MissingEntry, "Feuille Excel introuvable." }),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

TEST(ZipArchive, sharedStringsAreReadUpToTheirItemBudgetAndMayBeAbsent)
{
    const QByteArray atTheBudget = emptyItems(ProgrammeLimits::maximumSharedStrings);
    EXPECT_EQ(ImportParser::parseSharedStrings(atTheBudget).size(), ProgrammeLimits::maximumSharedStrings);
    // No shared-string part: a cell of type "s" keeps its index.
    ZipWriter zip;
    zip.add("xl/workbook.xml", test::workbookXml({ "Feuil1" }));
    zip.add("xl/worksheets/sheet1.xml", test::sheetXml(R"(<row><c r="A1" t="s"><v>0</v></c></row>)"));
    const auto sheets = ImportParser::excelSheets(zip.archive());
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].rows, QList<QStringList>({ { "0" } }));
    EXPECT_EQ(
        ImportParser::excelSheets(withSharedStrings({ {}, "<sst><si><t>Jean</t></si></sst>", 8, {}, {}, {} }))
            .value(0)
            .rows,
        QList<QStringList>({ { "Jean" } }));
}

TEST(ZipArchive, storedAndDeflatedEntriesReadTheSame)
{
    const auto stored = ImportParser::excelSheets(simpleArchive(0));
    const auto deflated = ImportParser::excelSheets(simpleArchive(8));
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].rows, QList<QStringList>({ { "12", "DUPONT", "Jean" } }));
    EXPECT_EQ(deflated[0].rows, stored[0].rows);
    EXPECT_EQ(deflated[0].name, "Feuil1");
}

TEST(ZipArchive, inflatesNoMoreThanTheDeclaredSize)
{
    const QByteArray content(5000, 'a');
    EXPECT_EQ(ZipArchive::inflate(ZipWriter::rawDeflate(content), 100), QByteArray(100, 'a'));
    // A larger declared size stops at the end of the stream.
    EXPECT_EQ(ZipArchive::inflate(ZipWriter::rawDeflate(content), 9000), content);
}

TEST(ZipArchive, entriesAreFoundByNameOrByTheirLastComponents)
{
    ZipWriter zip;
    zip.add("other/data.bin", "first", 0);
    zip.add("data.bin", "second", 0);
    zip.add("a/data.bin", "third", 8);
    const QByteArray archive = zip.archive();
    EXPECT_EQ(ZipArchive::data("data.bin", archive), "first");
    EXPECT_EQ(ZipArchive::data("a/data.bin", archive), "third");
    EXPECT_THROW(ZipArchive::data("ata.bin", archive), ZipError);
    const auto entries = ZipArchive::listing(archive);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[2].compression, 8);
    EXPECT_EQ(entries[1].uncompressedSize, 6);
}

TEST(ZipArchive, readsAnArchiveWithATrailingComment)
{
    ZipWriter zip;
    zip.add("xl/workbook.xml", "x", 0);
    zip.setComment(QByteArray(65535, 'c'));
    EXPECT_EQ(ZipArchive::data("xl/workbook.xml", zip.archive()), "x");
}

TEST(ZipArchive, relationshipTargetsResolveToEntries)
{
    const QByteArray archive
        = test::workbook({ { "xl/workbook.xml", test::workbookXml({ "Samedi", "A&B", "Dimanche" }) },
            { "xl/_rels/workbook.xml.rels",
                test::relationshipsXml(
                    { "/xl/worksheets/sheet3.xml", "worksheets\\sheet3.xml", "missing.xml" }) },
            { "xl/worksheets/sheet3.xml", test::inlineSheet({ { "3" } }) } });
    const auto sheets = ZipArchive::worksheets(archive);
    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0].name, "Samedi");
    // The name was written A&amp;B in the workbook part.
    EXPECT_EQ(sheets[1].name, "A&B");
    EXPECT_EQ(sheets[1].xml, sheets[0].xml);
    EXPECT_EQ(ZipArchive::zipPath("\\\\xl\\worksheets\\sheet3.xml"), "xl/worksheets/sheet3.xml");
}

TEST(ZipArchive, sheetsWithoutRelationshipsAreFoundByPosition)
{
    const QByteArray archive
        = test::workbook({ { "xl/workbook.xml", test::workbookXml({ "Feuil1", "Feuil2" }, false) },
            { "xl/worksheets/sheet2.xml", test::inlineSheet({ { "2" } }) },
            { "xl/worksheets/sheet1.xml", test::inlineSheet({ { "1" } }) } });
    const auto sheets = ImportParser::excelSheets(archive);
    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0].name, "Feuil1");
    EXPECT_EQ(sheets[0].rows, QList<QStringList>({ { "1" } }));
    EXPECT_EQ(sheets[1].name, "Feuil2");
    EXPECT_EQ(sheets[1].rows, QList<QStringList>({ { "2" } }));
}

// A sheet whose part cannot be read is left out, and a sheet without a relationship then takes its
// position among the sheets read, not among those named.
TEST(ZipArchive, aSheetThatCannotBeReadIsLeftOutOfThePositions)
{
    ZipWriter zip;
    zip.add("xl/workbook.xml",
        R"(<workbook><sheets><sheet name="Cassée" r:id="rId1"/><sheet name="Deux"/></sheets></workbook>)");
    zip.add("xl/_rels/workbook.xml.rels", test::relationshipsXml({ "cassee.xml" }));
    zip.add(
        { "xl/cassee.xml", test::inlineSheet({ { "0" } }), 8, {}, {}, QByteArray("\xff\xff\xff\xff", 4) });
    zip.add("xl/worksheets/sheet1.xml", test::inlineSheet({ { "1" } }));
    zip.add("xl/worksheets/sheet2.xml", test::inlineSheet({ { "2" } }));
    const auto sheets = ImportParser::excelSheets(zip.archive());
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].name, "Deux");
    EXPECT_EQ(sheets[0].rows, QList<QStringList>({ { "1" } }));
}

TEST(ZipArchive, workbookWithoutSheetElementsFallsBackToThePartNames)
{
    const QByteArray archive = test::workbook({ { "xl/workbook.xml", "<workbook><sheets/></workbook>" },
        { "xl/worksheets/sheet2.xml", test::inlineSheet({ { "2" } }) },
        { "xl/worksheets/sheet10.xml", test::inlineSheet({ { "10" } }) },
        { "xl/worksheets/sheet1.xml", test::inlineSheet({ { "1" } }) },
        { "xl/worksheets/_rels/sheet1.xml.rels", "<Relationships/>" } });
    const auto sheets = ImportParser::excelSheets(archive);
    ASSERT_EQ(sheets.size(), 3);
    EXPECT_EQ(sheets[0].name, "Feuille 1");
    EXPECT_EQ(sheets[0].rows[0][0], "1");
    EXPECT_EQ(sheets[1].name, "Feuille 2");
    EXPECT_EQ(sheets[1].rows[0][0], "10");
    EXPECT_EQ(sheets[2].rows[0][0], "2");
}

TEST(ZipArchive, sheetDescriptorsReadTheRelationshipId)
{
    const auto sheets = ZipArchive::sheetDescriptors(
        R"(<sheets><sheet name="Un" sheetId="4" r:id="rId9"/><sheet sheetId="5"/><SHEET NAME="Deux" sheetId="7"></sheet>)"
        R"(<sheet name="Trois"/></sheets>)");
    EXPECT_EQ(
        sheets, QList<ZipArchive::SheetDescriptor>({ { "Un", "rId9" }, { "Deux", "7" }, { "Trois", "" } }));
    EXPECT_TRUE(ZipArchive::sheetDescriptors("<sheet name=\"\xff\"/>").isEmpty());
}

TEST(ZipArchive, aWorkbookNamingOneHugeSheetOverAndOverIsRefused)
{
    // 600 sheets all pointing at one entry of 1 MiB: 600 MiB of XML from a small archive.
    QStringList names;
    for (int i = 0; i < 600; ++i)
        names.append(QStringLiteral("S%1").arg(i));
    QByteArray rels = "<Relationships>";
    for (int i = 0; i < 600; ++i)
        rels
            += "<Relationship Id=\"rId" + QByteArray::number(i + 1) + "\" Target=\"worksheets/sheet1.xml\"/>";
    rels += "</Relationships>";
    const QByteArray archive = test::workbook({ { "xl/workbook.xml", test::workbookXml(names) },
        { "xl/_rels/workbook.xml.rels", rels }, { "xl/worksheets/sheet1.xml", QByteArray(1 << 20, ' ') } });
    try {
        ZipArchive::worksheets(archive);
        FAIL() << "no error";
    } catch (const ZipError& e) {
        EXPECT_EQ(e.kind(), ZipError::Kind::InvalidArchive);
    }
}
