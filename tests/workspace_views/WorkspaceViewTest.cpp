// The "Tableur" screen over a real library, workspace store, programme and photo folder.
#include "TableurFixture.h"

#include "common/FilePanels.h"
#include "library/LibraryTestSupport.h"
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMenu.h"
#include "ui/LinkedGroup.h"
#include "ui/Notifications.h"
#include "ui/PanelPresenter.h"
#include "workspace/PreviewRows.h"
#include "workspace/views/IssueLabel.h"
#include "workspace/views/PreviewTableModel.h"
#include "workspace/views/PreviewTableView.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace quavel;
using namespace quavel::test;
using Col = PreviewTableModel::Column;

namespace {

const QString saturday = QStringLiteral("Samedi");
const QString grandPrix = QStringLiteral("Samedi|5|Grand Prix");

ProgrammeDocument concours()
{
    const QList<ImportedPerson> riders { { "101", "Jeanne", "Dupont", 1 },
        { "102", " lucas ", " martin ", 2 }, { "103", "Chloé", "Bernard", 3 } };
    return ProgrammeDocument { QStringLiteral("programme.pdf"),
        { ProgrammeDay { saturday,
              { ProgrammeEvent { QStringLiteral("Samedi|4"), QStringLiteral("Amateur"), {} },
                  ProgrammeEvent { grandPrix, QStringLiteral("Grand Prix"), riders } } },
            ProgrammeDay { QStringLiteral("Dimanche"), {} } } };
}

class WorkspaceViewTest : public ::testing::Test
{
protected:
    explicit WorkspaceViewTest(ProgrammeParser parser = {})
        : f(std::move(parser))
    { }

    // A programme, the Grand Prix chosen, both folders chosen, 28 photos 3413 to 3440.
    void prepare()
    {
        f.adopt(concours());
        f.chooseFolders();
        f.chooseEvent(saturday, grandPrix);
        f.shoot(3413, 3440);
    }

    WorkspaceView& open()
    {
        m_view = f.view();
        QApplication::setActiveWindow(m_view.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
        EXPECT_TRUE(waitUntil([&] { return m_view->rebuildCount() >= 1; }));
        return *m_view;
    }

    PreviewTableView& table() { return *m_view->table(); }
    const PreviewRow& line(int row) { return m_view->model()->line(row); }
    QModelIndex cell(int row, int column) { return m_view->model()->index(row, column); }
    template <typename T> T* child(const char* name)
    {
        return m_view->findChild<T*>(QString::fromLatin1(name));
    }

    // Keys go where a photographer's keyboard goes: to the focused widget (the table, or its editor).
    QWidget* focused() { return QApplication::focusWidget() ? QApplication::focusWidget() : &table(); }
    void typeText(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(focused(), c.toLatin1());
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focused(), key, modifiers);
    }
    void select(int row, int column)
    {
        table().setFocus();
        table().setCurrentIndex(cell(row, column));
    }
    // Waits for the preview to follow the library.
    void settle()
    {
        EXPECT_TRUE(waitUntil([&] { return !m_view->isRebuildPending(); }));
    }

    TableurFixture f;
    std::unique_ptr<WorkspaceView> m_view;
};

TEST_F(WorkspaceViewTest, TypingRowsFillsThePreviewAfterTheDebounce)
{
    prepare();
    open();
    ASSERT_EQ(m_view->model()->rowCount(), 1);
    EXPECT_EQ(line(0).photos, "—");

    select(0, Col::photo);
    typeText("3413");
    press(Qt::Key_Tab);
    typeText("101");
    press(Qt::Key_Return);
    typeText("3425");
    press(Qt::Key_Tab);
    typeText("102");
    press(Qt::Key_Return);

    // Return went back to the column where the run of Tab began, one line down.
    EXPECT_EQ(table().currentIndex(), cell(2, Col::photo));
    const QList<RowRecord> rows = f.rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].photoNumber, "3413");
    EXPECT_EQ(rows[1].assignedNumber, "102");
    EXPECT_TRUE(rows[2].isBlank());

    ASSERT_TRUE(waitUntil([&] { return line(1).photos == "16 fichiers · 3425 → fin du dossier"; }));
    EXPECT_EQ(line(0).photos, "12 fichiers · 3413 → avant 3425");
    EXPECT_EQ(m_view->model()->cellText(line(0), Col::lastName), "DUPONT");
    EXPECT_EQ(m_view->model()->cellText(line(1), Col::lastName), "MARTIN");
    EXPECT_EQ(m_view->model()->cellText(line(1), Col::firstName), "LUCAS");
    EXPECT_EQ(m_view->summaryLine(), "3 cavaliers dans l’épreuve · 2 correspondances");
    EXPECT_FALSE(child<IssueLabel>("issueLabel")->isVisible());
    EXPECT_TRUE(child<CapsuleButton>("runButton")->isEnabled());
}

TEST_F(WorkspaceViewTest, ABurstOfEditsRebuildsOnce)
{
    prepare();
    open();
    const int before = m_view->rebuildCount();
    for (int i = 0; i < 5; ++i)
        f.library->updateRow(f.sheetID, f.rows().last().id, QString::number(3413 + i), QStringLiteral("101"));
    EXPECT_EQ(m_view->rebuildCount(), before); // not before the delay
    ASSERT_TRUE(waitUntil([&] { return m_view->rebuildCount() > before; }));
    letTimePass(100); // no second rebuild
    EXPECT_EQ(m_view->rebuildCount(), before + 1);
    EXPECT_EQ(m_view->groups().size(), 5);
}

TEST_F(WorkspaceViewTest, DuplicatesAndUnmatchedRowsAreMarked)
{
    prepare();
    f.type({ { "3413", "101" }, { "3420", "101 HC" }, { "A0012", "102" }, { "a-12", "999" },
        { "3430", "103" }, { "3431", "103" }, { "3431", "104" } });
    open();
    settle();
    struct Expected
    {
        PreviewRows::LineStatus status;
        const char* help;
    };
    using S = PreviewRows::LineStatus;
    const Expected expected[] = {
        { S::duplicate, "N° attribué en doublon" },
        { S::duplicate, "N° attribué en doublon" },
        { S::duplicate, "N° photo en doublon" },
        { S::duplicate, "Pas de correspondance dans le programme\nN° photo en doublon" },
        { S::duplicate, "N° attribué en doublon" },
        { S::duplicate, "N° attribué et n° photo en doublon" },
        { S::duplicate, "Pas de correspondance dans le programme\nN° photo en doublon" },
        { S::clear, "" },
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(PreviewRows::lineStatus(line(i)), expected[i].status);
        EXPECT_EQ(cell(i, Col::status).data(Qt::ToolTipRole).toString(), QString::fromUtf8(expected[i].help));
    }
    EXPECT_TRUE(line(0).duplicateAssigned && !line(0).duplicatePhoto);
    EXPECT_TRUE(line(2).duplicatePhoto && !line(2).duplicateAssigned);

    // The issue label counts the filled lines with a problem; the summary its parts.
    auto* issues = child<IssueLabel>("issueLabel");
    EXPECT_TRUE(issues->isVisible());
    EXPECT_EQ(issues->text(), "7");
    EXPECT_EQ(issues->toolTip(), "7 erreurs : 2 sans correspondance, 7 numéros en doublon");
    EXPECT_EQ(issues->accessibleName(), issues->toolTip());
    EXPECT_EQ(
        m_view->summaryLine(), "3 cavaliers dans l’épreuve · 5 correspondances · 2 sans nom · 7 doublons");

    // Red for a line without a rider, orange for a duplicate, drawn behind the cells.
    f.library->updateRow(f.sheetID, f.rows()[6].id, QStringLiteral("3440"), QStringLiteral("998"));
    settle();
    EXPECT_EQ(PreviewRows::lineStatus(line(6)), S::unmatched);
    const QImage image = table().viewport()->grab().toImage();
    auto colourAt = [&](int row) {
        const QRect r = table().visualRect(cell(row, Col::photos));
        return image.pixelColor(r.right() - 3, r.center().y());
    };
    const QColor unmatched = colourAt(6);
    const QColor duplicate = colourAt(0);
    EXPECT_GT(unmatched.red(), unmatched.green() + 20);
    EXPECT_GT(duplicate.red(), duplicate.blue() + 20);
    EXPECT_GT(duplicate.green(), unmatched.green());

    // Typing a name for the rider-less bib makes it a hand-typed rider: the line turns clear.
    select(6, Col::lastName);
    typeText("Leblanc");
    press(Qt::Key_Return);
    EXPECT_EQ(PreviewRows::lineStatus(line(6)), S::clear);
    EXPECT_TRUE(cell(6, Col::status).data(Qt::ToolTipRole).isNull());
    EXPECT_EQ(f.workspace->settings(f.sheetID).manualRiders.value("998").lastName, "Leblanc");
}

TEST_F(WorkspaceViewTest, NamesOfAProgrammeRiderAreCompletedWhenOnePartIsTyped)
{
    prepare();
    f.type({ { "3413", "102" } });
    open();
    select(0, Col::lastName);
    typeText("M");
    // The first keystroke stores both parts: the other is the programme's, in capitals.
    EXPECT_EQ(f.workspace->settings(f.sheetID).manualRiders.value("102"), (ManualRiderName { "M", "LUCAS" }));
    auto* editor = qobject_cast<QLineEdit*>(focused());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "M");

    // A name for a row without a bib is not kept, and the field shows the stored value again.
    f.type({ { "3420", "" } });
    press(Qt::Key_Escape);
    select(1, Col::firstName);
    typeText("X");
    EXPECT_FALSE(f.workspace->settings(f.sheetID).manualRiders.contains(""));
    ASSERT_NE(qobject_cast<QLineEdit*>(focused()), nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(focused())->text(), "");
}

TEST_F(WorkspaceViewTest, TheOpenEditorSurvivesChangesOfTheStores)
{
    prepare();
    f.type({ { "3413", "101" }, { "3425", "102" } });
    open();
    select(1, Col::photo);
    typeText("35");
    auto* editor = qobject_cast<QLineEdit*>(focused());
    ASSERT_NE(editor, nullptr);
    editor->setCursorPosition(1);
    // Another device edits another row, the plan is rebuilt, a name is typed elsewhere.
    f.library->updateRow(f.sheetID, f.rows()[0].id, QStringLiteral("3414"), std::nullopt);
    f.workspace->setManualRider(f.sheetID, QStringLiteral("101"), QStringLiteral("Durand"), std::nullopt);
    settle();
    EXPECT_EQ(focused(), editor);
    EXPECT_EQ(editor->cursorPosition(), 1);
    QTest::keyClick(editor, '4');
    EXPECT_EQ(editor->text(), "345");
    EXPECT_EQ(f.rows()[1].photoNumber, "345");
}

TEST_F(WorkspaceViewTest, EachKeystrokeIsOneWriteOfTheLibrary)
{
    prepare();
    open();
    ReplaceCounter writes(f.app());
    select(0, Col::photo);
    typeText("3413");
    // The first keystroke filled the last row: its blank row came in the same write.
    EXPECT_EQ(writes.count("library.json"), 4);
    EXPECT_EQ(f.rows().size(), 2);
    EXPECT_EQ(writes.count("workspace.json"), 0);
    press(Qt::Key_Tab); // leaving the cell stores nothing more
    EXPECT_EQ(writes.count("library.json"), 4);
}

struct Move
{
    const char* keys; // T Tab, B Shift+Tab, R Return, U Shift+Return
    int row;
    int column;
};

class Navigation : public WorkspaceViewTest, public ::testing::WithParamInterface<Move>
{
};

TEST_P(Navigation, ReturnAndTabMoveLikeASpreadsheet)
{
    prepare();
    f.type({ { "3413", "101" }, { "3425", "102" }, { "3437", "103" } });
    open();
    select(1, Col::photo);
    for (const char* k = GetParam().keys; *k; ++k) {
        if (*k == 'e') // edit the cell, then leave it with the next key
            typeText("9");
        else
            press(*k == 'T' || *k == 'B' ? (*k == 'T' ? Qt::Key_Tab : Qt::Key_Backtab) : Qt::Key_Return,
                *k == 'U' ? Qt::ShiftModifier : Qt::NoModifier);
    }
    EXPECT_EQ(table().currentIndex(), cell(GetParam().row, GetParam().column));
    EXPECT_FALSE(table().isEditing());
    if (GetParam().keys[0] == 'e') { // typing into a cell replaces its text
        EXPECT_EQ(f.rows()[1].photoNumber, "9");
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, Navigation,
    ::testing::Values(Move { "T", 1, Col::assigned }, Move { "TTTT", 2, Col::photo },
        Move { "B", 0, Col::firstName }, Move { "TTR", 2, Col::photo }, Move { "eTeR", 2, Col::photo },
        Move { "R", 2, Col::photo }, Move { "U", 0, Col::photo }, Move { "eR", 2, Col::photo },
        Move { "RRRRR", 3, Col::photo }));

TEST_F(WorkspaceViewTest, TheLineMenuFollowsTheDeleteRule)
{
    prepare();
    open();
    auto actions = [&](int row) {
        std::unique_ptr<QMenu> menu(m_view->lineMenu(line(row).id, nullptr));
        QStringList titles;
        for (QAction* a : menu->actions())
            titles.append(a->isSeparator() ? QStringLiteral("|") : a->text());
        return titles.join(u',');
    };
    const QString inserts = QStringLiteral("Insérer une ligne au-dessus,Insérer une ligne en dessous");
    EXPECT_EQ(actions(0), inserts); // the only row

    f.type({ { "3413", "101" }, { "3425", "102" } });
    std::unique_ptr<QMenu> below(m_view->lineMenu(line(0).id, nullptr));
    below->actions()[1]->trigger();
    ASSERT_EQ(f.rows().size(), 4);
    EXPECT_TRUE(f.rows()[1].isBlank());
    EXPECT_EQ(actions(0), inserts + QStringLiteral(",|,Supprimer la ligne")); // filled
    EXPECT_EQ(actions(1), inserts + QStringLiteral(",|,Supprimer la ligne")); // blank, not last
    EXPECT_EQ(actions(3), inserts); // the trailing blank row

    std::unique_ptr<QMenu> remove(m_view->lineMenu(line(1).id, nullptr));
    remove->findChild<QAction*>(QStringLiteral("deleteRow"))->trigger();
    EXPECT_EQ(f.rows().size(), 3);
    EXPECT_EQ(m_view->model()->rowCount(), 3);
    std::unique_ptr<QMenu> above(m_view->lineMenu(line(0).id, nullptr));
    above->actions()[0]->trigger();
    EXPECT_TRUE(f.rows()[0].isBlank());
}

TEST_F(WorkspaceViewTest, OrganiserCopiesRecordsMarksAndOpens)
{
    prepare();
    f.type({ { "3413", "101" }, { "3425", "999" }, { "3437", "102" } });
    f.workspace->setManualRider(
        f.sheetID, QStringLiteral("999"), QStringLiteral("Leblanc"), QStringLiteral("Sophie"));
    open();
    settle();
    auto* run = child<CapsuleButton>("runButton");
    ASSERT_TRUE(run->isEnabled());
    run->click();
    // The copies run on a worker; the button says so until they are recorded.
    EXPECT_TRUE(m_view->isRunning());
    EXPECT_FALSE(run->isEnabled());
    EXPECT_EQ(run->text(), "Organisation…");
    EXPECT_TRUE(child<QWidget>("runProgress")->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !m_view->isRunning(); }, 10000));
    EXPECT_FALSE(child<QWidget>("runProgress")->isVisible());

    EXPECT_EQ(entries(f.target.file("DUPONT JEANNE")).size(), 12);
    EXPECT_EQ(entries(f.target.file("LEBLANC SOPHIE")).size(), 12); // the hand-typed rider wins
    EXPECT_EQ(entries(f.target.file("MARTIN LUCAS")).first(), "IMG_3437.JPG");
    ASSERT_EQ(f.workspace->actionHistory().size(), 1);
    EXPECT_EQ(f.workspace->actionHistory()[0].spreadsheetTitle, "Grand Prix 1,40 m");
    EXPECT_EQ(f.workspace->actionHistory()[0].headline, "3 dossiers · 28 photos copiées");
    EXPECT_TRUE(f.workspace->settings(f.sheetID).isCompleted);
    EXPECT_EQ(f.opened, QStringList { f.target.path() });
    EXPECT_EQ(run->text(), "Organiser");
    EXPECT_FALSE(m_view->parseError());
    EXPECT_TRUE(PreviewRows::showsTransferCheck(line(0)));
    EXPECT_EQ(cell(0, Col::check).data(Qt::ToolTipRole).toString(), "Ligne complète, photos transférées");

    // The run belongs to the store: a screen closed while copying still has its run recorded.
    run->click();
    m_view.reset();
    ASSERT_TRUE(waitUntil([&] { return f.workspace->actionHistory().size() == 2; }, 10000));
    EXPECT_EQ(entries(f.target.file("DUPONT JEANNE")).size(), 24);
}

struct Vanished
{
    const char* what;
    const char* notice;
};

class VanishedFolder : public WorkspaceViewTest, public ::testing::WithParamInterface<Vanished>
{
};

TEST_P(VanishedFolder, StopsTheRunWithANotice)
{
    prepare();
    f.type({ { "3413", "101" }, { "3425", "102" } });
    open();
    settle();
    ASSERT_TRUE(m_view->canRun());
    const QString what = QString::fromLatin1(GetParam().what);
    const QString folder = what.startsWith("source") ? f.photos.path() : f.target.path();
    QDir(folder).removeRecursively();
    if (what.endsWith("file")) // something else now has the folder's name
        f.photos.write(QStringLiteral("../%1").arg(folder.section(u'/', -1)), "x");

    m_view->runOrganizer();
    ASSERT_TRUE(waitUntil([&] { return !m_view->isRunning(); }));
    EXPECT_EQ(m_view->parseError(), QString::fromUtf8(GetParam().notice));
    EXPECT_TRUE(child<QLabel>("notice")->isVisible());
    EXPECT_EQ(child<QLabel>("notice")->text(), QString::fromUtf8(GetParam().notice));
    EXPECT_TRUE(f.workspace->actionHistory().isEmpty());
    EXPECT_FALSE(f.workspace->settings(f.sheetID).isCompleted);
    EXPECT_TRUE(f.workspace->settings(f.sheetID).rememberedTransfers.isEmpty());
    EXPECT_TRUE(f.opened.isEmpty());
    EXPECT_TRUE(!QDir(f.target.path()).exists() || entries(f.target.path()).isEmpty());
    QFile::remove(folder);
}

INSTANTIATE_TEST_SUITE_P(Folders, VanishedFolder,
    ::testing::Values(Vanished { "source", "Le dossier source est introuvable." },
        Vanished { "source-file", "Le dossier source est introuvable." },
        Vanished { "destination", "Le dossier de destination est introuvable." }));

TEST_F(WorkspaceViewTest, AMissingSourceEmptiesThePreviewWithoutANotice)
{
    prepare();
    f.type({ { "3413", "101" } });
    open();
    settle();
    EXPECT_EQ(line(0).photos, "28 fichiers · 3413 → fin du dossier");
    QDir(f.photos.path()).removeRecursively();
    f.type({ { "3420", "102" } });
    settle();
    EXPECT_TRUE(m_view->groups().isEmpty());
    EXPECT_EQ(line(0).photos, "—");
    EXPECT_FALSE(m_view->parseError());
    EXPECT_FALSE(child<QLabel>("notice")->isVisible());
    EXPECT_FALSE(child<CapsuleButton>("runButton")->isEnabled());
}

TEST_F(WorkspaceViewTest, WithoutProgrammeTheBarAsksForOne)
{
    open();
    EXPECT_EQ(m_view->summaryLine(),
        "Importez le programme (fichier ou page internet), puis choisissez le jour et l’épreuve.");
    EXPECT_EQ(child<QAbstractButton>("importProgramme")->text(), "Importer");
    EXPECT_EQ(child<LinkedValue>("programmeValue")->value(), "PDF / Excel / page web");
    EXPECT_EQ(child<LinkedValue>("sourceValue")->value(), "Dossier source");
    EXPECT_EQ(child<LinkedValue>("destinationValue")->value(), "Dossier destination");
    for (const char* name : { "dayMenu", "eventMenu" }) {
        EXPECT_FALSE(child<CapsuleMenu>(name)->isEnabled());
        EXPECT_EQ(child<CapsuleMenu>(name)->shownText(), "Choisir un jour");
    }
    EXPECT_FALSE(child<CapsuleButton>("runButton")->isEnabled());

    f.adopt(concours());
    EXPECT_EQ(child<QAbstractButton>("importProgramme")->text(), "Remplacer");
    EXPECT_EQ(m_view->summaryLine(), "Choisissez le jour, puis l’épreuve pour afficher les cavaliers.");
    EXPECT_TRUE(child<CapsuleMenu>("dayMenu")->isEnabled());
    EXPECT_FALSE(child<CapsuleMenu>("eventMenu")->isEnabled());
    EXPECT_EQ(child<CapsuleMenu>("eventMenu")->shownText(), "Choisir une épreuve");
    child<CapsuleMenu>("dayMenu")->items()->aboutToShow();
    child<CapsuleMenu>("dayMenu")->items()->actions()[0]->trigger();
    EXPECT_EQ(f.workspace->settings(f.sheetID).selectedDayName, saturday);
    child<CapsuleMenu>("eventMenu")->items()->aboutToShow();
    child<CapsuleMenu>("eventMenu")->items()->actions()[1]->trigger();
    EXPECT_EQ(child<CapsuleMenu>("eventMenu")->shownText(), "Grand Prix");
    EXPECT_EQ(m_view->summaryLine(), "3 cavaliers dans l’épreuve · 0 correspondance");

    // A class that is not in the programme any more shows what follows its last "|".
    f.workspace->selectEvent(QStringLiteral("Samedi|9|Derby"), f.sheetID);
    EXPECT_EQ(m_view->selectedEventTitle(), "Derby");
    EXPECT_EQ(m_view->summaryLine(), "0 cavalier dans l’épreuve · 0 correspondance");
}

TEST_F(WorkspaceViewTest, FolderPickersStoreTheFolderAndRebuildAtOnce)
{
    f.adopt(concours());
    f.chooseEvent(saturday, grandPrix);
    f.shoot(3413, 3420);
    f.type({ { "3413", "101" } });
    open();
    const int before = m_view->rebuildCount();
    QString title;
    const auto picking = whenPanelShows([&](QFileDialog* panel) {
        title = panel->windowTitle();
        EXPECT_EQ(panel->labelText(QFileDialog::Accept), "Choisir");
        acceptPanel(panel, f.photos.path(), true);
    });
    child<QAbstractButton>("sourceButton")->click();
    EXPECT_EQ(title, "Dossier des photos");
    EXPECT_EQ(m_view->rebuildCount(), before + 1); // not delayed
    EXPECT_EQ(line(0).photos, "8 fichiers · 3413 → fin du dossier");
    EXPECT_EQ(child<LinkedValue>("sourceValue")->value(), f.photos.path().section(u'/', -1));

    // "Ajouter une ligne" appends a blank row; "Site" asks the window for the web import.
    child<QAbstractButton>("addRowButton")->click();
    EXPECT_EQ(f.rows().size(), 3);
    int webRequests = 0;
    const QMetaObject::Connection counting = QObject::connect(
        &Notifications::instance(), &Notifications::quavelImportProgrammeWeb, [&] { ++webRequests; });
    child<QAbstractButton>("importProgrammeWeb")->click();
    QObject::disconnect(counting);
    EXPECT_EQ(webRequests, 1);
}

TEST_F(WorkspaceViewTest, AFolderThatCannotBeListedShowsItsErrorUntilTheNextPlan)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    prepare();
    f.type({ { "3413", "101" } });
    open();
    QFile::setPermissions(f.photos.path(), QFileDevice::WriteOwner);
    f.type({ { "3420", "102" } });
    settle();
    QFile::setPermissions(
        f.photos.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(m_view->parseError());
    EXPECT_TRUE(m_view->parseError()->startsWith("Impossible de lire le dossier"));
    EXPECT_TRUE(m_view->groups().isEmpty());
    f.type({ { "3430", "103" } });
    settle();
    EXPECT_FALSE(m_view->parseError());
    EXPECT_EQ(m_view->groups().size(), 3);
}

class ProgrammeImport : public WorkspaceViewTest
{
protected:
    ProgrammeImport()
        : WorkspaceViewTest([](const QString&, const QString&) {
            return ProgrammeDocument { QStringLiteral("lu"),
                { ProgrammeDay { QStringLiteral("Samedi"), {} } } };
        })
    { }
};

TEST_F(ProgrammeImport, TheMenuCommandImportsAProgrammeWithoutClassesWithItsNotice)
{
    const QString file = f.photos.write(QStringLiteral("Programme GP.pdf"), "%PDF");
    open();
    const auto accepting = whenPanelShows([&](QFileDialog* panel) { acceptPanel(panel, file, false); });
    Notifications::instance().post(QStringLiteral("quavelImportProgramme"));
    // Parsed on the store's programme worker; the screen shows the outcome when it arrives.
    ASSERT_TRUE(test::waitUntil([&] { return !f.workspace->isImportingProgramme(); }));
    EXPECT_EQ(f.workspace->programmeName(), "Programme GP.pdf");
    EXPECT_EQ(child<LinkedValue>("programmeValue")->value(), "Programme GP.pdf");
    const QString notice
        = QStringLiteral("Aucune épreuve exploitable n’a été lue dans ce fichier. Envoyez-moi le "
                         "fichier type pour caler le lecteur.");
    EXPECT_EQ(m_view->parseError(), notice);
    // The notice stays through edits and rebuilds of the plan.
    f.workspace->storeFolder(f.photos.path(), WorkspaceStore::FolderKind::source, f.sheetID);
    f.type({ { "3413", "101" } });
    settle();
    EXPECT_EQ(m_view->parseError(), notice);

    // Without a screen the command reaches nobody.
    m_view.reset();
    bool shown = false;
    const auto watching = whenPanelShows([&](QFileDialog* panel) {
        shown = true;
        panel->reject();
    });
    Notifications::instance().post(QStringLiteral("quavelImportProgramme"));
    letTimePass(50); // no panel
    EXPECT_FALSE(shown);
    EXPECT_EQ(PanelPresenter::shared().panel(), nullptr);
}

} // namespace
