#include "PdfWriter.h"

#include "programme/ImportError.h"
#include "programme/PDFProgrammeParser.h"
#include "programme/ProgrammeFileParser.h"

#include "ProgrammeTestSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;
using test::PdfPage;

namespace {

// A federation page: competition and class headers on top, the entry rows on the left and the
// riders' names in the right-hand column, one row every 14 points.
PdfPage federationPage(const QString& classHeader, const QStringList& names, bool withCompetition = true)
{
    PdfPage page;
    if (withCompetition)
        page.append({ 40, 40, "Grand National de Printemps - N° 45" });
    page.append({ 40, 54, "Liste de départ" });
    if (!classHeader.isEmpty())
        page.append({ 40, 68, classHeader });
    page.append({ 40, 90, "Ordre" });
    page.append({ 90, 90, "Cheval" });
    page.append({ 200, 90, "N° SIRE" });
    page.append({ 340, 90, "Nom du cavalier" });
    for (qsizetype i = 0; i < names.size(); ++i) {
        const double y = 104 + 14.0 * double(i);
        page.append({ 40, y, QStringLiteral("A AB 12 %1X").arg(1000000 + i) });
        page.append({ 200, y, QStringLiteral("%1A").arg(20000000 + i) });
        page.append({ 340, y, names[i] });
    }
    page.append({ 40, 800, "Page 1" });
    return page;
}

QStringList riderNames(int from, int count)
{
    static const QStringList families { "DUPONT", "MARTIN", "LEROY", "DURAND", "BERNARD" };
    static const QStringList givens { "Jean", "Marie Claire", "Luc", "Zoé", "Paul" };
    QStringList out;
    for (int i = from; i < from + count; ++i)
        out.append(families[i % 5] + QString(QChar(u'A' + i % 26)) + u' ' + givens[(i / 5) % 5]);
    return out;
}

ProgrammeDocument parseWritten(const QString& name, const QList<PdfPage>& pages)
{
    test::TempFolder folder;
    const QString path = folder.file(name);
    test::writePdf(path, pages);
    return ProgrammeFileParser::parse(path);
}

} // namespace

TEST(PdfStartList, readsAGenericStartList)
{
    const PdfPage first { { 40, 40, "SAMEDI 14 JUIN" }, { 40, 60, "Epreuve n°3 - Vitesse" },
        { 40, 74, "(1,20 m)" }, { 40, 90, "Ordre" }, { 80, 90, "Dossard" }, { 140, 90, "Cavalier" },
        { 40, 104, "1" }, { 80, 104, "125" }, { 140, 104, "DUPONT Marie" }, { 300, 104, "QUARTZ" },
        { 40, 118, "2" }, { 80, 118, "45" }, { 140, 118, "DE LA TOUR Jean Pierre" }, { 300, 118, "ROYAL" },
        { 40, 800, "Page 1 / 2" } };
    const PdfPage second { { 40, 40, "8h30" }, { 40, 60, "3" }, { 80, 60, "7" }, { 140, 60, "MARTIN Luc" },
        { 40, 80, "Dimanche" }, { 40, 94, "Grand Prix 1,30 m" }, { 40, 108, "12 LEROY Anne" } };
    const ProgrammeDocument doc = parseWritten("PROGRAMME.PDF", { first, second });
    EXPECT_EQ(doc.sourceName, "PROGRAMME.PDF");
    ASSERT_EQ(doc.days.size(), 2);
    EXPECT_EQ(doc.days[0].name, "Samedi");
    ASSERT_EQ(doc.days[0].events.size(), 1);
    // The class runs on to the next page.
    EXPECT_EQ(doc.days[0].events[0].id, "Samedi|Vitesse (1,20 m)");
    EXPECT_EQ(doc.days[0].events[0].people,
        QList<ImportedPerson>({ { "7", "Luc", "MARTIN", 0 }, { "45", "Jean Pierre", "DE LA TOUR", 0 },
            { "125", "Marie", "DUPONT", 0 } }));
    EXPECT_EQ(doc.days[1].events[0].id, "Dimanche|Grand Prix 1,30 m");
}

// Class titles with their start time far to the right, as organisers lay them out.
TEST(PdfStartList, titlesWithATimeAtTheirRight)
{
    const PdfPage page { { 40, 40, "Samedi 14 juin" }, { 40, 60, "Préparatoire 1,00 m" },
        { 520, 60, "08h00" }, { 40, 80, "Dossard" }, { 100, 80, "Cavalier" }, { 300, 80, "Club" },
        { 40, 94, "21" }, { 100, 94, "PETIT Luc" }, { 300, 94, "Club Hippique" }, { 40, 108, "22" },
        { 100, 108, "MARTIN Paul" }, { 40, 140, "Grand Prix 1,30 m" }, { 520, 140, "14h30" },
        { 40, 154, "31" }, { 100, 154, "DURAND Eva" } };
    const ProgrammeDocument doc = parseWritten("horaires.pdf", { page });
    ASSERT_EQ(doc.days.size(), 1);
    ASSERT_EQ(doc.days[0].events.size(), 2);
    EXPECT_EQ(doc.days[0].events[0].id, "Samedi|Préparatoire 1,00 m 08h00");
    EXPECT_EQ(doc.days[0].events[0].people,
        QList<ImportedPerson>({ { "21", "Luc", "PETIT", 0 }, { "22", "Paul", "MARTIN", 0 } }));
    EXPECT_EQ(doc.days[0].events[1].title, "Grand Prix 1,30 m 14h30");
    EXPECT_EQ(doc.days[0].events[1].people, QList<ImportedPerson>({ { "31", "Eva", "DURAND", 0 } }));
}

// Pages of one or two long lines are run-on text, whatever gaps lie between the lines; no line end
// ends up in a title or an id.
TEST(PdfStartList, pagesOfOneOrTwoLinesAreRunOnText)
{
    const QString opening
        = "Samedi 14 juin - Concours d’été du Club Hippique de la Vallée - Épreuve 3 Grand Prix 21";
    const struct
    {
        PdfPage page;
        QString id;
        QList<ImportedPerson> riders;
    } cases[] = {
        // Two lines far apart: the bib ends the first, the rider's name opens the second.
        { { { 20, 60, opening }, { 20, 400, "PETIT Luc" } }, "Samedi|Grand Prix",
            { { "21", "Luc", "PETIT", 0 } } },
        // One line: the rider's words stay in the title, as run-on text reads.
        { { { 20, 60, opening + " PETIT Luc" } }, "Samedi|Grand Prix 21 PETIT Luc", {} },
    };
    for (const auto& c : cases) {
        const ProgrammeDocument doc = parseWritten("enchaine.pdf", { c.page });
        ASSERT_EQ(doc.days.size(), 1) << c.id.toStdString();
        ASSERT_EQ(doc.days[0].events.size(), 1) << c.id.toStdString();
        EXPECT_EQ(doc.days[0].events[0].id, c.id);
        EXPECT_EQ(doc.days[0].events[0].people, c.riders) << c.id.toStdString();
    }
}

TEST(PdfStartList, readsTheFederationLayoutFromItsNamesColumn)
{
    const QString header = "EPREUVE 4 – Grand Prix Pro 2 - 38 engagés";
    const ProgrammeDocument doc = parseWritten("ffe.pdf",
        { federationPage(header, riderNames(0, 20)), federationPage(QString(), riderNames(20, 3), false),
            federationPage(header, riderNames(23, 2), false),
            federationPage("Epreuve 5 - Club 1 - 3 engagés", {}) });
    ASSERT_EQ(doc.days.size(), 1);
    EXPECT_EQ(doc.days[0].name, "Grand National de Printemps");
    const auto& events = doc.days[0].events;
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].id, "Grand National de Printemps|Épreuve 4 - Grand Prix Pro 2");
    ASSERT_EQ(events[0].people.size(), 23);
    EXPECT_EQ(events[0].people[0], (ImportedPerson { "1", "Jean", "DUPONTA", 1 }));
    EXPECT_EQ(events[0].people[1], (ImportedPerson { "2", "Jean", "MARTINB", 1 }));
    EXPECT_EQ(events[0].people[20], (ImportedPerson { "21", "Paul", "DUPONTU", 2 }));
    // The repeated header starts a second class of the same title, numbered from 1 again.
    EXPECT_EQ(events[1].id, "Grand National de Printemps|Épreuve 4 - Grand Prix Pro 2|2");
    EXPECT_EQ(events[1].people.value(0), (ImportedPerson { "1", "Paul", "DURANDX", 3 }));
}

TEST(PdfStartList, fallsBackToThePageTextWhenTheColumnIsEmpty)
{
    PdfPage page { { 40, 40, "Liste de départ" }, { 40, 60, "Nom du cavalier" }, { 40, 74, "DUPONT Jean" },
        { 40, 88, "MARTIN Luc" }, { 40, 102, "Ordre de passage" }, { 40, 116, "LEROY Zoé" } };
    const ProgrammeDocument doc = parseWritten("ffe.pdf", { page });
    ASSERT_EQ(doc.days.size(), 1);
    EXPECT_EQ(doc.days[0].name, "Programme");
    EXPECT_EQ(doc.days[0].events[0].id, "Programme|Inscriptions");
    EXPECT_EQ(doc.days[0].events[0].people,
        QList<ImportedPerson>({ { "1", "Jean", "DUPONT", 1 }, { "2", "Luc", "MARTIN", 1 } }));
}

TEST(PdfStartList, aColumnHeaderAloneIsNoFederationList)
{
    const PdfPage page { { 40, 40, "Nom du cavalier" }, { 340, 60, "DUPONT Jean" },
        { 40, 80, "Vitesse (1,20 m)" }, { 40, 94, "5 MARTIN Luc" } };
    const ProgrammeDocument doc = parseWritten("liste.pdf", { page });
    ASSERT_EQ(doc.days.size(), 1);
    EXPECT_EQ(doc.days[0].events[0].id, "Programme|Vitesse (1,20 m)");
    EXPECT_EQ(doc.days[0].events[0].people, QList<ImportedPerson>({ { "5", "Luc", "MARTIN", 0 } }));
}

TEST(PdfStartList, unreadableFilesGiveTheFrenchError)
{
    test::TempFolder folder;
    for (const auto& [name, bytes] : QList<std::pair<QString, QByteArray>> { { "vide.pdf", QByteArray() },
             { "texte.pdf", "Ceci n’est pas un PDF." }, { "tronque.pdf", "%PDF-1.7\n1 0 obj\n<< /Type" },
             { "protege.pdf", test::lockedPdf() } }) {
        try {
            ProgrammeFileParser::parse(folder.write(name, bytes));
            ADD_FAILURE() << name.toStdString();
        } catch (const ImportError& e) {
            EXPECT_EQ(e.message(), "Impossible de lire ce fichier type.");
        }
    }
    EXPECT_THROW(PDFProgrammeParser::parse(folder.file("absent.pdf")), ImportError);
}

TEST(PdfStartList, aPdfWithoutProgrammeGivesNoDay)
{
    EXPECT_TRUE(parseWritten("rien.pdf", { test::linesPage({ "Bonjour", "Rien ici" }), {} }).days.isEmpty());
}
