#include "programme/PDFProgrammeParser.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;
namespace P = PDFProgrammeParser;

namespace {

QStringList ids(const QList<ProgrammeDay>& days)
{
    QStringList out;
    for (const auto& d : days)
        for (const auto& e : d.events)
            out.append(e.id + QStringLiteral(" [") + QString::number(e.people.size()) + u']');
    return out;
}

QStringList numbers(const ProgrammeEvent& event)
{
    QStringList out;
    for (const auto& p : event.people)
        out.append(p.canonicalNumber);
    return out;
}

} // namespace

TEST(PdfLineGrammar, weekdaysOpenDaysAndTitlesOpenClasses)
{
    const auto days = P::assemble({ "12 AVANT Zoé", "SAMEDI 14 JUIN", "Epreuve 3 - Vitesse", "(1,20 m)",
        "(1,30 m)", "3 125 DUPONT Marie", "14h30", "Page 2 / 5", "Nom du cavalier",
        "Liste de départ - Samedi", "Dimanche", "Epreuve 4 - Vitesse", "Mardi", "5 LUNDI Paul", "Grand Prix",
        "samedi", "Vitesse 1,20 m", "10 A Bb", "9 B Cc", "100 C Dd", "9 D Ee", "Epreuve 5 - Vitesse",
        "12 E Ff", "Vitesse 1,20 m" });
    EXPECT_EQ(ids(days),
        QStringList({ "Programme|Inscriptions [1]", "Samedi|Vitesse (1,20 m) [1]",
            "Samedi|Vitesse 1,20 m [3]", "Samedi|Vitesse [1]", "Samedi|Vitesse 1,20 m|2 [0]",
            "Dimanche|Vitesse [0]", "Lundi|Grand Prix [0]" }));
    EXPECT_EQ(days[1].events[0].people[0], (ImportedPerson { "125", "Marie", "DUPONT", 0 }));
    EXPECT_EQ(numbers(days[1].events[1]), QStringList({ "9", "10", "100" }));
    EXPECT_EQ(days[1].events[1].people[0].lastName, "B");
}

TEST(PdfLineGrammar, aHeightCompletesTheTitleOnTheProgrammeDay)
{
    const auto days = P::assemble({ "Epreuve 3 - Vitesse", "(1,20 m)", "12 DUPONT Marie" });
    ASSERT_EQ(days.size(), 1);
    EXPECT_EQ(days[0].name, "Programme");
    EXPECT_EQ(days[0].events[0].id, "Programme|Vitesse (1,20 m)");
    EXPECT_EQ(days[0].events[0].people, QList<ImportedPerson>({ { "12", "Marie", "DUPONT", 0 } }));
    EXPECT_TRUE(P::assemble({ "Samedi", "Dimanche" }).isEmpty());
}

TEST(PdfLineGrammar, titles)
{
    EXPECT_EQ(P::eventTitle("Epreuve n°3 - Vitesse 1,10 m"), "Vitesse 1,10 m");
    EXPECT_EQ(P::eventTitle("ÉPREUVE N°12 : Grand Prix"), "Grand Prix");
    EXPECT_EQ(P::eventTitle("Epreuve 5"), "");
    EXPECT_EQ(P::eventTitle("  Préparatoire  "), "Préparatoire");
    EXPECT_EQ(P::eventTitle("(1,20 m)"), std::nullopt);
    EXPECT_EQ(P::eventTitle("12 Epreuve"), std::nullopt);
    EXPECT_EQ(P::eventTitle("1,2m"), "1,2m");
    EXPECT_EQ(P::eventTitle("1,2 mètre"), std::nullopt);
    EXPECT_EQ(P::eventTitle("Chemin de fer"), std::nullopt);
}

TEST(PdfLineGrammar, skippableLines)
{
    for (const char* line : { "Page 2 / 5", "14h30", "8 : 05 départ", "Nom du cavalier",
             "Liste de départ - Samedi", "N°", "DOSSARD", "Prénom" })
        EXPECT_TRUE(P::isSkippable(QString::fromUtf8(line))) << line;
    for (const char* line : { "Pages jaunes", "12 DUPONT Jean", "Nom du cheval" })
        EXPECT_FALSE(P::isSkippable(QString::fromUtf8(line))) << line;
}

struct RiderCase
{
    const char* line;
    std::optional<ImportedPerson> expected;
};

void PrintTo(const RiderCase& c, std::ostream* os)
{
    *os << c.line;
}

class PdfRiderLine : public testing::TestWithParam<RiderCase>
{
};

TEST_P(PdfRiderLine, reads)
{
    EXPECT_EQ(P::rider(QString::fromUtf8(GetParam().line)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, PdfRiderLine,
    testing::Values(RiderCase { "12 DUPONT Marie", ImportedPerson { "12", "Marie", "DUPONT", 0 } },
        RiderCase { "3 125 DUPONT Marie", ImportedPerson { "125", "Marie", "DUPONT", 0 } },
        // Columns: the bib after the start order, names from the cells after it.
        RiderCase { "3   125   DE LA TOUR Marie Anne   Écurie",
            ImportedPerson { "125", "Marie Anne", "DE LA TOUR", 0 } },
        RiderCase { "4\t45\tMARTIN\tLuc", ImportedPerson { "45", "Luc", "MARTIN", 0 } },
        // A start-list name after the horse's identifier.
        RiderCase {
            "7 QUARTZ DU BOIS 12345678A DUPONT Jean Marc", ImportedPerson { "7", "Jean Marc", "DUPONT", 0 } },
        RiderCase { "7 12345678A DUPONT Marie", ImportedPerson { "7", "Marie", "DUPONT", 0 } },
        // A digit after the name: the whole body is read family first.
        RiderCase { "7 12345678A DUPONT Marie 2", ImportedPerson { "7", "DUPONT Marie", "12345678A", 0 } },
        RiderCase { "8 12345678A E DUPONT", ImportedPerson { "8", "E DUPONT", "12345678A", 0 } },
        RiderCase { "12345 DUPONT", std::nullopt }, RiderCase { "DUPONT 12", std::nullopt },
        RiderCase { "12", std::nullopt }, RiderCase { "Page 3 sur 4", std::nullopt }));

TEST(PdfLineGrammar, listingNameShape)
{
    EXPECT_TRUE(P::looksLikeListingName("DUPONT Jean-Marc"));
    EXPECT_TRUE(P::looksLikeListingName(" D’ARTOIS Zoé* "));
    EXPECT_FALSE(P::looksLikeListingName("DUPONT"));
    EXPECT_FALSE(P::looksLikeListingName("A B C D E F G"));
    EXPECT_FALSE(P::looksLikeListingName("DUPONT 2"));
    EXPECT_FALSE(P::looksLikeListingName("Prix 10 €"));
    EXPECT_FALSE(P::looksLikeListingName("DUPONT (FRA)"));
    EXPECT_FALSE(P::looksLikeListingName("DUPONT, Jean"));
    EXPECT_EQ(P::riderName("QUARTZ 12345678A J DUPONT"), std::nullopt);
}

TEST(PdfLineGrammar, runOnPagesAreCutAtDaysTitlesAndRiders)
{
    const QString text = "Samedi 12 juin Concours du club des cavaliers de la vallée Epreuve 1 Vitesse "
                         "préparatoire dimanche 12 DUPONT Jean 13 MARTIN Luc 14\nDURAND Paul";
    ASSERT_GT(text.size(), 80);
    EXPECT_EQ(P::pageLines(text),
        QStringList({ "Samedi 12 juin Concours du club des cavaliers de la vallée", "Epreuve 1 Vitesse",
            "préparatoire", "dimanche 12 DUPONT Jean 13 MARTIN Luc", "14 DURAND Paul" }));
    // Three lines or more are never run-on text.
    EXPECT_EQ(P::pageLines(text + "\nfin").size(), 3);
    EXPECT_EQ(P::pageLines("Samedi\r\n\r\n 12\u00a0DUPONT Jean \r13 MARTIN Luc"),
        QStringList({ "Samedi", "12 DUPONT Jean", "13 MARTIN Luc" }));
    // A line end between two lines of run-on text only cuts words.
    EXPECT_EQ(
        P::pageLines("Samedi 14 juin Concours d’été du Club Hippique de la Vallée Épreuve 3 Grand Prix\n"
                     "Luc Épreuve 4 Vitesse"),
        QStringList({ "Samedi 14 juin Concours d’été du Club Hippique de la Vallée",
            "Épreuve 3 Grand Prix Luc", "Épreuve 4 Vitesse" }));
}

// The layout's runs of blanks: one blank in a title, day or heading line; a rider row keeps its
// columns.
TEST(PdfLineGrammar, paddedLinesReadWithSingleBlanks)
{
    EXPECT_EQ(P::pageLines("Samedi      14 juin\nPréparatoire 1,00 m" + QString(44, u' ')
                  + "08h00\n"
                    "21     PETIT Luc      Club\nDossard\t\tCavalier"),
        QStringList({ "Samedi 14 juin", "Préparatoire 1,00 m 08h00", "21     PETIT Luc      Club",
            "Dossard Cavalier" }));
    EXPECT_EQ(P::singleBlanks(u"\u2003a \t b\u00a0\u00a0c  "), " a b c ");
}

TEST(FederationListing, recognitionAndHeaders)
{
    EXPECT_TRUE(P::looksLikeFFEStartList("LISTE DE DÉPART\nOrdre Cheval NOM DU CAVALIER"));
    EXPECT_TRUE(P::looksLikeFFEStartList("Numéro SIRE  Nom du cavalier"));
    EXPECT_FALSE(P::looksLikeFFEStartList("Ordre  Cheval  Nom du cavalier"));
    EXPECT_EQ(P::competitionName("Résultats\nGrand National de Printemps - N° 45\n"),
        "Grand National de Printemps");
    EXPECT_EQ(P::competitionName("Liste de départ - N° 12\nGrand Prix - N° 3"), std::nullopt);
    EXPECT_EQ(P::competitionName("AB - no 4"), std::nullopt);
    EXPECT_EQ(
        P::ffeEventTitle("x\nEPREUVE 4 – Grand Prix Pro 2 - 38 engagés\n"), "Épreuve 4 - Grand Prix Pro 2");
    EXPECT_EQ(P::ffeEventTitle("Epreuve 4 - Grand Prix"), std::nullopt);
}

TEST(FederationListing, namesColumnRules)
{
    EXPECT_EQ(
        P::ffeRiders(QString("Titre\nDUPONT Jean\nNom du cavalier\nMARTIN Luc\nA AB1 12 1234567X\nPage 1/2\n"
                             "Catégorie Club\nÉquipe de France\nLEROY Anne Sophie\n12 rue\nORDRE de passage\n"
                             "DURAND Paul\nBERNARD Zoé\nP A 12 7654321Y\nRemarque libre\nEpreuve 2")),
        QStringList({ "MARTIN Luc", "LEROY Anne Sophie", "BERNARD Zoé" }));
}
