// The workspace store on real files in a temporary application-support folder.
#include "WorkspaceTestSupport.h"

#include "library/QuavelJSON.h"
#include "platform/Error.h"
#include "platform/files/Bookmark.h"
#include "programme/ImportError.h"
#include "workspace/WorkspaceStore.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace quavel;
using namespace quavel::test;
using Json = QuavelJSON::Json;

namespace {

const QUuid A("{AAAAAAAA-0000-4000-8000-000000000001}");
const QUuid B("{BBBBBBBB-0000-4000-8000-000000000002}");

Json fileJson(const TempFolder& dir)
{
    return QuavelJSON::parse(dir.read("workspace.json"));
}

ProgrammeDocument weekend()
{
    return programme("Concours",
        { day("Samedi", { event("Samedi|1", "Épreuve 1"), event("Samedi|2|Club", "Grand Prix") }),
            day("Dimanche", { event("Dimanche|1", "Épreuve 1") }), day("Lundi", {}) });
}

} // namespace

TEST(WorkspaceStore, SavesAndReadsBackEverything)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("Tri");
    {
        WorkspaceStore store(dir.path());
        store.setCompleted(true, A);
        store.storeFolder(dir.file("Tri"), WorkspaceStore::FolderKind::destination, A);
        store.selectEvent(QString("Samedi|1"), B);
        store.recordOrganizer(OrganizerReport { 2, 1, 0, { "m" }, {} }, A, "Tableur A");
        store.setProgrammeName(QString("prog.pdf"));
        store.persist();
    }
    const Json json = fileJson(dir);
    EXPECT_TRUE(json["settings"].contains("AAAAAAAA-0000-4000-8000-000000000001"));
    EXPECT_EQ(json["actionHistory"][0]["headline"], "1 dossier · 2 photos copiées");
    EXPECT_EQ(json["lastDestinationName"], "Tri");

    WorkspaceStore again(dir.path());
    EXPECT_TRUE(again.settings(A).isCompleted);
    EXPECT_EQ(again.settings(B).selectedEventID, "Samedi|1");
    EXPECT_EQ(again.resolve(again.settings(A).destinationBookmark), dir.file("Tri"));
    EXPECT_EQ(again.lastDestinationBookmark(), again.settings(A).destinationBookmark);
    EXPECT_EQ(again.programmeName(), "prog.pdf");
    ASSERT_EQ(again.actionHistory().size(), 1);
    EXPECT_EQ(again.actionHistory()[0].messages, QStringList { "m" });
}

struct FileCase
{
    const char* content;
    int settingsCount;
    bool completed;
    std::optional<QString> lastDestinationName;
};

class WorkspaceStoreReads : public ::testing::TestWithParam<FileCase>
{
};

TEST_P(WorkspaceStoreReads, TheFileForms)
{
    TempFolder dir;
    dir.write("workspace.json", GetParam().content);
    WorkspaceStore store(dir.path());
    EXPECT_EQ(store.settings().size(), GetParam().settingsCount);
    EXPECT_EQ(store.settings(A).isCompleted, GetParam().completed);
    EXPECT_EQ(store.lastDestinationName(), GetParam().lastDestinationName);
    EXPECT_TRUE(store.actionHistory().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkspaceStoreReads,
    ::testing::Values(
        // The bare settings table of older files; the remembered destination comes from its entries.
        FileCase {
            R"({"aaaaaaaa-0000-4000-8000-000000000001": {"isCompleted": true, "destinationBookmark": "AA=="},
                       "BBBBBBBB-0000-4000-8000-000000000002": {"destinationName": "Tri B"}})",
            2, true, QString("Tri B") },
        FileCase {
            R"(["AAAAAAAA-0000-4000-8000-000000000001", {"isCompleted": true}])", 1, true, std::nullopt },
        FileCase { R"({})", 0, false, std::nullopt },
        FileCase { R"({"programmeName": "p", "settings": {"AAAAAAAA-0000-4000-8000-000000000001": {}}})", 1,
            false, std::nullopt },
        FileCase { R"({"settings": ["AAAAAAAA-0000-4000-8000-000000000001", {"isCompleted": true}],
                       "lastDestinationBookmark": "AA==", "lastDestinationName": "Kept"})",
            1, true, QString("Kept") }));

TEST(WorkspaceStore, AnUnreadableFileIsSetAsideBeforeTheFirstSave)
{
    const QByteArray bad
        = R"({"settings": {}, "actionHistory": [{"id": "AAAAAAAA-0000-4000-8000-000000000001"}]})";
    TempFolder dir;
    dir.write("workspace.json", bad);
    WorkspaceStore store(dir.path());
    EXPECT_TRUE(store.actionHistory().isEmpty());
    store.setCompleted(true, A);
    const QStringList names = entries(dir.path());
    ASSERT_EQ(names.size(), 2);
    EXPECT_TRUE(names[1].startsWith("workspace.json.unreadable-"));
    EXPECT_EQ(dir.read(names[1]), bad);
    EXPECT_TRUE(WorkspaceStore(dir.path()).settings(A).isCompleted);
}

TEST(WorkspaceStore, DaysAndEvents)
{
    TempFolder dir;
    WorkspaceStore store(dir.path());
    store.setProgramme(weekend());
    store.selectDay(std::nullopt, A);
    store.selectDay(QString(), A);
    store.selectEvent(QString(), A);
    EXPECT_FALSE(QFile::exists(dir.file("workspace.json")));
    EXPECT_TRUE(store.settings().isEmpty());

    store.selectDay(QString("Samedi"), A);
    store.selectEvent(QString("Samedi|2|Club"), A);
    EXPECT_EQ(store.selectedEvent(A)->title, "Grand Prix");
    store.selectDay(QString("Samedi"), A);
    EXPECT_EQ(store.settings(A).selectedEventID, "Samedi|2|Club");
    store.selectDay(QString("Dimanche"), A);
    EXPECT_FALSE(store.settings(A).selectedEventID);
    store.selectDay(QString(" "), A);
    EXPECT_EQ(store.settings(A).selectedDayName, " ");
    EXPECT_TRUE(store.events(QString("samedi")).isEmpty());
}

TEST(WorkspaceStore, HandTypedNamesWinOverTheProgramme)
{
    TempFolder dir;
    WorkspaceStore store(dir.path());
    const ImportedPerson fromProgramme = rider("12", "Dupont", "Jeanne");
    store.setManualRider(A, "12", QString(" "), QString(" Anne "));
    EXPECT_EQ(store.settings(A).manualRiders.value("12"), (ManualRiderName { " ", " Anne " }));
    EXPECT_EQ(store.resolvedPerson(A, "012", fromProgramme), (ImportedPerson { "12", "Anne", "", 0 }));
    EXPECT_EQ(store.resolvedPerson(A, " ", fromProgramme), fromProgramme);
    EXPECT_EQ(store.resolvedPerson(B, "12", fromProgramme), fromProgramme);

    store.setManualRider(A, "12", std::nullopt, QString("\n"));
    EXPECT_TRUE(store.settings(A).manualRiders.isEmpty());
    EXPECT_EQ(store.resolvedPerson(A, "12", std::nullopt), std::nullopt);
}

TEST(WorkspaceStore, RemembersWhatEachRowReceived)
{
    TempFolder dir;
    WorkspaceStore store(dir.path());
    PhotoGroup group;
    group.row = row("1", "1");
    group.start = *PhotoNumber::parse(u"0001");
    QSignalSpy changes(&store, &WorkspaceStore::settingsChanged);
    store.rememberTransfers({ group }, A);
    EXPECT_EQ(changes.count(), 0);

    group.files = QStringList { "/x/IMG_0001.jpg" };
    store.rememberTransfers({ group }, A);
    group.files = QStringList { "/x/IMG_0002.jpg", "/x/IMG_0003.jpg" };
    store.rememberTransfers({ group }, A);
    EXPECT_EQ(store.settings(A).rememberedTransfers.value(group.row.id),
        (RememberedPhotoTransfer { { "IMG_0002.jpg", "IMG_0003.jpg" }, "0001 → fin du dossier" }));
    EXPECT_EQ(changes.count(), 2);
}

TEST(WorkspaceStore, HistoryIsCappedAndGroupedPerSpreadsheet)
{
    TempFolder dir;
    WorkspaceStore store(dir.path());
    store.recordOrganizer(OrganizerReport { 0, 0, 0, {}, QString("oldest") }, A, "Ancien titre");
    for (int i = 0; i < 40; ++i)
        store.recordOrganizer(OrganizerReport { i, 1, 0, {}, {} }, A, "A");
    EXPECT_EQ(store.actionHistory().size(), 40);
    EXPECT_EQ(store.actionHistory().last().headline, "1 dossier · 0 photo copiée");

    TempFolder other;
    WorkspaceStore two(other.path());
    two.recordOrganizer(OrganizerReport {}, A, "A ancien");
    two.recordOrganizer(OrganizerReport {}, B, "");
    two.recordOrganizer(OrganizerReport {}, A, "A récent");
    const auto sections = two.historySections();
    ASSERT_EQ(sections.size(), 2);
    EXPECT_EQ(sections[0].id, A);
    EXPECT_EQ(sections[0].title, "A ancien");
    EXPECT_EQ(sections[0].entries.size(), 2);
    EXPECT_EQ(sections[0].entries[0].spreadsheetTitle, "A récent");
    EXPECT_EQ(sections[1].title, "Tableur");
}

TEST(WorkspaceStore, RestoresChoicesAgainstTheProgramme)
{
    TempFolder dir;
    dir.write("workspace.json", R"({"settings": {
        "AAAAAAAA-0000-4000-8000-000000000001": {"selectedDayName": "SAMEDÎ", "selectedEventID": "Grand Prix"},
        "BBBBBBBB-0000-4000-8000-000000000002": {"selectedDayName": "lundi", "selectedEventID": "Club"}}})");
    WorkspaceStore store(dir.path());
    store.setProgramme(weekend());
    store.restorePersistedChoices(A);
    store.restorePersistedChoices(B);
    EXPECT_EQ(store.settings(A).selectedDayName, "Samedi");
    EXPECT_EQ(store.settings(A).selectedEventID, "Samedi|2|Club");
    EXPECT_EQ(store.settings(B).selectedDayName, "Lundi");
    EXPECT_EQ(store.settings(B).selectedEventID, "Club"); // Lundi has no classes: nothing to match
    EXPECT_EQ(fileJson(dir)["settings"]["AAAAAAAA-0000-4000-8000-000000000001"]["selectedDayName"], "Samedi");
}

TEST(WorkspaceStore, TheLastDestinationIsOfferedToSpreadsheetsWithoutOne)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("Photos");
    QDir(dir.path()).mkdir("Tri");
    QDir(dir.path()).mkdir("Autre");
    const QUuid C = QUuid::createUuid();
    WorkspaceStore store(dir.path());
    store.storeFolder(dir.file("Autre"), WorkspaceStore::FolderKind::destination, C);
    store.storeFolder(dir.file("Photos"), WorkspaceStore::FolderKind::source, A);
    store.storeFolder(dir.file("Tri/"), WorkspaceStore::FolderKind::destination, B);
    EXPECT_EQ(store.lastDestinationName(), "Tri");

    store.restorePersistedChoices(A);
    store.restorePersistedChoices(C);
    EXPECT_EQ(store.settings(A).destinationName, "Tri");
    EXPECT_EQ(store.settings(C).destinationName, "Autre");
    EXPECT_EQ(
        store.accessedPaths(), (QStringList { dir.file("Autre"), dir.file("Photos"), dir.file("Tri") }));
}

TEST(WorkspaceStore, AStaleBookmarkIsRefreshedInOneSpreadsheetPerResolution)
{
    TempFolder dir;
    QDir(dir.path()).mkdir("Tri");
    WorkspaceStore store(dir.path());
    store.storeFolder(dir.file("Tri"), WorkspaceStore::FolderKind::destination, A);
    store.storeFolder(dir.file("Tri"), WorkspaceStore::FolderKind::destination, B);
    const QByteArray stale = *store.settings(A).destinationBookmark;
    QDir(dir.path()).mkdir("New");
    QDir(dir.path()).rmdir("Tri");
    QDir(dir.path()).rename("New", "Tri");

    EXPECT_EQ(store.resolve(stale), dir.file("Tri"));
    ASSERT_TRUE(waitUntil([&] { return store.settings(A).destinationBookmark != stale; }));
    EXPECT_EQ(store.settings(B).destinationBookmark, stale);
    EXPECT_FALSE(Bookmark::resolve(*store.settings(A).destinationBookmark)->isStale);
    EXPECT_EQ(store.lastDestinationBookmark(), store.settings(A).destinationBookmark);
    EXPECT_EQ(WorkspaceStore(dir.path()).settings(A), store.settings(A));
}

TEST(WorkspaceStore, ReadsTheStoredProgrammeThenParsesItsSourceAgain)
{
    TempFolder dir;
    dir.write("programme.json", programme("Ancien").encoded());
    dir.write("workspace.json", R"({"programmeName": "Mon programme.pdf"})");
    dir.write("programme.xlsx", "Relu");
    FakeParser parser;
    WorkspaceStore store(dir.path(), parser.reader());
    // Both readings run on the worker: the stored index shows first, then the fresh parse.
    QStringList shown;
    QObject::connect(
        &store, &WorkspaceStore::programmeChanged, [&] { shown.append(store.programme()->sourceName); });
    EXPECT_FALSE(store.programme());
    EXPECT_TRUE(store.isLoadingProgramme());
    ASSERT_TRUE(settled(store));
    EXPECT_EQ(shown, (QStringList { "Ancien", "Relu" }));
    EXPECT_EQ(store.programmeName(), "Mon programme.pdf");
    EXPECT_EQ(ProgrammeDocument::decode(dir.read("programme.json")).sourceName, "Relu");

    // A source that no longer parses leaves the stored programme; a store gone before its readings
    // arrive is left in peace by them.
    FakeParser failing;
    failing.fails = true;
    WorkspaceStore kept(dir.path(), failing.reader());
    ASSERT_TRUE(settled(kept));
    EXPECT_EQ(failing.paths().size(), 1);
    EXPECT_EQ(kept.programme()->sourceName, "Relu");
    FakeParser unused;
    delete new WorkspaceStore(dir.path(), unused.reader());
    QCoreApplication::processEvents();
    EXPECT_LE(unused.paths().size(), 1);
}

TEST(WorkspaceStore, AFailedImportChangesNothing)
{
    TempFolder dir;
    dir.write("programme.json", programme("Ancien").encoded());
    dir.write("programme.pdf", "old copy");
    TempFolder picked;
    const QString file = picked.write("Nouveau.XLSX", "new");
    {
        WorkspaceStore store(dir.path()); // the real reader
        // Not a workbook at all: the reader's own French message comes back.
        const auto result = importProgramme(store, file);
        EXPECT_FALSE(result.document);
        EXPECT_FALSE(result.superseded);
        EXPECT_EQ(result.error, "Fichier Excel illisible.");
        EXPECT_EQ(store.programme()->sourceName, "Ancien");
    }
    // The index cannot be written: a folder stands in its way.
    FakeParser parser;
    WorkspaceStore store(dir.path(), parser.reader());
    ASSERT_TRUE(settled(store));
    QDir(dir.path()).remove("programme.json");
    QDir(dir.path()).mkpath("programme.json/inside");
    const auto result = importProgramme(store, file);
    EXPECT_FALSE(result.document);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(entries(dir.path()), (QStringList { "programme.json", "programme.pdf" }));
    EXPECT_EQ(dir.read("programme.pdf"), "old copy");
}

TEST(WorkspaceStore, ImportsSwapTheStoredCopyOnlyOnceParsed)
{
    TempFolder dir;
    dir.write("programme.pdf", "old copy");
    TempFolder picked;
    FakeParser parser;
    WorkspaceStore store(dir.path(), parser.reader());
    ASSERT_TRUE(settled(store)); // the old copy read again at start
    QSignalSpy names(&store, &WorkspaceStore::programmeNameChanged);

    ASSERT_TRUE(importProgramme(store, picked.write("Programme 12-05.XLSX", "xlsx content")).document);
    // Read as the copy it becomes, before it has that name.
    EXPECT_EQ(parser.names().last(), "programme.xlsx");
    EXPECT_NE(parser.paths().last(), dir.file("programme.xlsx"));
    EXPECT_EQ(entries(dir.path()), (QStringList { "programme.json", "programme.xlsx", "workspace.json" }));
    EXPECT_EQ(store.programmeName(), "Programme 12-05.XLSX");
    EXPECT_EQ(fileJson(dir)["programmeName"], "Programme 12-05.XLSX");
    EXPECT_EQ(names.count(), 1);

    // The stored copy itself can be picked again.
    ASSERT_TRUE(importProgramme(store, dir.file("programme.xlsx")).document);
    EXPECT_EQ(dir.read("programme.xlsx"), "xlsx content");
    EXPECT_EQ(store.programme()->sourceName, "xlsx content");

    ASSERT_TRUE(importProgramme(store, picked.write("sans extension", "pdf content")).document);
    EXPECT_EQ(entries(dir.path()), (QStringList { "programme.json", "programme.pdf", "workspace.json" }));
    EXPECT_EQ(ProgrammeDocument::decode(dir.read("programme.json")).sourceName, "pdf content");
}
