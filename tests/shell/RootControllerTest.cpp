// The main window's rules without its widgets: restoring and recording the selection, the name
// prompts, imports, web programmes and the menu notifications.
#include "Fakes.h"
#include "Fixtures.h"

#include "library/QuavelTheme.h"
#include "shell/RootController.h"
#include "ui/Notifications.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

class RootControllerTest : public ::testing::Test
{
protected:
    LibraryFixture lib;
    LibraryStore& store() { return *lib.store; }
    std::unique_ptr<RootController> root = std::make_unique<RootController>(*lib.store, lib.defaults);

    void recreate()
    {
        root.reset();
        lib.reopen();
        root = std::make_unique<RootController>(*lib.store, lib.defaults);
    }
    void settle() { QCoreApplication::processEvents(); }
};

TEST_F(RootControllerTest, FirstLaunchCreatesDayThenSpreadsheetAndSelectsBoth)
{
    root->restoreSelection();
    EXPECT_FALSE(root->selectedDayID());
    EXPECT_FALSE(root->selectedSpreadsheetID());

    root->openNewSpreadsheetPrompt(root->selectedDayID());
    root->setNewName(QStringLiteral("  Épreuve 1  "));
    root->createSpreadsheet();

    ASSERT_EQ(store().snapshot().days.size(), 1);
    ASSERT_EQ(store().snapshot().spreadsheets.size(), 1);
    const auto& sheet = store().snapshot().spreadsheets.first();
    EXPECT_EQ(sheet.title, QStringLiteral("Épreuve 1"));
    EXPECT_EQ(sheet.dayID, store().snapshot().days.first().id);
    EXPECT_EQ(root->selectedSpreadsheetID(), sheet.id);
    EXPECT_EQ(root->selectedDayID(), sheet.dayID);
    EXPECT_FALSE(root->showNewSheet());
    EXPECT_TRUE(root->newName().isEmpty());
}

// The restore rules on appear, on a library of two days and spreadsheets.
struct RestoreCase
{
    const char* name;
    bool storedSheetExists;
    bool storedDayExists;
    bool expectSheetIsStored; // else the first in stored list order, or none
    bool expectSheetNone;
};

class RestoreRules : public RootControllerTest, public ::testing::WithParamInterface<RestoreCase>
{
};

TEST_P(RestoreRules, OnAppear)
{
    const RestoreCase c = GetParam();
    const auto dayA = store().addDay(QStringLiteral("A"));
    const auto dayB = store().addDay(QStringLiteral("B"));
    const auto first = store().addSpreadsheet(dayB.id, QStringLiteral("premier"));
    const auto second = store().addSpreadsheet(dayA.id, QStringLiteral("second"));
    const QUuid gone = QUuid::createUuid();
    store().updateUIState(c.storedDayExists ? std::optional(dayA.id) : std::optional(gone),
        c.storedSheetExists ? std::optional(second.id) : std::optional(gone));
    recreate();
    root->restoreSelection();
    if (c.expectSheetIsStored) {
        EXPECT_EQ(root->selectedSpreadsheetID(), second.id);
        EXPECT_EQ(root->selectedDayID(), dayA.id);
    } else if (c.expectSheetNone) {
        EXPECT_FALSE(root->selectedSpreadsheetID());
        EXPECT_EQ(root->selectedDayID(), dayA.id);
    } else {
        // Stored list order, not the sidebar's.
        EXPECT_EQ(root->selectedSpreadsheetID(), first.id);
        EXPECT_EQ(root->selectedDayID(), dayB.id);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RestoreRules,
    ::testing::Values(RestoreCase { "sheetFound", true, true, true, false },
        RestoreCase { "sheetDeletedDayKept", false, true, false, true },
        RestoreCase { "neitherFound", false, false, false, false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RootControllerTest, DeletingSelectedSpreadsheetSelectsFirstOfLibraryThenNone)
{
    const auto dayA = store().addDay(QStringLiteral("A"));
    const auto dayB = store().addDay(QStringLiteral("B"));
    const auto other = store().addSpreadsheet(dayB.id, QStringLiteral("autre"));
    const auto mine = store().addSpreadsheet(dayA.id, QStringLiteral("mien"));
    root->setSelection(dayA.id, mine.id);
    store().deleteSpreadsheet(mine.id);
    EXPECT_EQ(root->selectedSpreadsheetID(), other.id);
    EXPECT_EQ(root->selectedDayID(), dayB.id);
    store().deleteSpreadsheet(other.id);
    EXPECT_FALSE(root->selectedSpreadsheetID());
    EXPECT_EQ(root->selectedDayID(), dayB.id);
}

TEST_F(RootControllerTest, AnySpreadsheetListChangeFillsAnEmptySelection)
{
    const auto dayA = store().addDay(QStringLiteral("A"));
    root->setSelectedDayID(dayA.id);
    const auto dayB = store().addDay(QStringLiteral("B"));
    // A sync that brings a spreadsheet of another day.
    LibrarySnapshot remote = store().snapshot();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    remote.spreadsheets.append(
        { QUuid::createUuid(), dayB.id, QStringLiteral("iPhone"), now, now, true, { RowRecord::blank() } });
    store().replaceFromRemote(remote);
    EXPECT_EQ(root->selectedSpreadsheetID(), remote.spreadsheets.last().id);
    EXPECT_EQ(root->selectedDayID(), dayB.id);
}

TEST_F(RootControllerTest, EverySelectionChangeReachesTheStoredUIState)
{
    const auto day = store().addDay(QStringLiteral("A"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("t"));
    root->setSelectedDayID(day.id);
    root->setSelectedSpreadsheetID(sheet.id);
    settle();
    EXPECT_EQ(store().uiState().selectedDayID, day.id);
    EXPECT_EQ(store().uiState().selectedSpreadsheetID, sheet.id);
    recreate();
    root->restoreSelection();
    EXPECT_EQ(root->selectedSpreadsheetID(), sheet.id);
}

TEST_F(RootControllerTest, ImportSelectsImportedSpreadsheetAndRaisesAlert)
{
    const auto day = store().addDay(QStringLiteral("Local"));
    const auto local = store().addSpreadsheet(day.id, QStringLiteral("local"));
    root->setSelection(day.id, local.id);
    settle();
    QUuid importedDay;
    QList<QUuid> importedSheets;
    const QString path = writeTransferFile(lib.folder, QStringLiteral("jour.quavel"),
        QStringLiteral("Samedi"), { QStringLiteral("Grand prix") }, &importedDay, &importedSheets);
    store().importQuavelFile(path);
    EXPECT_TRUE(root->importAlert());
    EXPECT_EQ(root->selectedSpreadsheetID(), importedSheets.first());
    EXPECT_EQ(root->selectedDayID(), importedDay);
    root->dismissImportAlert();
    EXPECT_FALSE(root->importAlert());
}

TEST_F(RootControllerTest, ImportOfDayWithoutSpreadsheetKeepsSelectedSpreadsheet)
{
    const auto day = store().addDay(QStringLiteral("Local"));
    const auto local = store().addSpreadsheet(day.id, QStringLiteral("local"));
    root->setSelection(day.id, local.id);
    settle();
    const QString path
        = writeTransferFile(lib.folder, QStringLiteral("vide.quavel"), QStringLiteral("Dimanche"), {});
    store().importQuavelFile(path);
    EXPECT_TRUE(root->importAlert());
    EXPECT_EQ(root->selectedSpreadsheetID(), local.id);
    EXPECT_EQ(root->selectedDayID(), day.id);
}

TEST_F(RootControllerTest, FailedImportAlertsAndKeepsSelection)
{
    const auto day = store().addDay(QStringLiteral("Local"));
    const auto local = store().addSpreadsheet(day.id, QStringLiteral("local"));
    root->setSelection(day.id, local.id);
    settle();
    store().importQuavelFile(lib.folder.write(QStringLiteral("casse.quavel"), "{ pas du json"));
    EXPECT_TRUE(root->importAlert());
    EXPECT_EQ(store().lastImportBanner(), QStringLiteral("Impossible d’importer ce fichier QUAVEL."));
    EXPECT_EQ(root->selectedSpreadsheetID(), local.id);
}

TEST_F(RootControllerTest, NewDayPromptWithBlanksUsesDateNameAndKeepsSpreadsheet)
{
    const auto day = store().addDay(QStringLiteral("A"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("t"));
    root->setSelection(day.id, sheet.id);
    root->showSection(WorkspaceSection::commandes);
    root->openNewDayPrompt();
    root->setNewName(QStringLiteral("   \n"));
    root->createDay();
    ASSERT_EQ(store().snapshot().days.size(), 2);
    const DayRecord made = store().snapshot().days.last();
    EXPECT_EQ(made.name, QuavelTheme::defaultDayName(made.createdAt));
    EXPECT_EQ(root->selectedDayID(), made.id);
    EXPECT_EQ(root->selectedSpreadsheetID(), sheet.id);
    EXPECT_EQ(root->sectionRaw(), QStringLiteral("tableur"));
    EXPECT_FALSE(root->showNewDay());
}

TEST_F(RootControllerTest, NewSpreadsheetPromptWithBlanksCreatesNothing)
{
    const auto day = store().addDay(QStringLiteral("A"));
    root->openNewSpreadsheetPrompt(day.id);
    root->setNewName(QStringLiteral("  "));
    root->createSpreadsheet();
    EXPECT_TRUE(store().snapshot().spreadsheets.isEmpty());
    EXPECT_EQ(root->newSheetDayID(), day.id);
    EXPECT_FALSE(root->showNewSheet());
}

// A candidate day that was deleted meanwhile is passed over, down to the sidebar's first day.
TEST_F(RootControllerTest, NewSpreadsheetNeverGoesToADeletedDay)
{
    const auto kept = store().addDay(QStringLiteral("Gardé"));
    const auto doomed = store().addDay(QStringLiteral("Supprimé"));
    root->setSelectedDayID(doomed.id);
    root->openNewSpreadsheetPrompt(doomed.id);
    store().deleteDay(doomed.id);
    root->setNewName(QStringLiteral("Barrage"));
    root->createSpreadsheet();
    ASSERT_EQ(store().snapshot().spreadsheets.size(), 1);
    EXPECT_EQ(store().snapshot().spreadsheets.first().dayID, kept.id);
    EXPECT_EQ(root->selectedDayID(), kept.id);
    EXPECT_EQ(store().snapshot().days.size(), 1);
}

TEST_F(RootControllerTest, NewSpreadsheetFallsBackToSelectedSpreadsheetsDay)
{
    const auto a = store().addDay(QStringLiteral("A"));
    const auto b = store().addDay(QStringLiteral("B"));
    const auto sheet = store().addSpreadsheet(b.id, QStringLiteral("t"));
    root->setSelection(std::nullopt, sheet.id);
    root->openNewSpreadsheetPrompt(std::nullopt);
    root->setNewName(QStringLiteral("Suite"));
    root->createSpreadsheet();
    EXPECT_EQ(store().snapshot().spreadsheets.last().dayID, b.id);
    Q_UNUSED(a);
}

TEST_F(RootControllerTest, MenuNotificationsDriveSectionAndPrompts)
{
    const auto day = store().addDay(QStringLiteral("A"));
    root->setSelectedDayID(day.id);
    auto& centre = Notifications::instance();
    centre.post(QStringLiteral("quavelShowPaniers"));
    EXPECT_EQ(root->shownSection(), WorkspaceSection::paniers);
    centre.post(QStringLiteral("quavelShowCommandes"));
    EXPECT_EQ(root->shownSection(), WorkspaceSection::commandes);
    root->setNewName(QStringLiteral("reste"));
    centre.post(QStringLiteral("quavelNewSpreadsheet"));
    EXPECT_EQ(root->shownSection(), WorkspaceSection::tableur);
    EXPECT_TRUE(root->showNewSheet());
    EXPECT_EQ(root->newSheetDayID(), day.id);
    EXPECT_TRUE(root->newName().isEmpty());
    centre.post(QStringLiteral("quavelNewDay"));
    EXPECT_TRUE(root->showNewDay());
    centre.post(QStringLiteral("quavelImportProgrammeWeb"));
    EXPECT_TRUE(root->showProgrammeBrowser());
    // Not the window's: the programme-file import belongs to the screens.
    root->showSection(WorkspaceSection::paniers);
    centre.post(QStringLiteral("quavelImportProgramme"));
    EXPECT_EQ(root->shownSection(), WorkspaceSection::paniers);
}

TEST_F(RootControllerTest, SectionSurvivesRestartAndOddTextShowsTableur)
{
    root->showSection(WorkspaceSection::commandes);
    recreate();
    EXPECT_EQ(root->shownSection(), WorkspaceSection::commandes);
    lib.defaults.setString(QStringLiteral("macWorkspaceSection"), QStringLiteral("Tableur"));
    recreate();
    EXPECT_EQ(root->sectionRaw(), QStringLiteral("Tableur"));
    EXPECT_EQ(root->shownSection(), WorkspaceSection::tableur);
}

} // namespace
