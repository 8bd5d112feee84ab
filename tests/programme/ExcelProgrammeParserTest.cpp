#include "ZipWriter.h"

#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportError.h"
#include "programme/ProgrammeFileParser.h"
#include "programme/ProgrammeLimits.h"
#include "programme/ZipArchive.h"
#include "programme/ZipError.h"

#include "ProgrammeTestSupport.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

using namespace quavel;

namespace {

// The peak resident size of this process since resetPeak(), in kilobytes.
void resetPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

qint64 peakResidentKb()
{
    QFile file(QStringLiteral("/proc/self/status"));
    file.open(QIODevice::ReadOnly);
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QStringList dayNames(const QList<ProgrammeDay>& days)
{
    QStringList out;
    for (const auto& d : days)
        out.append(d.name);
    return out;
}

} // namespace

TEST(ExcelProgrammeParser, aPlainListIsOneClassOfInscriptions)
{
    const auto days = ExcelProgrammeParser::parseSheet("Feuil1",
        { { "Engagés du concours" }, { "Dossard", "Nom", "Prénom" }, { "12", "DUPONT", "Jean" },
            { "3", "MARTIN", "Luc" } });
    ASSERT_EQ(days.size(), 1);
    EXPECT_EQ(days[0].name, "Programme");
    ASSERT_EQ(days[0].events.size(), 1);
    EXPECT_EQ(days[0].events[0].id, "Programme|Inscriptions");
    EXPECT_EQ(numbers(days[0].events[0].people), QStringList({ "3", "12" }));
    EXPECT_EQ(days[0].events[0].people[1], (ImportedPerson { "12", "Jean", "DUPONT", 3 }));
}

TEST(ExcelProgrammeParser, sheetNamesGiveTheFirstDayAndClass)
{
    EXPECT_EQ(ExcelProgrammeParser::parseSheet("Samedi", { { "1", "A B" } })[0].events[0].id,
        "Samedi|Inscriptions");
    const auto named = ExcelProgrammeParser::parseSheet(" Grand Prix Pro 2 ", { { "1", "A B" } });
    EXPECT_EQ(named[0].events[0].id, "Programme|Grand Prix Pro 2");
}

TEST(ExcelProgrammeParser, headingRowsSwitchTheDayOrTheClass)
{
    const auto days = ExcelProgrammeParser::parseSheet("Engagements",
        { { "Dossard", "Nom", "Prénom" }, { "1", "A", "a" }, { "Dimanche 14 juillet" }, { "2", "B", "b" },
            { "", "Epreuve 5 - Grand Prix 1,30 m", "" }, { "3", "C", "c" }, { "Epreuve du samedi" },
            { "4", "D", "d" }, { "Dimanche et lundi" }, { "5", "E", "e" }, { "Note : parking" },
            { "6", "F", "f" }, { "Samedi et dimanche" }, { "Reprise (1.10)" }, { "7", "G", "g" },
            { "7", "Bis", "x" }, { "Dimanche" }, { "Epreuve 10" }, { "8", "H", "h" }, { "Epreuve 2" },
            { "9", "I", "i" } });
    EXPECT_EQ(dayNames(days), QStringList({ "Dimanche", "Lundi", "Programme", "Samedi" }));
    EXPECT_EQ(titles(days[0]),
        QStringList({ "Engagements", "Epreuve 2", "Epreuve 5 - Grand Prix 1,30 m", "Epreuve 10" }));
    EXPECT_EQ(numbers(days[0].events[0].people), QStringList({ "2" }));
    EXPECT_EQ(days[0].events[2].id, "Dimanche|Epreuve 5 - Grand Prix 1,30 m");
    EXPECT_EQ(numbers(days[1].events[0].people), QStringList({ "5", "6" }));
    // "Epreuve du samedi" switches the day only; the class carries on.
    EXPECT_EQ(days[3].events[0].title, "Epreuve 5 - Grand Prix 1,30 m");
    EXPECT_EQ(numbers(days[3].events[0].people), QStringList({ "4" }));
    EXPECT_EQ(days[3].events[1].title, "Reprise (1.10)");
    ASSERT_EQ(days[3].events[1].people.size(), 1);
    EXPECT_EQ(days[3].events[1].people[0].lastName, "G");
}

// Riders under a heading met again join the class it opened first, whatever came in between.
TEST(ExcelProgrammeParser, aClassMetAgainGathersItsRiders)
{
    QList<QStringList> rows { { "Dossard", "Nom", "Prénom" } };
    for (int round = 0; round < 3; ++round)
        for (int title = 1; title <= 5; ++title) {
            rows.append({ QStringLiteral("Epreuve %1").arg(title) });
            rows.append({ QString::number(round * 10 + title), "NOM", "Prénom" });
        }
    rows.append({ "Dimanche" });
    rows.append({ "99", "NOM", "Prénom" });
    const auto days = ExcelProgrammeParser::parseSheet("Samedi", rows);
    ASSERT_EQ(dayNames(days), QStringList({ "Dimanche", "Samedi" }));
    EXPECT_EQ(numbers(days[0].events.value(0).people), QStringList({ "99" }));
    ASSERT_EQ(days[1].events.size(), 5);
    EXPECT_EQ(numbers(days[1].events[0].people), QStringList({ "1", "11", "21" }));
    EXPECT_EQ(numbers(days[1].events[4].people), QStringList({ "5", "15", "25" }));
}

TEST(ExcelProgrammeParser, dayNamesAndClassTitles)
{
    EXPECT_EQ(ExcelProgrammeParser::dayName(u"SAMEDI 14"), "Samedi");
    EXPECT_EQ(ExcelProgrammeParser::dayName(u"Dimanche et lundi"), "Lundi");
    EXPECT_EQ(ExcelProgrammeParser::dayName(u"samedis"), std::nullopt);
    for (const char* generic : { "Feuil1", "Feuille 2", "Sheet", "Sheet3", "Onglet 4", "FEUILLE" })
        EXPECT_TRUE(ExcelProgrammeParser::isGenericSheetName(QString::fromUtf8(generic))) << generic;
    for (const char* other : { "Feuille A", "Sheets", "Samedi", "" })
        EXPECT_FALSE(ExcelProgrammeParser::isGenericSheetName(QString::fromUtf8(other))) << other;
    EXPECT_EQ(ExcelProgrammeParser::eventTitle(u" Épreuve préparatoire "), "Épreuve préparatoire");
    EXPECT_EQ(ExcelProgrammeParser::eventTitle(u"Vitesse ( 1,20 m )"), "Vitesse ( 1,20 m )");
    EXPECT_EQ(ExcelProgrammeParser::eventTitle(u"GRAND PRIX"), "GRAND PRIX");
    EXPECT_EQ(ExcelProgrammeParser::eventTitle(u"Vitesse 1,20 m"), std::nullopt);
}

TEST(ExcelProgrammeParser, readsAWorkbookFileMergingItsSheets)
{
    const QByteArray shared
        = R"(<sst><si><t>Dossard</t></si><si><t>Cavalier</t></si><si><t>DUPONT Jean</t></si>)"
          R"(<si><t>MARTIN Luc</t></si></sst>)";
    const QString sameday = R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)"
                            R"(<row r="2"><c r="A2"><v>12</v></c><c r="B2" t="s"><v>2</v></c></row>)";
    const QByteArray archive
        = test::workbook({ { "xl/workbook.xml", test::workbookXml({ "Samedi", "samedi 2", "Sheet3" }) },
            { "xl/_rels/workbook.xml.rels",
                test::relationshipsXml({ "worksheets/a.xml", "worksheets/b.xml", "c.xml" }) },
            { "xl/sharedStrings.xml", shared }, { "xl/worksheets/a.xml", test::sheetXml(sameday) },
            { "xl/worksheets/b.xml",
                test::sheetXml(
                    sameday + R"(<row r="3"><c r="A3"><v>4</v></c><c r="B3" t="s"><v>3</v></c></row>)") },
            { "xl/c.xml", test::inlineSheet({ { "Titre" } }) } });
    test::TempFolder folder;
    const QString path = folder.write("Engagés.XLSM", archive);
    const ProgrammeDocument doc = ProgrammeFileParser::parse(path);
    EXPECT_EQ(doc.sourceName, "Engagés.XLSM");
    ASSERT_EQ(doc.days.size(), 1);
    EXPECT_EQ(doc.days[0].name, "Samedi");
    ASSERT_EQ(doc.days[0].events.size(), 1);
    EXPECT_EQ(doc.days[0].events[0].people,
        QList<ImportedPerson>({ { "4", "Luc", "MARTIN", 3 }, { "12", "Jean", "DUPONT", 2 } }));

    const QString empty = folder.write("vide.xlsx",
        test::workbook({ { "xl/workbook.xml", test::workbookXml({ "A" }) },
            { "xl/worksheets/sheet1.xml", test::inlineSheet({ { "Titre" } }) } }));
    EXPECT_TRUE(ProgrammeFileParser::parse(empty).days.isEmpty());
}

// A few megabytes of workbook may not unfold into more riders than a programme can hold: the reader
// stops at the first rider over the cap, with the unreadable-file message.
TEST(ExcelProgrammeParser, aWorkbookOverTheRiderCapIsUnreadable)
{
    const auto workbookOf = [](qsizetype riders) {
        QByteArray rows = R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)";
        rows.reserve(rows.size() + riders * 64);
        for (qsizetype i = 2; i < riders + 2; ++i) {
            const QByteArray n = QByteArray::number(i);
            rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>7</v></c><c r=\"B" + n
                + "\" t=\"s\"><v>2</v></c></row>";
        }
        return test::workbook({ { "xl/workbook.xml", test::workbookXml({ "Samedi" }) },
            { "xl/sharedStrings.xml",
                R"(<sst><si><t>Dossard</t></si><si><t>Cavalier</t></si>)"
                R"(<si><t>DUPONT Jean</t></si></sst>)" },
            { "xl/worksheets/sheet1.xml", test::sheetXml(QString::fromLatin1(rows)) } });
    };
    test::TempFolder folder;
    const ProgrammeDocument full
        = ProgrammeFileParser::parse(folder.write("plein.xlsx", workbookOf(ProgrammeLimits::maximumRiders)));
    ASSERT_EQ(full.days.size(), 1);
    EXPECT_EQ(full.days[0].events[0].people.size(), 1); // one bib, kept once
    try {
        ProgrammeFileParser::parse(folder.write("trop.xlsx", workbookOf(ProgrammeLimits::maximumRiders + 1)));
        ADD_FAILURE();
    } catch (const ImportError& e) {
        EXPECT_EQ(e.message(), "Impossible de lire ce fichier type.");
    }
}

// A workbook of well under a megabyte whose shared strings inflate to 250 MB of tiny items: refused with
// the broken-file message before the items are all made, measured in a child of its own so that the
// peak is this file's alone. Under the sanitizers every allocation carries its own bookkeeping; the
// refusal is still checked there, the memory bound is not.
TEST(ExcelProgrammeParser, aSharedStringsBombIsRefusedWithinBoundedMemory)
{
    constexpr bool boundApplies = !test::kBuiltWithSanitizers;
    const QByteArray item = "<si><t>A</t></si>";
    const qint64 items = qint64(250) * 1000 * 1000 / item.size();
    test::ZipWriter zip;
    zip.add("xl/workbook.xml", test::workbookXml({ "Samedi" }));
    zip.add({ "xl/sharedStrings.xml", {}, 8, quint32(items * item.size()), {},
        test::ZipWriter::deflatedRepeats(item, items) });
    zip.add("xl/worksheets/sheet1.xml", test::sheetXml(R"(<row><c r="A1" t="s"><v>0</v></c></row>)"));
    test::TempFolder folder;
    const QString path = folder.write("bombe.xlsx", zip.archive());
    ASSERT_LT(QFileInfo(path).size(), 1'000'000);

    const QString report = folder.file("report");
    const pid_t child = test::forkChild([&] {
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        QString message;
        try {
            ExcelProgrammeParser::parse(path);
        } catch (const Error& e) {
            message = e.message();
        }
        QFile out(report);
        out.open(QIODevice::WriteOnly);
        out.write(
            QStringLiteral("%1\n%2\n%3").arg(peakResidentKb()).arg(timer.elapsed()).arg(message).toUtf8());
    });
    ASSERT_TRUE(test::waitChild(child));
    const QStringList lines = QString::fromUtf8(test::readFile(report)).split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    const qint64 peakMb = lines[0].toLongLong() / 1024;
    std::printf("shared-strings bomb of %lld bytes: refused in %s ms, peak %lld MB resident\n",
        qint64(QFileInfo(path).size()), qPrintable(lines[1]), peakMb);
    EXPECT_EQ(lines[2], u8("Fichier Excel illisible."));
    if (boundApplies) {
        EXPECT_GT(peakMb, 0);
        EXPECT_LT(peakMb, 400);
    }
}

namespace {

// Deflate data that cannot be inflated: a part made of it that is inflated fails with « Impossible de
// lire le fichier Excel. », so a refusal with another message came before the inflating.
const QByteArray uninflatable("\xff\xff\xff\xff", 4);

// A workbook whose shared strings and sheets declare the given sizes over data that cannot be inflated.
QByteArray declaring(quint32 sharedStrings, const QList<quint32>& sheets)
{
    test::ZipWriter zip;
    QStringList names, targets;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        names.append(QStringLiteral("Feuil%1").arg(i + 1));
        targets.append(QStringLiteral("worksheets/sheet%1.xml").arg(i + 1));
    }
    zip.add("xl/workbook.xml", test::workbookXml(names));
    zip.add("xl/_rels/workbook.xml.rels", test::relationshipsXml(targets));
    zip.add({ "xl/sharedStrings.xml", {}, 8, sharedStrings, {}, uninflatable });
    for (qsizetype i = 0; i < sheets.size(); ++i)
        zip.add({ QStringLiteral("xl/%1").arg(targets[i]), {}, 8, sheets[i], {}, uninflatable });
    return zip.archive();
}

struct RefusedWorkbook
{
    const char* name;
    std::function<QByteArray()> archive;
};

void PrintTo(const RefusedWorkbook& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedWorkbooks : public testing::TestWithParam<RefusedWorkbook>
{
};

} // namespace

// Workbooks refused as broken files. Before any of their parts is inflated: parts that together
// declare more than the workbook's budget (one of them over the entry cap or each under it), and one
// part over the entry cap. Once read: a shared-string part that is not UTF-8, which taken as "no
// shared strings" would turn every name into its index.
TEST_P(RefusedWorkbooks, areRefusedAsBrokenFiles)
{
    test::TempFolder folder;
    try {
        ProgrammeFileParser::parse(folder.write("programme.xlsx", GetParam().archive()));
        FAIL() << "read";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), u8("Fichier Excel illisible."));
    }
}

INSTANTIATE_TEST_SUITE_P(ExcelProgrammeParser, RefusedWorkbooks,
    testing::Values(
        RefusedWorkbook { "partsOf262And305MB", [] { return declaring(262'000'000, { 305'000'000 }); } },
        RefusedWorkbook { "partsEachUnderTheEntryCap",
            [] {
                return declaring(262'000'000, { 150'000'000, 150'000'000 });
            } },
        RefusedWorkbook { "aSheetOverTheEntryCap", [] { return declaring(1'000'000, { 300'000'000 }); } },
        // Over the budget before the workbook part, which names the sheets, is read.
        RefusedWorkbook { "theWorkbookPartAndTheSharedStrings",
            [] {
                test::ZipWriter zip;
                zip.add({ "xl/workbook.xml", {}, 8, 250'000'000, {}, uninflatable });
                zip.add({ "xl/_rels/workbook.xml.rels", {}, 8, 50'000'000, {}, uninflatable });
                zip.add({ "xl/sharedStrings.xml", {}, 8, 250'000'000, {}, uninflatable });
                return zip.archive();
            } },
        RefusedWorkbook { "latin1SharedStrings",
            [] {
                return test::workbook({ { "xl/workbook.xml", test::workbookXml({ "Samedi" }) },
                    { "xl/sharedStrings.xml",
                        "<sst><si><t>Dossard</t></si><si><t>Cavalier</t></si><si><t>REN\xc9 "
                        "Jean</t></si></sst>" },
                    { "xl/worksheets/sheet1.xml",
                        test::sheetXml(
                            R"(<row><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)"
                            R"(<row><c r="A2"><v>12</v></c><c r="B2" t="s"><v>2</v></c></row>)") } });
            } }),
    [](const testing::TestParamInfo<RefusedWorkbook>& info) { return std::string(info.param.name); });

// Only the parts the reader inflates count against the budget: a macro workbook's 100 MB image, its
// styles and its macros do not, beside shared strings and a sheet that declare 240 MB each (more than
// they hold, which the reader allows).
TEST(ExcelProgrammeParser, aMacroWorkbookWithALargeImageIsRead)
{
    const QByteArray shared
        = "<sst><si><t>Dossard</t></si><si><t>Cavalier</t></si><si><t>DUPONT Jean</t></si></sst>";
    const QByteArray sheet
        = test::sheetXml(R"(<row><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)"
                         R"(<row><c r="A2"><v>12</v></c><c r="B2" t="s"><v>2</v></c></row>)");
    constexpr quint32 declared = 240'000'000;
    constexpr quint32 image = 100'000'000;
    test::ZipWriter zip;
    zip.add("xl/workbook.xml", test::workbookXml({ "Samedi" }));
    zip.add({ "xl/sharedStrings.xml", shared, 8, declared, {}, {} });
    zip.add({ "xl/worksheets/sheet1.xml", sheet, 8, declared, {}, {} });
    zip.add("xl/styles.xml", "<styleSheet/>");
    zip.add("xl/vbaProject.bin", QByteArray(4096, '\x5a'));
    zip.add(
        { "xl/media/image1.png", {}, 8, image, {}, test::ZipWriter::deflatedRepeats("\x89PNG", image / 4) });
    static_assert(qint64(declared) * 2 + image > ZipArchive::maximumWorkbookSize);
    test::TempFolder folder;
    const ProgrammeDocument doc = ProgrammeFileParser::parse(folder.write("Engagés.xlsm", zip.archive()));
    ASSERT_EQ(doc.days.size(), 1);
    ASSERT_EQ(doc.days[0].events.size(), 1);
    EXPECT_EQ(doc.days[0].events[0].people, QList<ImportedPerson>({ { "12", "Jean", "DUPONT", 2 } }));
}

TEST(ProgrammeFileParser, choosesTheReaderByExtension)
{
    test::TempFolder folder;
    for (const char* name : { "programme.xls", "programme.csv", "programme", "xlsx" }) {
        const QString path = folder.write(QString::fromUtf8(name), "12;DUPONT");
        try {
            ProgrammeFileParser::parse(path);
            ADD_FAILURE() << name;
        } catch (const ImportError& e) {
            EXPECT_EQ(e.message(), "Impossible de lire ce fichier type.");
        }
    }
    const QString text = folder.write("faux.xlsx", "ceci n’est pas un classeur");
    EXPECT_THROW(ProgrammeFileParser::parse(text), ZipError);
    EXPECT_THROW(ProgrammeFileParser::parse(folder.file("absent.xlsx")), FileError);
}
