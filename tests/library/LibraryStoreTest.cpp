#include "LibraryTestSupport.h"

#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "library/QuavelJSON.h"
#include "library/QuavelTheme.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace quavel;
using namespace quavel::test;

namespace {

class LibraryStoreTest : public ::testing::Test
{
protected:
    LibraryStoreTest()
        : m_folder(m_dir.file("QUAVEL"))
    {
        QDir().mkpath(m_folder);
        m_defaults = std::make_unique<UserDefaults>(m_dir.file("config/defaults.json"));
        m_writes = std::make_unique<ReplaceCounter>(m_folder);
    }

    std::unique_ptr<LibraryStore> open() { return std::make_unique<LibraryStore>(m_folder, *m_defaults); }
    QString file(const QString& name) const { return m_folder + u'/' + name; }
    void put(const QString& name, const QByteArray& bytes) { m_dir.write("QUAVEL/" + name, bytes); }
    int libraryWrites() { return m_writes->count("library.json"); }
    int uiStateWrites() { return m_writes->count("ui-state.json"); }
    LibrarySnapshot onDisk() const
    {
        return LibrarySnapshot::fromJson(QuavelJSON::parse(readFile(file("library.json"))));
    }
    PersistedUIState uiStateOnDisk() const
    {
        return PersistedUIState::fromJson(QuavelJSON::parse(readFile(file("ui-state.json"))));
    }
    QStringList setAside(const QString& name) const
    {
        return QDir(m_folder).entryList({ name + ".unreadable-*" }, QDir::Files);
    }

    TempFolder m_dir;
    QString m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<ReplaceCounter> m_writes;
};

} // namespace

TEST_F(LibraryStoreTest, firstStartIsEmptyAndWritesNothingUntilTheFirstSave)
{
    auto store = open();
    EXPECT_EQ(store->snapshot().version, 1);
    EXPECT_TRUE(store->snapshot().days.isEmpty());
    EXPECT_TRUE(store->snapshot().updatedAt.isValid());
    EXPECT_EQ(store->uiState(), PersistedUIState {});
    EXPECT_EQ(store->appearance(), AppearancePreference::system);
    EXPECT_TRUE(QDir(m_folder).isEmpty());

    store->flush();
    EXPECT_EQ(libraryWrites(), 1);
    EXPECT_EQ(uiStateWrites(), 1);
    EXPECT_EQ(onDisk().version, 1);
}

TEST_F(LibraryStoreTest, aLibraryWithSecondPrecisionDatesLoads)
{
    put("library.json", R"({"version": 3, "updatedAt": "2026-06-01T08:00:00Z", "days": [
        {"id": "00000000-0000-0000-0000-0000000000D1", "name": "Samedi", "createdAt": "2026-06-01T08:00:00Z", "sortIndex": 4}],
        "spreadsheets": []})");
    auto store = open();
    ASSERT_EQ(store->snapshot().days.size(), 1);
    EXPECT_EQ(store->snapshot().days[0].name, "Samedi");
    EXPECT_EQ(store->snapshot().version, 3); // kept as read, written as 1
    store->flush();
    EXPECT_EQ(onDisk().version, 1);
    EXPECT_TRUE(setAside("library.json").isEmpty());
}

TEST_F(LibraryStoreTest, anUndecodableLibraryIsSetAsideBeforeTheFirstSave)
{
    // Valid JSON that lacks a required key: nothing of it is read.
    const QByteArray broken = R"({"version": 1, "updatedAt": "2026-06-01T08:00:00Z", "days": [
        {"id": "00000000-0000-0000-0000-0000000000D1", "name": "Samedi", "createdAt": "2026-06-01T08:00:00Z"}],
        "spreadsheets": []})";
    put("library.json", broken);
    put("ui-state.json", "{\"selectedDayID\": 12}");
    {
        auto store = open();
        EXPECT_TRUE(store->snapshot().days.isEmpty());
        EXPECT_EQ(store->uiState(), PersistedUIState {});
        // Loading alone moves and writes nothing.
        EXPECT_EQ(readFile(file("library.json")), broken);
        EXPECT_TRUE(setAside("library.json").isEmpty());

        store->addDay(QStringLiteral("Dimanche"));
        const QStringList aside = setAside("library.json");
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(readFile(file(aside[0])), broken);
        EXPECT_EQ(onDisk().days.size(), 1);
        // ui-state.json is not written by that save, so it is still where it was.
        EXPECT_EQ(readFile(file("ui-state.json")), "{\"selectedDayID\": 12}");

        store->updateUIState(uid("1"), std::nullopt);
        ASSERT_EQ(setAside("ui-state.json").size(), 1);
        EXPECT_EQ(readFile(file(setAside("ui-state.json")[0])), "{\"selectedDayID\": 12}");
        EXPECT_EQ(uiStateOnDisk().selectedDayID, uid("1"));

        store->addDay(QStringLiteral("Lundi"));
    }
    // Once only, and the next start reads the new files.
    EXPECT_EQ(setAside("library.json").size(), 1);
    EXPECT_EQ(open()->snapshot().days.size(), 2);
}

TEST_F(LibraryStoreTest, garbageAndEmptyFilesAreSetAsideToo)
{
    put("library.json", QByteArray());
    put("ui-state.json", "\xff\xfe{");
    auto store = open();
    store->flush();
    EXPECT_EQ(setAside("library.json").size(), 1);
    EXPECT_EQ(setAside("ui-state.json").size(), 1);
    EXPECT_EQ(onDisk().days.size(), 0);
}

// A file nested past the limit is unreadable like any other: no crash at start or at the next save,
// the empty library, the file set aside once.
TEST_F(LibraryStoreTest, aTooDeeplyNestedLibraryIsSetAsideAndTheStartGoesOn)
{
    const QByteArray deep = QByteArray(200000, '[') + QByteArray(200000, ']');
    put("library.json", "{\"days\": " + deep + "}");
    put("ui-state.json", deep);
    auto store = open();
    EXPECT_TRUE(store->snapshot().days.isEmpty());
    store->addDay(QStringLiteral("Samedi"));
    store->updateUIState(uid("1"), std::nullopt);
    EXPECT_EQ(setAside("library.json").size(), 1);
    EXPECT_EQ(setAside("ui-state.json").size(), 1);
    EXPECT_EQ(onDisk().days.size(), 1);
    EXPECT_EQ(open()->snapshot().days.size(), 1);
}

TEST_F(LibraryStoreTest, addDayNamesAndPlacesTheDay)
{
    auto store = open();
    const DayRecord unnamed = store->addDay();
    EXPECT_EQ(unnamed.name, QuavelTheme::defaultDayName(unnamed.createdAt));
    EXPECT_EQ(unnamed.sortIndex, 0);
    const DayRecord blank = store->addDay(QStringLiteral(" \n\t"));
    EXPECT_EQ(blank.name, QuavelTheme::defaultDayName(blank.createdAt));
    const DayRecord named = store->addDay(QStringLiteral("  Grand Prix \n"));
    EXPECT_EQ(named.name, "Grand Prix");
    EXPECT_EQ(named.sortIndex, 2);
    EXPECT_EQ(libraryWrites(), 3);
    EXPECT_EQ(uiStateWrites(), 0);
    EXPECT_EQ(onDisk().days.size(), 3);
    EXPECT_EQ(onDisk().day(named.id), named);
}

TEST_F(LibraryStoreTest, sortIndexFollowsTheLargestAndSaturates)
{
    put("library.json",
        QuavelJSON::encode(LibrarySnapshot { 1, at("2026-06-01T08:00:00Z"),
            { day("1", "a", 0), day("2", "b", 5), day("3", "c", -9) },
            {} }.toJson()));
    EXPECT_EQ(open()->addDay(QStringLiteral("x")).sortIndex, 6);

    put("library.json",
        QuavelJSON::encode(LibrarySnapshot { 1, at("2026-06-01T08:00:00Z"),
            { day("1", "a", std::numeric_limits<qint64>::max()) },
            {} }.toJson()));
    auto store = open();
    EXPECT_EQ(store->addDay(QStringLiteral("x")).sortIndex, std::numeric_limits<qint64>::max());
    EXPECT_EQ(store->addDay(QStringLiteral("y")).sortIndex, std::numeric_limits<qint64>::max());
}

TEST_F(LibraryStoreTest, renamingTrimsAndUnknownIdsWriteNothing)
{
    auto store = open();
    const DayRecord d = store->addDay(QStringLiteral("Samedi"));
    const SpreadsheetRecord s = store->addSpreadsheet(d.id, QStringLiteral("Épreuve"));
    m_writes->reset();

    store->renameDay(uid("9"), QStringLiteral("x"));
    store->renameSpreadsheet(uid("9"), QStringLiteral("x"));
    EXPECT_EQ(libraryWrites(), 0);
    EXPECT_EQ(uiStateWrites(), 0);

    store->renameDay(d.id, QStringLiteral(" \n"));
    EXPECT_EQ(store->snapshot().day(d.id)->name, ""); // the store accepts an empty name
    store->renameSpreadsheet(s.id, QStringLiteral("  Grand Prix  "));
    EXPECT_EQ(store->snapshot().spreadsheet(s.id)->title, "Grand Prix");
    EXPECT_GE(store->snapshot().spreadsheet(s.id)->updatedAt, s.updatedAt);
    EXPECT_EQ(libraryWrites(), 2);
    EXPECT_EQ(uiStateWrites(), 1); // the spreadsheet rename dirties it
}

TEST_F(LibraryStoreTest, aNewSpreadsheetIsOpenWithOneBlankRow)
{
    auto store = open();
    const SpreadsheetRecord s = store->addSpreadsheet(uid("99"), QStringLiteral(" \t "));
    EXPECT_EQ(s.title, "Nouveau tableur");
    EXPECT_TRUE(s.isOpen);
    ASSERT_EQ(s.rows.size(), 1);
    EXPECT_TRUE(s.rows[0].isBlank());
    EXPECT_EQ(s.dayID, uid("99")); // no check that the day exists
    EXPECT_EQ(s.createdAt, s.updatedAt);
    EXPECT_EQ(libraryWrites(), 1);
    EXPECT_EQ(uiStateWrites(), 1);
    EXPECT_EQ(onDisk().spreadsheet(s.id), s);
}

TEST_F(LibraryStoreTest, fillingTheLastRowAppendsABlankRowInTheSameSave)
{
    auto store = open();
    const SpreadsheetRecord s = store->addSpreadsheet(uid("1"), QStringLiteral("Épreuve"));
    const QUuid first = s.rows[0].id;
    m_writes->reset();

    store->updateRow(s.id, first, QStringLiteral(" 0042 "), std::nullopt);
    const SpreadsheetRecord after = *store->snapshot().spreadsheet(s.id);
    ASSERT_EQ(after.rows.size(), 2);
    EXPECT_EQ(after.rows[0].photoNumber, " 0042 "); // stored unchanged
    EXPECT_EQ(after.rows[0].assignedNumber, "");
    EXPECT_TRUE(after.rows[1].isBlank());
    EXPECT_GE(after.updatedAt, s.updatedAt);
    EXPECT_EQ(libraryWrites(), 1);
    EXPECT_EQ(uiStateWrites(), 1);
    EXPECT_EQ(onDisk().spreadsheet(s.id), after);

    // Editing a row that is not last, or keeping the last one blank, saves once.
    m_writes->reset();
    store->updateRow(s.id, first, std::nullopt, QStringLiteral("12"));
    store->updateRow(s.id, after.rows[1].id, QStringLiteral(" "), std::nullopt);
    store->updateRow(s.id, after.rows[1].id, std::nullopt, std::nullopt);
    EXPECT_EQ(libraryWrites(), 3);
    EXPECT_EQ(store->snapshot().spreadsheet(s.id)->rows.size(), 2);

    // Unknown spreadsheet or row: nothing.
    m_writes->reset();
    store->updateRow(s.id, uid("77"), QStringLiteral("1"), std::nullopt);
    store->updateRow(uid("77"), first, QStringLiteral("1"), std::nullopt);
    EXPECT_EQ(libraryWrites(), 0);
    EXPECT_EQ(store->snapshot().spreadsheet(s.id)->rows[0].photoNumber, " 0042 ");
}

TEST_F(LibraryStoreTest, clearingTheOnlyRowAppendsNothing)
{
    auto store = open();
    const SpreadsheetRecord s = store->addSpreadsheet(uid("1"), QStringLiteral("x"));
    store->updateRow(s.id, s.rows[0].id, QStringLiteral("1"), QStringLiteral("2"));
    store->deleteRow(s.id, store->snapshot().spreadsheet(s.id)->rows[1].id);
    ASSERT_EQ(store->snapshot().spreadsheet(s.id)->rows.size(), 1);
    m_writes->reset();
    store->updateRow(s.id, s.rows[0].id, QString(), QStringLiteral("\n"));
    EXPECT_EQ(store->snapshot().spreadsheet(s.id)->rows.size(), 1);
    EXPECT_EQ(libraryWrites(), 1);
}

TEST_F(LibraryStoreTest, rowDeletionAndInsertion)
{
    auto store = open();
    const SpreadsheetRecord s = store->addSpreadsheet(uid("1"), QStringLiteral("x"));
    const QUuid only = s.rows[0].id;

    store->deleteRow(s.id, only);
    auto rows = store->snapshot().spreadsheet(s.id)->rows;
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].isBlank());
    EXPECT_NE(rows[0].id, only);

    store->updateRow(s.id, rows[0].id, QStringLiteral("10"), std::nullopt);
    const QUuid filled = rows[0].id;
    const QUuid trailing = store->snapshot().spreadsheet(s.id)->rows[1].id;
    store->deleteRow(s.id, trailing);
    rows = store->snapshot().spreadsheet(s.id)->rows;
    ASSERT_EQ(rows.size(), 1); // no blank row until the next edit
    EXPECT_EQ(rows[0].id, filled);

    const auto before = store->insertRow(s.id, filled, true);
    const auto after = store->insertRow(s.id, filled, false);
    ASSERT_TRUE(before && after);
    rows = store->snapshot().spreadsheet(s.id)->rows;
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].id, before->id);
    EXPECT_EQ(rows[1].id, filled);
    EXPECT_EQ(rows[2].id, after->id); // after the last row: at the end

    const auto added = store->addRow(s.id); // appended even below a blank row
    ASSERT_TRUE(added);
    EXPECT_EQ(store->snapshot().spreadsheet(s.id)->rows.last().id, added->id);
    EXPECT_EQ(store->snapshot().spreadsheet(s.id)->rows.size(), 4);

    m_writes->reset();
    EXPECT_FALSE(store->insertRow(s.id, uid("77"), true));
    EXPECT_FALSE(store->insertRow(uid("77"), filled, true));
    EXPECT_FALSE(store->addRow(uid("77")));
    store->deleteRow(uid("77"), filled);
    EXPECT_EQ(libraryWrites(), 0);
    store->deleteRow(s.id, uid("77")); // an unknown row still saves
    EXPECT_EQ(libraryWrites(), 1);
}

TEST_F(LibraryStoreTest, deletingADayDeletesItsSpreadsheetsAndLeavesTheSelection)
{
    auto store = open();
    const DayRecord d = store->addDay(QStringLiteral("Samedi"));
    const DayRecord other = store->addDay(QStringLiteral("Dimanche"));
    store->addSpreadsheet(d.id, QStringLiteral("a"));
    const SpreadsheetRecord kept = store->addSpreadsheet(other.id, QStringLiteral("b"));
    store->updateUIState(d.id, std::nullopt);
    m_writes->reset();
    store->deleteDay(d.id);
    EXPECT_EQ(store->snapshot().days.size(), 1);
    ASSERT_EQ(store->snapshot().spreadsheets.size(), 1);
    EXPECT_EQ(store->snapshot().spreadsheets[0].id, kept.id);
    EXPECT_EQ(store->uiState().selectedDayID, d.id);
    store->deleteDay(uid("77"));
    EXPECT_EQ(libraryWrites(), 2);
    EXPECT_EQ(uiStateWrites(), 0);
}

TEST_F(LibraryStoreTest, editingASyncedSpreadsheetDropsItFromTheListAtOnce)
{
    auto seed = open();
    const SpreadsheetRecord a = seed->addSpreadsheet(uid("1"), QStringLiteral("a"));
    const SpreadsheetRecord b = seed->addSpreadsheet(uid("1"), QStringLiteral("b"));
    seed.reset();
    put("ui-state.json",
        QuavelJSON::encode(PersistedUIState { std::nullopt, std::nullopt, { a.id, b.id, a.id } }.toJson()));

    auto store = open();
    m_writes->reset();
    store->updateRow(a.id, a.rows[0].id, std::nullopt, QStringLiteral("12"));
    EXPECT_EQ(store->uiState().syncedSpreadsheetIDs, QList<QUuid> { b.id });
    EXPECT_EQ(uiStateOnDisk().syncedSpreadsheetIDs, QList<QUuid> { b.id });

    // Deleting takes it out in memory only; the file follows at the next write of the state.
    m_writes->reset();
    store->deleteSpreadsheet(b.id);
    EXPECT_TRUE(store->uiState().syncedSpreadsheetIDs.isEmpty());
    EXPECT_EQ(uiStateWrites(), 0);
    EXPECT_EQ(uiStateOnDisk().syncedSpreadsheetIDs, QList<QUuid> { b.id });
    store->updateUIState(uid("5"), std::nullopt);
    EXPECT_TRUE(uiStateOnDisk().syncedSpreadsheetIDs.isEmpty());
}

TEST_F(LibraryStoreTest, theSameSelectionWritesNothing)
{
    auto store = open();
    store->updateUIState(std::nullopt, std::nullopt);
    EXPECT_EQ(uiStateWrites(), 0);
    store->updateUIState(uid("1"), uid("2"));
    store->updateUIState(uid("1"), uid("2"));
    EXPECT_EQ(uiStateWrites(), 1);
    EXPECT_EQ(uiStateOnDisk(), (PersistedUIState { uid("1"), uid("2"), {} }));
    store->updateUIState(uid("1"), std::nullopt);
    EXPECT_EQ(uiStateWrites(), 2);
    EXPECT_EQ(libraryWrites(), 0);
    EXPECT_EQ(open()->uiState(), (PersistedUIState { uid("1"), std::nullopt, {} }));
}

TEST_F(LibraryStoreTest, appearanceIsReadStrictlyAndAlwaysWritten)
{
    struct Case
    {
        const char* stored;
        AppearancePreference expected;
    };
    for (const Case& c :
        { Case { "light", AppearancePreference::light }, Case { "dark", AppearancePreference::dark },
            Case { "Dark", AppearancePreference::system }, Case { "", AppearancePreference::system } }) {
        m_defaults->setString("quavel.appearance", c.stored);
        EXPECT_EQ(open()->appearance(), c.expected) << c.stored;
    }
    m_defaults->setInteger("quavel.appearance", 2);
    EXPECT_EQ(open()->appearance(), AppearancePreference::system);

    m_defaults->setString("quavel.appearance", "dark");
    auto store = open();
    QSignalSpy changed(store.get(), &LibraryStore::appearanceChanged);
    ReplaceCounter defaultsWrites(m_dir.file("config"));
    store->setAppearance(AppearancePreference::dark);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(defaultsWrites.count("defaults.json"), 1);
    store->setAppearance(AppearancePreference::light);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(UserDefaults(m_defaults->path()).string("quavel.appearance"), "light");
    EXPECT_EQ(libraryWrites(), 0);
}

TEST_F(LibraryStoreTest, observersHearOfEachSavedEdit)
{
    auto store = open();
    QSignalSpy snapshot(store.get(), &LibraryStore::snapshotChanged);
    QSignalSpy uiState(store.get(), &LibraryStore::uiStateChanged);
    int calls = 0;
    store->onChange = [&] {
        ++calls;
        // The edit is on disk when observers hear of it.
        EXPECT_EQ(onDisk().updatedAt, store->snapshot().updatedAt);
    };
    const SpreadsheetRecord s = store->addSpreadsheet(uid("1"), QStringLiteral("x"));
    store->updateRow(s.id, s.rows[0].id, QStringLiteral("1"), std::nullopt);
    EXPECT_EQ(calls, 2); // the trailing blank row comes with the edit, not as an edit of its own
    EXPECT_EQ(snapshot.count(), 2);
    store->flush();
    EXPECT_EQ(calls, 2); // flush does not notify
    EXPECT_EQ(snapshot.count(), 3);
    store->updateUIState(uid("1"), std::nullopt);
    EXPECT_EQ(uiState.count(), 1);
}
