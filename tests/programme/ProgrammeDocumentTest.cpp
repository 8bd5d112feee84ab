#include "programme/ProgrammeDocument.h"
#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportError.h"

#include "ProgrammeTestSupport.h"
#include "library/QuavelJSON.h"

#include <gtest/gtest.h>

using namespace quavel;

namespace {

ImportedPerson rider(const QString& number, const QString& last = "DUPONT", const QString& first = "Jean")
{
    return ImportedPerson { number, first, last, 0 };
}

ProgrammeDocument sample()
{
    ProgrammeDocument doc;
    doc.sourceName = "Engagés été.xlsx";
    doc.days = { { "Samedi",
                     { { "Samedi|Epreuve 3", "Epreuve 3 (1,20 m)",
                           { { "12", "Marie-Laure", "DE LA TOUR", 4 }, { "7", "", "MARTIN", -1 } } },
                         { "Samedi|Vide", "Vide", {} } } },
        { "Programme", {} } };
    return doc;
}

} // namespace

TEST(ProgrammeDocument, writtenAndReadBackCompareEqual)
{
    const ProgrammeDocument doc = sample();
    EXPECT_EQ(ProgrammeDocument::decode(doc.encoded()), doc);
}

TEST(ProgrammeDocument, jsonUsesTheFieldNamesWithSortedKeys)
{
    const QByteArray text = sample().encoded();
    EXPECT_TRUE(text.startsWith("{\n  \"days\": [")) << text.constData();
    const auto json = QuavelJSON::parse(text);
    const auto& person = json["days"][0]["events"][0]["people"][0];
    EXPECT_EQ(person["canonicalNumber"], "12");
    EXPECT_TRUE(person["sourceLine"].is_number_integer());
    EXPECT_EQ(json["sourceName"], "Engagés été.xlsx");
}

// Every key is required and typed: a document missing one is unreadable as a whole.
class ProgrammeDocumentBrokenJson : public testing::TestWithParam<const char*>
{
};

TEST_P(ProgrammeDocumentBrokenJson, isRejected)
{
    EXPECT_THROW(ProgrammeDocument::decode(GetParam()), QuavelJSON::DecodingError);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgrammeDocumentBrokenJson,
    testing::Values(R"({"days": []})", R"({"sourceName": "a"})", R"({"sourceName": 1, "days": []})",
        R"({"sourceName": "a", "days": [{"name": "S"}]})",
        R"({"sourceName": "a", "days": [{"name": "S", "events": [{"id": "x", "title": "t"}]}]})",
        R"({"sourceName": "a", "days": [{"name": "S", "events": [{"id": "x", "title": "t", "people": [
            {"canonicalNumber": "1", "firstName": "", "lastName": "A", "sourceLine": 1.5}]}]}]})",
        R"({"sourceName": "a", "days": [{"name": "S", "events": [{"id": "x", "title": "t", "people": [
            {"canonicalNumber": "1", "firstName": "", "sourceLine": 1}]}]}]})",
        R"({"sourceName": "a", "days": [3]})", R"({"sourceName": "a", "days": {}})", "[]", "{",
        R"({"sourceName": null, "days": []})"),
    [](const testing::TestParamInfo<const char*>& info) { return std::to_string(info.index); });

TEST(ImportError, frenchTexts)
{
    EXPECT_EQ(ImportError::unreadable().message(), "Impossible de lire ce fichier type.");
    EXPECT_EQ(ImportError::noWebProgramme().message(),
        "Cette page ne contient pas de programme exploitable. Ouvrez un concours ou une liste de départ.");
    const ImportError web = ImportError::webImportFailed("La page n’a pas répondu.");
    EXPECT_EQ(web.message(), "La page n’a pas répondu.");
    EXPECT_EQ(web.kind(), ImportError::Kind::WebImportFailed);
}

TEST(UniquePeople, keepsTheFirstRiderOfEachNumberOrderedByValue)
{
    // An 18-digit full-width bib once overflowed the plain reader (found by the worksheet fuzzer).
    const QString fullWidth(18, QChar(0xFF19));
    const QList<ImportedPerson> in { rider("10"), rider("9", "PREMIER"), rider("9", "SECOND"), rider("abc"),
        rider("-3"), rider("+4"), rider("100"), rider("99999999999999999999"), rider(fullWidth),
        rider("999999999999999999") };
    const auto out = ExcelProgrammeParser::uniquePeople(in);
    // Texts that are not a plain integer (abc, the overflowing one, full-width digits) count as 0 and
    // keep their order.
    EXPECT_EQ(numbers(out),
        QStringList({ "-3", "abc", "99999999999999999999", fullWidth, "+4", "9", "10", "100",
            "999999999999999999" }));
    EXPECT_EQ(out[5].lastName, "PREMIER");
    EXPECT_TRUE(ExcelProgrammeParser::uniquePeople({}).isEmpty());
}

TEST(MergeDays, addsNewClassesAndNewRidersWithoutReordering)
{
    QList<ProgrammeDay> accumulated { { "Samedi", { { "Samedi|B", "B", { rider("20"), rider("5") } } } },
        { "Dimanche", {} } };
    const QList<ProgrammeDay> incoming {
        { "Samedi",
            { { "Samedi|A", "A", { rider("1") } },
                { "other-id", "B", { rider("3"), rider("20", "AUTRE"), rider("3", "BIS") } } } },
        { "samedi", { { "samedi|B", "B", {} } } }
    };
    ExcelProgrammeParser::merge(incoming, accumulated);

    ASSERT_EQ(accumulated.size(), 3);
    EXPECT_EQ(accumulated[0].name, "Samedi");
    EXPECT_EQ(accumulated[1].name, "Dimanche");
    // Accents and case make a different day.
    EXPECT_EQ(accumulated[2].name, "samedi");
    const auto& events = accumulated[0].events;
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].id, "Samedi|B");
    EXPECT_EQ(numbers(events[0].people), QStringList({ "3", "5", "20" }));
    EXPECT_EQ(events[0].people[2].lastName, "DUPONT");
    EXPECT_EQ(events[0].people[0].lastName, "DUPONT");
    EXPECT_EQ(events[1].title, "A");
}
