// JSON forms of the workspace records.
#include "WorkspaceTestSupport.h"

#include "library/QuavelJSON.h"
#include "workspace/OrganizerHistoryEntry.h"
#include "workspace/OrganizerReport.h"
#include "workspace/SpreadsheetMacSettings.h"

#include <gtest/gtest.h>

using namespace quavel;
using Json = QuavelJSON::Json;

namespace {

const QUuid rowID("{8c5a3f3e-1111-4222-8333-444455556666}");

SpreadsheetMacSettings full()
{
    SpreadsheetMacSettings s;
    s.importBookmark = QByteArray("\x01\x02", 2);
    s.importName = "i";
    s.importCopyName = "c";
    s.sourceBookmark = QByteArray("src");
    s.sourceName = "Shoot";
    s.destinationBookmark = QByteArray("dst");
    s.destinationName = "Tri";
    s.selectedDayName = "Samedi";
    s.selectedEventID = "Samedi|3";
    s.customEventName = "x";
    s.manualRiders.insert("12", { " Dupont", "" });
    s.isCompleted = true;
    s.rememberedTransfers.insert(rowID, { { "a.jpg", "b.jpg" }, "1 → avant 3" });
    return s;
}

} // namespace

TEST(SpreadsheetMacSettings, RoundTripsAndWritesOnlyPresentOptionals)
{
    const SpreadsheetMacSettings s = full();
    EXPECT_EQ(SpreadsheetMacSettings::fromJson(QuavelJSON::parse(QuavelJSON::encode(s.toJson()))), s);
    const Json json = s.toJson();
    EXPECT_TRUE(json["rememberedTransfers"].contains("8C5A3F3E-1111-4222-8333-444455556666"));
    EXPECT_EQ(json["sourceBookmark"], "c3Jj");

    const Json empty = SpreadsheetMacSettings().toJson();
    EXPECT_EQ(empty,
        (Json { { "manualRiders", Json::object() }, { "isCompleted", false },
            { "rememberedTransfers", Json::object() } }));
    EXPECT_EQ(SpreadsheetMacSettings::fromJson(Json::object()), SpreadsheetMacSettings());
}

TEST(SpreadsheetMacSettings, ReadsTheAlternatingTableForm)
{
    const Json json = Json::parse(R"({"rememberedTransfers": ["8c5a3f3e-1111-4222-8333-444455556666",
        {"fileNames": ["a.jpg", "b.jpg"], "rangeLabel": "1 → avant 3"}]})");
    EXPECT_EQ(SpreadsheetMacSettings::fromJson(json).rememberedTransfers, full().rememberedTransfers);
}

class SpreadsheetMacSettingsRejects : public ::testing::TestWithParam<const char*>
{
};

TEST_P(SpreadsheetMacSettingsRejects, BadValues)
{
    EXPECT_THROW(SpreadsheetMacSettings::fromJson(Json::parse(GetParam())), QuavelJSON::DecodingError);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpreadsheetMacSettingsRejects,
    ::testing::Values(R"({"isCompleted": 1})", R"({"sourceName": 3})",
        R"({"manualRiders": {"1": {"lastName": "A"}}})",
        R"({"rememberedTransfers": {"not-a-uuid": {"fileNames": [], "rangeLabel": ""}}})",
        R"({"rememberedTransfers": {"8c5a3f3e-1111-4222-8333-444455556666": {"fileNames": []}}})",
        R"({"rememberedTransfers": ["8c5a3f3e-1111-4222-8333-444455556666"]})", R"([])"));

TEST(RememberedPhotoTransfer, PhotosLabel)
{
    EXPECT_EQ((RememberedPhotoTransfer { {}, "x" }).photosLabel(), "—");
    EXPECT_EQ((RememberedPhotoTransfer { { "a" }, "0001 → fin du dossier" }).photosLabel(),
        "1 fichier · 0001 → fin du dossier");
    EXPECT_EQ((RememberedPhotoTransfer { { "a", "b" }, "r" }).photosLabel(), "2 fichiers · r");
}

TEST(OrganizerHistoryEntry, RequiresEveryKey)
{
    const OrganizerHistoryEntry entry { QUuid::createUuid(), QUuid::createUuid(), "T",
        QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC), "h", { "m1", "m2" } };
    const Json json = entry.toJson();
    EXPECT_EQ(OrganizerHistoryEntry::fromJson(json), entry);
    for (const char* key : { "id", "spreadsheetID", "spreadsheetTitle", "date", "headline", "messages" }) {
        Json missing = json;
        missing.erase(key);
        EXPECT_THROW(OrganizerHistoryEntry::fromJson(missing), QuavelJSON::DecodingError) << key;
    }
}

TEST(OrganizerReport, DefaultHeadline)
{
    EXPECT_EQ(OrganizerReport().defaultHeadline(), "0 dossier · 0 photo copiée");
    EXPECT_EQ((OrganizerReport { 1, 1, 0, {}, {} }).defaultHeadline(), "1 dossier · 1 photo copiée");
    EXPECT_EQ((OrganizerReport { 12, 3, 0, {}, {} }).defaultHeadline(), "3 dossiers · 12 photos copiées");
    EXPECT_EQ((OrganizerReport { 12, 3, 0, {}, QString("Fait") }).defaultHeadline(), "Fait");
}
