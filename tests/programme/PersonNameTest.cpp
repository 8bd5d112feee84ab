#include "programme/PersonName.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;
using PersonName::Split;

namespace {

struct SplitCase
{
    const char* text;
    const char* first;
    const char* last;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.text;
}

class FamilyFirst : public testing::TestWithParam<SplitCase>
{
};
class ListingOrder : public testing::TestWithParam<SplitCase>
{
};
class WebsiteOrder : public testing::TestWithParam<SplitCase>
{
};

} // namespace

TEST_P(FamilyFirst, splits)
{
    const auto& c = GetParam();
    EXPECT_EQ(PersonName::splitFamilyAndGiven(QString::fromUtf8(c.text)),
        (Split { QString::fromUtf8(c.first), QString::fromUtf8(c.last) }));
}

INSTANTIATE_TEST_SUITE_P(Names, FamilyFirst,
    testing::Values(SplitCase { "DUPONT Jean", "Jean", "DUPONT" },
        SplitCase { "DE LA TOUR Marie Anne", "Marie Anne", "DE LA TOUR" },
        SplitCase { "MARTIN Jean Pierre Paul", "Jean Pierre", "MARTIN" },
        SplitCase { "MARTIN Jean Eric Paul", "Jean", "MARTIN" },
        SplitCase { "Le Goff Yann", "Yann", "Le Goff" }, SplitCase { "  DUPONT ", "", "DUPONT" },
        SplitCase { "DE LA", "", "DE LA" },
        // Particles compare folded and without their apostrophe; compound seconds compare folded.
        SplitCase { "D’ARTOIS Rémi", "Rémi", "D’ARTOIS" },
        SplitCase { "d' Estaing Valéry", "Valéry", "d' Estaing" },
        SplitCase { "ROUX Jean François Xavier", "Jean François", "ROUX" },
        SplitCase { "DUPONT\u00a0Jean\tMarc", "Jean Marc", "DUPONT" }));

TEST_P(ListingOrder, splits)
{
    const auto& c = GetParam();
    EXPECT_EQ(PersonName::splitListingRider(QString::fromUtf8(c.text)),
        (Split { QString::fromUtf8(c.first), QString::fromUtf8(c.last) }));
}

INSTANTIATE_TEST_SUITE_P(Names, ListingOrder,
    testing::Values(SplitCase { "DUPONT Jean Marc", "Jean Marc", "DUPONT" },
        SplitCase { "DUPONT Jean Eric", "Eric", "DUPONT Jean" }, SplitCase { "Jean Marc", "Marc", "Jean" },
        SplitCase { "DUPONT Marie-Pierre", "Marie-Pierre", "DUPONT" },
        SplitCase { "DE LA TOUR JEAN FRANÇOIS", "JEAN FRANÇOIS", "DE LA TOUR" },
        SplitCase { "SOLO", "", "SOLO" }));

TEST_P(WebsiteOrder, splits)
{
    const auto& c = GetParam();
    EXPECT_EQ(PersonName::splitWebsiteRider(QString::fromUtf8(c.text)),
        (Split { QString::fromUtf8(c.first), QString::fromUtf8(c.last) }));
}

INSTANTIATE_TEST_SUITE_P(Names, WebsiteOrder,
    testing::Values(SplitCase { "Jean DUPONT", "Jean", "DUPONT" },
        SplitCase { "Marie Anne DE LA TOUR", "Marie Anne", "DE LA TOUR" },
        SplitCase { "DUPONT Jean", "Jean", "DUPONT" }, SplitCase { "DUPONT DURAND", "DUPONT", "DURAND" },
        SplitCase { "Jean Pierre Dupont", "Jean Pierre", "Dupont" }, SplitCase { "Jean D", "Jean", "D" },
        // Capitals with accents are still capitals.
        SplitCase { "Élodie LEFÈVRE DUPONT", "Élodie", "LEFÈVRE DUPONT" }));

TEST(PersonName, familyTokens)
{
    EXPECT_TRUE(PersonName::isFamilyToken(u"DUPONT"));
    EXPECT_TRUE(PersonName::isFamilyToken(u"O'NEIL"));
    EXPECT_FALSE(PersonName::isFamilyToken(u"D"));
    EXPECT_FALSE(PersonName::isFamilyToken(u"D'"));
    EXPECT_FALSE(PersonName::isFamilyToken(u"Dupont"));
}

TEST(PersonName, columnCells)
{
    EXPECT_EQ(
        PersonName::columnCells(u" 12\t\tDUPONT \tJean\n"), QStringList({ "12", "", "DUPONT", "Jean" }));
    EXPECT_EQ(PersonName::columnCells(u"12  DUPONT Jean"), std::nullopt);
    EXPECT_EQ(
        PersonName::columnCells(u"  3   125    DUPONT Marie  "), QStringList({ "3", "125", "DUPONT Marie" }));
}

namespace {

struct RowCase
{
    QStringList row;
    qsizetype number;
    std::optional<qsizetype> last, first, full;
    std::optional<ImportedPerson> expected;
};

class RowReader : public testing::TestWithParam<RowCase>
{
};

} // namespace

TEST_P(RowReader, readsTheRider)
{
    const auto& c = GetParam();
    EXPECT_EQ(PersonName::person(c.row, c.number, c.last, c.first, c.full, 9), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RowReader,
    testing::Values(
        // Start order then bib: the bib is the second number.
        RowCase {
            { "1", "245", "DUPONT", "Jean" }, 0, 2, 3, {}, ImportedPerson { "245", "Jean", "DUPONT", 9 } },
        RowCase { { "12", "DUPONT", "Jean" }, 0, 1, 2, {}, ImportedPerson { "12", "Jean", "DUPONT", 9 } },
        RowCase { { "7", "DUPONT Jean" }, 0, {}, {}, 1, ImportedPerson { "7", "Jean", "DUPONT", 9 } },
        // No header: names from the cells after the bib.
        RowCase { { "12", "DE LA TOUR Marie Anne" }, 0, {}, {}, {},
            ImportedPerson { "12", "Marie Anne", "DE LA TOUR", 9 } },
        RowCase {
            { " 012 ", " DUPONT ", " Jean " }, 0, {}, {}, {}, ImportedPerson { "12", "Jean", "DUPONT", 9 } },
        // An empty full-name cell falls back to the name columns.
        RowCase { { "5", "", "MARTIN", "Luc" }, 0, 2, 3, 1, ImportedPerson { "5", "Luc", "MARTIN", 9 } },
        // A number column past the row is clamped to its last cell.
        RowCase { { "DUPONT", "8" }, 7, {}, {}, {}, std::nullopt },
        RowCase { { "Nom", "Prénom" }, 0, 0, 1, {}, std::nullopt },
        RowCase { { "12", " ", "" }, 0, 1, 2, {}, std::nullopt }, RowCase { {}, 0, {}, {}, {}, std::nullopt },
        RowCase { { "Dossard", "Nom", "Prénom" }, 0, 1, 2, {}, std::nullopt },
        // A negative or out-of-range name column reads as an empty cell.
        RowCase { { "3", "DURAND" }, 0, -4, 9, {}, std::nullopt },
        RowCase { { "3", "DURAND" }, -2, {}, {}, 5, ImportedPerson { "3", "", "DURAND", 9 } }));
