#include "LibraryTestSupport.h"

#include "library/PersistedUIState.h"
#include "library/QuavelJSON.h"
#include "library/QuavelTransferPackage.h"
#include "library/SyncEnvelope.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;
using QuavelJSON::Json;

namespace {

LibrarySnapshot sample()
{
    LibrarySnapshot s;
    s.updatedAt = at("2026-06-02T10:00:00.250Z");
    s.days = { day("d1", "Samedi", 0) };
    s.spreadsheets = { sheet(
        "51", "d1", "Épreuve 1", "2026-06-02T09:00:00Z", { row("e1", "0042", "12"), row("e2", "") }) };
    return s;
}

// One change to a valid library document and whether the document still decodes.
struct Mutation
{
    const char* name;
    const char* pointer; // JSON pointer of the value changed
    enum { Remove, Null, Replace } kind;
    const char* replacement; // JSON text, for Replace
    bool decodes;
};

void PrintTo(const Mutation& m, std::ostream* os)
{
    *os << m.name;
}

class LibraryDecoding : public ::testing::TestWithParam<Mutation>
{
};

} // namespace

TEST_P(LibraryDecoding, anyBadValueFailsTheWholeDocument)
{
    const Mutation& m = GetParam();
    Json doc = sample().toJson();
    const Json::json_pointer pointer(m.pointer);
    switch (m.kind) {
    case Mutation::Remove:
        doc[pointer.parent_pointer()].erase(pointer.back());
        break;
    case Mutation::Null:
        doc[pointer] = nullptr;
        break;
    case Mutation::Replace:
        doc[pointer] = Json::parse(m.replacement);
        break;
    }
    if (m.decodes) {
        EXPECT_NO_THROW(LibrarySnapshot::fromJson(doc));
    } else {
        EXPECT_THROW(LibrarySnapshot::fromJson(doc), QuavelJSON::DecodingError);
    }
}

INSTANTIATE_TEST_SUITE_P(Mutations, LibraryDecoding,
    ::testing::Values(Mutation { "untouched", "/version", Mutation::Replace, "1", true },
        Mutation { "anyVersion", "/version", Mutation::Replace, "99", true },
        Mutation { "extraKey", "/spreadsheets/0/colour", Mutation::Replace, "\"red\"", true },
        Mutation { "missingIsOpen", "/spreadsheets/0/isOpen", Mutation::Remove, nullptr, false },
        Mutation { "missingAssignedNumber", "/spreadsheets/0/rows/1/assignedNumber", Mutation::Remove,
            nullptr, false },
        Mutation { "missingVersion", "/version", Mutation::Remove, nullptr, false },
        Mutation { "missingDays", "/days", Mutation::Remove, nullptr, false },
        Mutation { "nullName", "/days/0/name", Mutation::Null, nullptr, false },
        Mutation { "nullRows", "/spreadsheets/0/rows", Mutation::Null, nullptr, false },
        Mutation { "fractionalSortIndex", "/days/0/sortIndex", Mutation::Replace, "1.5", false },
        Mutation { "textSortIndex", "/days/0/sortIndex", Mutation::Replace, "\"1\"", false },
        Mutation { "integralFloatSortIndex", "/days/0/sortIndex", Mutation::Replace, "3.0", true },
        Mutation { "numberTitle", "/spreadsheets/0/title", Mutation::Replace, "12", false },
        Mutation { "numberIsOpen", "/spreadsheets/0/isOpen", Mutation::Replace, "1", false },
        Mutation { "badUuid", "/spreadsheets/0/rows/0/id", Mutation::Replace, "\"not-an-id\"", false },
        Mutation { "lowerCaseUuid", "/days/0/id", Mutation::Replace,
            "\"6ba7b810-9dad-11d1-80b4-00c04fd430c8\"", true },
        Mutation { "dateOnly", "/spreadsheets/0/updatedAt", Mutation::Replace, "\"2026-06-02\"", false },
        Mutation { "secondPrecisionDate", "/updatedAt", Mutation::Replace, "\"2026-06-02T10:00:00Z\"", true },
        Mutation { "rowsNotAList", "/spreadsheets/0/rows", Mutation::Replace, "{}", false },
        Mutation { "rowNotAnObject", "/spreadsheets/0/rows/0", Mutation::Replace, "\"0042\"", false },
        Mutation { "trimmingNotApplied", "/spreadsheets/0/rows/0/photoNumber", Mutation::Replace, "\" 42 \"",
            true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Records, encodeAndDecodeKeepEveryFieldAndTextUnchanged)
{
    LibrarySnapshot s = sample();
    s.spreadsheets[0].rows[0].photoNumber = QStringLiteral(" 42\n");
    s.spreadsheets[0].isOpen = false;
    const LibrarySnapshot back = LibrarySnapshot::fromJson(QuavelJSON::parse(s.encoded()));
    EXPECT_EQ(back, s);
    EXPECT_EQ(back.spreadsheets[0].rows[0].photoNumber, " 42\n");
    // A document that is not an object at all.
    EXPECT_THROW(LibrarySnapshot::fromJson(Json::array()), QuavelJSON::DecodingError);
}

TEST(Records, blankAndFilledRows)
{
    struct Case
    {
        const char16_t* photo;
        const char16_t* assigned;
        bool blank;
        bool filled;
    };
    const Case cases[] = {
        { u"", u"", true, false }, { u" 42 ", u"", false, true },
        { u"\n", u"", true, true }, // line breaks are not trimmed when counting
        { u" \t\u00A0", u"\r\n", true, false }, { u"", u"12", false, false }, { u"\u2028", u"", true, true },
        { u"\u200B", u"", false, true }, // a zero-width space is not white space
    };
    SpreadsheetRecord s;
    qsizetype expectedFilled = 0;
    for (const Case& c : cases) {
        const RowRecord r { QUuid::createUuid(), QString::fromUtf16(c.photo),
            QString::fromUtf16(c.assigned) };
        EXPECT_EQ(r.isBlank(), c.blank) << QString::fromUtf16(c.photo).toStdString();
        SpreadsheetRecord one;
        one.rows = { r };
        EXPECT_EQ(one.filledRowCount(), c.filled ? 1 : 0) << QString::fromUtf16(c.photo).toStdString();
        s.rows.append(r);
        expectedFilled += c.filled;
    }
    EXPECT_EQ(s.filledRowCount(), expectedFilled);
    const RowRecord blank = RowRecord::blank();
    EXPECT_TRUE(blank.isBlank());
    EXPECT_NE(blank.id, RowRecord::blank().id);
}

TEST(Records, lookupsAndOrders)
{
    LibrarySnapshot s;
    s.days = { day("1", "first", 5, "2026-06-01T08:00:00Z"), day("2", "newer", 5, "2026-06-03T08:00:00Z"),
        day("1", "duplicate", 0), day("3", "low", -2) };
    EXPECT_EQ(s.day(uid("1"))->name, "first");
    EXPECT_FALSE(s.day(uid("9")));
    QStringList order;
    for (const DayRecord& d : s.sortedDays())
        order << d.name;
    EXPECT_EQ(order, (QStringList { "low", "duplicate", "newer", "first" }));

    SpreadsheetRecord a = sheet("a", "1", "a", "2026-06-01T08:00:00Z", {});
    SpreadsheetRecord b = sheet("b", "1", "b", "2026-06-01T08:00:00Z", {});
    SpreadsheetRecord c = sheet("c", "1", "c", "2026-06-01T08:00:00Z", {});
    SpreadsheetRecord other = sheet("f0", "2", "o", "2026-06-01T08:00:00Z", {});
    c.createdAt = at("2026-06-05T08:00:00Z");
    s.spreadsheets = { a, other, b, c };
    QStringList titles;
    for (const SpreadsheetRecord& x : s.spreadsheetsIn(uid("1")))
        titles << x.title;
    EXPECT_EQ(titles, (QStringList { "c", "a", "b" })); // newest first, ties in list order
    EXPECT_TRUE(s.spreadsheetsIn(uid("9")).isEmpty());
    EXPECT_EQ(s.spreadsheet(uid("b"))->title, "b");
}

TEST(Records, envelopeOptionalFieldsAreLeftOut)
{
    SyncEnvelope hello { SyncEnvelopeKind::hello, QStringLiteral("mac"), std::nullopt, std::nullopt };
    const Json json = QuavelJSON::parse(QuavelJSON::encode(hello.toJson()));
    EXPECT_EQ(json, (Json { { "kind", "hello" }, { "platform", "mac" } }));

    SyncEnvelope library { SyncEnvelopeKind::library, QStringLiteral("ios"), sample(),
        QStringLiteral("iPhone de Léa") };
    const SyncEnvelope back = SyncEnvelope::fromJson(QuavelJSON::parse(QuavelJSON::encode(library.toJson())));
    EXPECT_EQ(back.kind, SyncEnvelopeKind::library);
    EXPECT_EQ(back.snapshot, sample());
    EXPECT_EQ(back.peerName, "iPhone de Léa");

    const SyncEnvelope nulls = SyncEnvelope::fromJson(Json { { "kind", "requestLibrary" },
        { "platform", "mac" }, { "snapshot", nullptr }, { "peerName", nullptr } });
    EXPECT_EQ(nulls.kind, SyncEnvelopeKind::requestLibrary);
    EXPECT_FALSE(nulls.snapshot);
    EXPECT_FALSE(nulls.peerName);

    for (const Json& bad :
        { Json { { "kind", "Library" }, { "platform", "mac" } }, Json { { "kind", "hello" } },
            Json { { "kind", "hello" }, { "platform", "mac" }, { "peerName", 3 } },
            Json { { "kind", "library" }, { "platform", "mac" }, { "snapshot", Json::object() } } })
        EXPECT_THROW(SyncEnvelope::fromJson(bad), QuavelJSON::DecodingError) << bad.dump();
}

TEST(Records, uiStateWritesOnlyWhatItHolds)
{
    EXPECT_EQ(QuavelJSON::encode(PersistedUIState {}.toJson()), "{\n  \"syncedSpreadsheetIDs\": []\n}");
    EXPECT_EQ(PersistedUIState::fromJson(Json::object()), PersistedUIState {});
    const PersistedUIState nulls = PersistedUIState::fromJson(
        Json { { "selectedDayID", nullptr }, { "syncedSpreadsheetIDs", nullptr }, { "other", 1 } });
    EXPECT_EQ(nulls, PersistedUIState {});

    const PersistedUIState state { uid("1"), std::nullopt, { uid("2"), uid("2") } };
    const Json json = QuavelJSON::parse(QuavelJSON::encode(state.toJson()));
    EXPECT_EQ(json,
        (Json { { "selectedDayID", "00000000-0000-0000-0000-000000000001" },
            { "syncedSpreadsheetIDs",
                { "00000000-0000-0000-0000-000000000002", "00000000-0000-0000-0000-000000000002" } } }));
    EXPECT_EQ(PersistedUIState::fromJson(json), state);

    for (const Json& bad : { Json { { "selectedDayID", 1 } }, Json { { "syncedSpreadsheetIDs", "x" } },
             Json { { "syncedSpreadsheetIDs", { nullptr } } }, Json::array() })
        EXPECT_THROW(PersistedUIState::fromJson(bad), QuavelJSON::DecodingError) << bad.dump();
}

TEST(Records, transferPackageRequiresEveryKey)
{
    QuavelTransferPackage p { 1, QuavelTransferPackage::Kind::spreadsheet, day("d", "Dimanche", 3), {} };
    const Json json = p.toJson();
    EXPECT_EQ(QuavelTransferPackage::fromJson(json), p);
    Json v99 = json;
    v99["formatVersion"] = 99;
    EXPECT_EQ(QuavelTransferPackage::fromJson(v99).formatVersion, 99);
    for (const char* key : { "formatVersion", "kind", "day", "spreadsheets" }) {
        Json missing = json;
        missing.erase(key);
        EXPECT_THROW(QuavelTransferPackage::fromJson(missing), QuavelJSON::DecodingError) << key;
    }
    Json badKind = json;
    badKind["kind"] = "library";
    EXPECT_THROW(QuavelTransferPackage::fromJson(badKind), QuavelJSON::DecodingError);
}
