#include "LibraryTestSupport.h"

#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "library/QuavelJSON.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace quavel;
using namespace quavel::test;
using QuavelJSON::Json;

namespace {

QStringList photos(const QList<RowRecord>& rows)
{
    QStringList out;
    for (const RowRecord& r : rows)
        out << r.photoNumber + u'/' + r.assignedNumber;
    return out;
}

const SpreadsheetRecord* find(const LibrarySnapshot& s, const char* id)
{
    for (const SpreadsheetRecord& x : s.spreadsheets)
        if (x.id == uid(id))
            return &x;
    return nullptr;
}

} // namespace

TEST(MergedRows, incomingFilledRowsWinAndOneBlankRowEnds)
{
    const QList<RowRecord> local { row("1", "10", "1"), row("2", "20", "2"), row("3", "30", "3"),
        row("4", ""), row("5", "50", "5") };
    const QList<RowRecord> incoming { row("2", "21", "2b"), // changed on the phone: the phone's texts
        row("3", " ", "\n"), // cleared on the phone: the desktop's stay
        row("6", "60", "6"), // new on the phone
        row("7", "", "") };
    // 1 and 5 are missing on the phone: they stay.
    const QList<RowRecord> merged = LibraryStore::mergedRows(local, incoming);
    EXPECT_EQ(photos(merged), (QStringList { "21/2b", "60/6", "10/1", "30/3", "50/5", "/" }));
    EXPECT_TRUE(merged.last().isBlank());
    for (const char* id : { "4", "7" })
        for (const RowRecord& r : merged)
            EXPECT_NE(r.id, uid(id));
    // A new blank row each time.
    EXPECT_NE(LibraryStore::mergedRows(local, incoming).last().id, merged.last().id);
    EXPECT_EQ(LibraryStore::mergedRows({}, {}).size(), 1);
}

TEST(MergedRows, aRepeatedRowIdKeepsTheFirst)
{
    const QList<RowRecord> local { row("1", "10"), row("1", "11"), row("2", "20") };
    const QList<RowRecord> incoming { row("2", "21"), row("2", "22") };
    EXPECT_EQ(photos(LibraryStore::mergedRows(local, incoming)), (QStringList { "21/", "10/", "/" }));
}

TEST(MergedSpreadsheet, clocksDecideTitleAndOpenFlagOnly)
{
    const SpreadsheetRecord local
        = sheet("a", "1", "Desktop", "2026-06-01T10:00:00Z", { row("1", "10") }, true);
    struct Case
    {
        const char* incomingClock;
        const char* title;
        bool isOpen;
    };
    for (const Case& c : { Case { "2026-06-01T10:00:00.001Z", "Phone", false },
             Case { "2026-06-01T10:00:00Z", "Desktop", true },
             Case { "2026-06-01T09:00:00Z", "Desktop", true } }) {
        SCOPED_TRACE(c.incomingClock);
        SpreadsheetRecord incoming = sheet("a", "2", "Phone", c.incomingClock, { row("1", "11") }, false);
        incoming.createdAt = at("2020-01-01T00:00:00Z");
        const SpreadsheetRecord m = LibraryStore::mergedSpreadsheet(local, incoming);
        EXPECT_EQ(m.title, c.title);
        EXPECT_EQ(m.isOpen, c.isOpen);
        EXPECT_EQ(m.dayID, uid("2")); // moved to the phone's day whatever the clocks
        EXPECT_EQ(m.createdAt, local.createdAt);
        EXPECT_EQ(m.updatedAt, std::max(local.updatedAt, incoming.updatedAt));
        EXPECT_EQ(photos(m.rows), (QStringList { "11/", "/" })); // rows whatever the clocks
    }
}

TEST(MergedSnapshot, daysAreReplacedWholeAndNewSpreadsheetsKeepTheirRows)
{
    LibrarySnapshot local { 1, at("2026-06-01T10:00:00Z"), { day("1", "Samedi", 0), day("2", "Dimanche", 1) },
        { sheet("a", "1", "A", "2026-06-01T10:00:00Z", { row("1", "10") }) } };
    LibrarySnapshot incoming { 7, at("2026-06-02T10:00:00Z"),
        { day("2", "Dimanche 2", 9, "2026-06-05T08:00:00Z") },
        { sheet("b", "2", "B", "2026-06-01T10:00:00Z", { row("1", "10"), row("2", ""), row("3", "") }),
            sheet("a", "2", "A", "2026-06-01T09:00:00Z", { row("2", "20") }) } };
    const LibrarySnapshot m = LibraryStore::merged(local, incoming);
    EXPECT_EQ(m.version, 1);
    EXPECT_EQ(m.updatedAt, at("2026-06-02T10:00:00Z"));
    ASSERT_EQ(m.days.size(), 2);
    EXPECT_EQ(*m.day(uid("2")), day("2", "Dimanche 2", 9, "2026-06-05T08:00:00Z"));
    EXPECT_EQ(*m.day(uid("1")), day("1", "Samedi", 0));
    ASSERT_EQ(m.spreadsheets.size(), 2);
    EXPECT_EQ(*find(m, "b"), incoming.spreadsheets[0]); // as received, blank rows and all
    EXPECT_EQ(find(m, "a")->dayID, uid("2"));
    EXPECT_EQ(photos(find(m, "a")->rows), (QStringList { "20/", "10/", "/" }));

    // Nothing local is ever deleted.
    const LibrarySnapshot fromEmpty = LibraryStore::merged(local, LibrarySnapshot {});
    EXPECT_EQ(fromEmpty.days.size(), 2);
    EXPECT_EQ(fromEmpty.spreadsheets.size(), 1);
}

TEST(MergedSnapshot, aLocalLibraryHoldingAnIdTwiceKeepsTheFirst)
{
    LibrarySnapshot local { 1, at("2026-06-01T10:00:00Z"), { day("1", "first", 0), day("1", "second", 1) },
        { sheet("a", "1", "first", "2026-06-01T10:00:00Z", { row("1", "10") }),
            sheet("a", "1", "second", "2026-06-01T10:00:00Z", { row("2", "20") }) } };
    LibrarySnapshot incoming { 1, at("2026-06-01T10:00:00Z"), {},
        { sheet("a", "1", "phone", "2026-06-01T09:00:00Z", { row("3", "30") }) } };
    const LibrarySnapshot m = LibraryStore::merged(local, incoming);
    ASSERT_EQ(m.days.size(), 1);
    EXPECT_EQ(m.days[0].name, "first");
    ASSERT_EQ(m.spreadsheets.size(), 1);
    EXPECT_EQ(m.spreadsheets[0].title, "first");
    EXPECT_EQ(photos(m.spreadsheets[0].rows), (QStringList { "30/", "10/", "/" }));
}

namespace {

class StoreMergeTest : public ::testing::Test
{
protected:
    StoreMergeTest()
        : m_folder(m_dir.file("QUAVEL"))
    {
        QDir().mkpath(m_folder);
        m_defaults = std::make_unique<UserDefaults>(m_dir.file("defaults.json"));
        m_store = std::make_unique<LibraryStore>(m_folder, *m_defaults);
        m_writes = std::make_unique<ReplaceCounter>(m_folder);
    }

    QString transfer(const QString& name, const Json& json)
    {
        return m_dir.write(name, QuavelJSON::encode(json));
    }
    LibrarySnapshot onDisk() const
    {
        return LibrarySnapshot::fromJson(QuavelJSON::parse(readFile(m_folder + "/library.json")));
    }

    TempFolder m_dir;
    QString m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<LibraryStore> m_store;
    std::unique_ptr<ReplaceCounter> m_writes;
};

QuavelTransferPackage package(
    QuavelTransferPackage::Kind kind, const DayRecord& d, QList<SpreadsheetRecord> sheets)
{
    return QuavelTransferPackage { 1, kind, d, std::move(sheets) };
}

} // namespace

TEST_F(StoreMergeTest, anEmptyPeerLibraryNeverEmptiesTheDesktop)
{
    // Both empty: the merge runs and writes.
    m_store->replaceFromRemote(LibrarySnapshot {});
    EXPECT_EQ(m_writes->count("library.json"), 1);

    m_store->addDay(QStringLiteral("Samedi"));
    m_writes->reset();
    QSignalSpy changed(m_store.get(), &LibraryStore::snapshotChanged);
    const LibrarySnapshot before = m_store->snapshot();
    m_store->replaceFromRemote(LibrarySnapshot { 1, at("2030-01-01T00:00:00Z"), {}, {} });
    EXPECT_EQ(m_store->snapshot(), before);
    EXPECT_EQ(m_writes->count("library.json"), 0);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(StoreMergeTest, aPeerLibraryIsMergedSavedAndLeavesTheSelection)
{
    const SpreadsheetRecord mine = m_store->addSpreadsheet(uid("1"), QStringLiteral("Mine"));
    m_store->updateUIState(uid("1"), mine.id);
    int notified = 0;
    m_store->onChange = [&] { ++notified; };
    QSignalSpy applying(m_store.get(), &LibraryStore::isApplyingRemoteChanged);
    m_writes->reset();

    const QDateTime before = QDateTime::currentDateTimeUtc();
    m_store->replaceFromRemote(LibrarySnapshot { 4, at("2020-01-01T00:00:00Z"), { day("1", "Samedi", 0) },
        { sheet("b", "1", "Phone", "2020-01-01T00:00:00Z", { row("2", "7") }) } });
    EXPECT_EQ(m_store->snapshot().version, 1);
    EXPECT_GE(m_store->snapshot().updatedAt, before.addMSecs(-1)); // the save's time, not the merged one
    EXPECT_EQ(m_store->snapshot().days.size(), 1);
    EXPECT_EQ(m_store->snapshot().spreadsheets.size(), 2);
    EXPECT_EQ(onDisk(), m_store->snapshot());
    EXPECT_EQ(m_writes->count("library.json"), 1);
    EXPECT_EQ(m_writes->count("ui-state.json"), 0);
    EXPECT_EQ(m_store->uiState().selectedSpreadsheetID, mine.id);
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(applying.count(), 2);
    EXPECT_FALSE(m_store->isApplyingRemote());
}

struct MessageCase
{
    const char* name;
    QuavelTransferPackage::Kind kind;
    int sheetCount;
    const char16_t* expected;
};

void PrintTo(const MessageCase& c, std::ostream* os)
{
    *os << c.name;
}

class ImportMessages : public StoreMergeTest, public ::testing::WithParamInterface<MessageCase>
{
};

TEST_P(ImportMessages, theMessageDescribesThePackageAsRead)
{
    const MessageCase& c = GetParam();
    // The day exists locally under another name: the local name stays, the message shows the package's.
    m_store->replaceFromRemote(
        LibrarySnapshot { 1, at("2026-06-01T00:00:00Z"), { day("d", "Local", 3) }, {} });
    QList<SpreadsheetRecord> sheets;
    for (int i = 0; i < c.sheetCount; ++i)
        sheets.append(sheet(QByteArray::number(0xa0 + i, 16).constData(), "e",
            QStringLiteral("Épreuve %1").arg(i + 1), "2026-06-01T00:00:00Z", { row("1", "1") }));
    const QString path = transfer("x.quavel", package(c.kind, day("d", "Dimanche 14", 0), sheets).toJson());
    QSignalSpy generation(m_store.get(), &LibraryStore::importGenerationChanged);
    const auto message = m_store->importQuavelFile(path);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, QString::fromUtf16(c.expected));
    EXPECT_EQ(m_store->lastImportBanner(), message);
    EXPECT_EQ(m_store->importGeneration(), 1);
    EXPECT_EQ(generation.count(), 1);
    EXPECT_EQ(m_store->snapshot().day(uid("d"))->name, "Local");
    EXPECT_EQ(m_store->snapshot().day(uid("d"))->sortIndex, 3);
}

INSTANTIATE_TEST_SUITE_P(Packages, ImportMessages,
    ::testing::Values(MessageCase { "spreadsheet", QuavelTransferPackage::Kind::spreadsheet, 1,
                          u"Tableur « Épreuve 1 » importé" },
        MessageCase { "spreadsheetWithoutAny", QuavelTransferPackage::Kind::spreadsheet, 0,
            u"Tableur « Dimanche 14 » importé" },
        MessageCase {
            "dayWithoutSpreadsheets", QuavelTransferPackage::Kind::day, 0, u"Jour « Dimanche 14 » importé" },
        MessageCase {
            "dayWithOne", QuavelTransferPackage::Kind::day, 1, u"Jour « Dimanche 14 » importé · 1 tableur" },
        MessageCase { "dayWithThree", QuavelTransferPackage::Kind::day, 3,
            u"Jour « Dimanche 14 » importé · 3 tableurs" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreMergeTest, unreadableFilesGiveTheErrorMessageAndChangeNothing)
{
    Json noVersion = package(QuavelTransferPackage::Kind::day, day("d", "x", 0), {}).toJson();
    noVersion.erase("formatVersion");
    Json badKind = package(QuavelTransferPackage::Kind::day, day("d", "x", 0), {}).toJson();
    badKind["kind"] = "library";
    const QString paths[] = { transfer("a.quavel", noVersion), transfer("b.quavel", badKind),
        m_dir.write("c.quavel", "not json"), m_dir.file("missing.quavel"), m_dir.path() + "/folder.quavel" };
    QDir().mkpath(m_dir.path() + "/folder.quavel");
    int generation = 0;
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(m_store->importQuavelFile(path), "Impossible d’importer ce fichier QUAVEL.");
        EXPECT_EQ(m_store->importGeneration(), ++generation);
    }
    EXPECT_TRUE(m_store->snapshot().days.isEmpty());
    EXPECT_EQ(m_store->uiState(), PersistedUIState {});
    EXPECT_EQ(m_writes->count("library.json"), 0);
    EXPECT_EQ(m_writes->count("ui-state.json"), 0);
}

TEST_F(StoreMergeTest, onlyTheQuavelExtensionIsImportedInAnyCase)
{
    const Json json = package(QuavelTransferPackage::Kind::day, day("d", "Samedi", 0), {}).toJson();
    for (const char* name : { "x.json", "x.quavel.txt", "quavel", "x" })
        EXPECT_FALSE(m_store->importQuavelFile(transfer(name, json))) << name;
    EXPECT_EQ(m_store->importGeneration(), 0);
    EXPECT_FALSE(m_store->lastImportBanner());
    EXPECT_EQ(m_store->importQuavelFile(transfer("Samedi.QUAVEL", json)), "Jour « Samedi » importé");
    EXPECT_EQ(m_store->importQuavelFile(transfer("Samedi.Quavel", json)), "Jour « Samedi » importé");
    EXPECT_EQ(m_store->importGeneration(), 2);
}

TEST_F(StoreMergeTest, importingTwiceAddsNothingNewAndSelectsThePackage)
{
    const SpreadsheetRecord existing = m_store->addSpreadsheet(uid("f"), QStringLiteral("Other"));
    m_store->flush();
    // The synced list is not touched by imports.
    const QList<QUuid> synced = m_store->uiState().syncedSpreadsheetIDs;

    Json json = package(QuavelTransferPackage::Kind::day, day("d", "Samedi", 42),
        { sheet("a", "9", "Épreuve", "2026-06-01T00:00:00Z", { row("1", "10"), row("2", "") }),
            sheet("b", "9", "Finale", "2026-06-01T00:00:00Z", { row("3", "30") }) })
                    .toJson();
    json["formatVersion"] = 99;
    json["extra"] = "ignored";
    const QString path = transfer("day.quavel", json);
    m_writes->reset();
    ASSERT_TRUE(m_store->importQuavelFile(path));
    EXPECT_EQ(m_writes->count("library.json"), 1);
    EXPECT_EQ(m_writes->count("ui-state.json"), 1);

    const LibrarySnapshot first = m_store->snapshot();
    ASSERT_EQ(first.days.size(), 1);
    EXPECT_EQ(first.days[0].sortIndex, 0); // placed after the local days (none), not the package's 42
    ASSERT_EQ(first.spreadsheets.size(), 3);
    EXPECT_EQ(first.spreadsheets[0].id, existing.id);
    EXPECT_EQ(first.spreadsheets[1].dayID, uid("d")); // moved to the package's day
    EXPECT_EQ(photos(first.spreadsheets[1].rows), (QStringList { "10/", "/" })); // as received
    EXPECT_EQ(m_store->uiState().selectedDayID, uid("d"));
    EXPECT_EQ(m_store->uiState().selectedSpreadsheetID, uid("a"));
    EXPECT_EQ(m_store->uiState().syncedSpreadsheetIDs, synced);
    EXPECT_EQ(PersistedUIState::fromJson(QuavelJSON::parse(readFile(m_folder + "/ui-state.json"))),
        m_store->uiState());

    m_store->updateUIState(uid("d"), existing.id);
    ASSERT_TRUE(m_store->importQuavelFile(path));
    const LibrarySnapshot second = m_store->snapshot();
    EXPECT_EQ(second.days, first.days);
    ASSERT_EQ(second.spreadsheets.size(), 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(second.spreadsheets[i].filledRowCount(), first.spreadsheets[i].filledRowCount());
        EXPECT_TRUE(second.spreadsheets[i].rows.last().isBlank());
        EXPECT_EQ(second.spreadsheets[i].rows.size(), first.spreadsheets[i].filledRowCount() + 1);
    }
    EXPECT_NE(second.spreadsheets[1].rows.last().id, first.spreadsheets[1].rows.last().id);
    EXPECT_EQ(m_store->uiState().selectedSpreadsheetID, uid("a"));
    EXPECT_EQ(m_store->importGeneration(), 2);
    EXPECT_EQ(onDisk(), second);
}

TEST_F(StoreMergeTest, aPackageDayGetsTheNextSortIndexWhichSaturates)
{
    m_store->replaceFromRemote(LibrarySnapshot { 1, at("2026-06-01T00:00:00Z"),
        { day("1", "a", 4), day("2", "b", std::numeric_limits<qint64>::max() - 1) }, {} });
    ASSERT_TRUE(m_store->importQuavelFile(
        transfer("one.quavel", package(QuavelTransferPackage::Kind::day, day("3", "c", 0), {}).toJson())));
    ASSERT_TRUE(m_store->importQuavelFile(
        transfer("two.quavel", package(QuavelTransferPackage::Kind::day, day("4", "d", 0), {}).toJson())));
    EXPECT_EQ(m_store->snapshot().day(uid("3"))->sortIndex, std::numeric_limits<qint64>::max());
    EXPECT_EQ(m_store->snapshot().day(uid("4"))->sortIndex, std::numeric_limits<qint64>::max());
}

TEST_F(StoreMergeTest, aSpreadsheetPackageWithoutSpreadsheetsKeepsTheSelectedSpreadsheet)
{
    m_store->updateUIState(uid("1"), uid("2"));
    ASSERT_TRUE(m_store->importQuavelFile(transfer(
        "s.quavel", package(QuavelTransferPackage::Kind::spreadsheet, day("3", "c", 0), {}).toJson())));
    EXPECT_EQ(m_store->uiState().selectedDayID, uid("3"));
    EXPECT_EQ(m_store->uiState().selectedSpreadsheetID, uid("2"));
}
