// The days-and-spreadsheets sidebar and the organiser history, against a real library store.
#include "Fakes.h"

#include "shell/ClampedLabel.h"
#include "shell/HistoryPanel.h"
#include "shell/NamePrompt.h"
#include "shell/RootController.h"
#include "shell/Sidebar.h"
#include "ui/SymbolButton.h"
#include "ui/Theme.h"

#include "shell/SyncBadge.h"
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

class SidebarTest : public ::testing::Test
{
protected:
    LibraryFixture lib;
    FakeSync sync;
    FakeWorkspace workspace;
    RootController root { *lib.store, lib.defaults };
    std::unique_ptr<Sidebar> sidebar;

    LibraryStore& store() { return *lib.store; }
    void make(WorkspaceSource* ws)
    {
        sidebar = std::make_unique<Sidebar>(store(), sync, ws, root, lib.defaults);
        sidebar->resize(300, 700);
        sidebar->show();
    }
    void SetUp() override { make(&workspace); }

    // The days and their spreadsheet titles, as listed.
    QStringList listed() const
    {
        QStringList out;
        QTreeWidget* list = sidebar->list();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* day = list->topLevelItem(i);
            out << sidebar->list()->itemWidget(day, 0)->findChild<QLabel*>(QStringLiteral("dayName"))->text();
            for (int j = 0; j < day->childCount(); ++j) {
                QWidget* row = list->itemWidget(day->child(j), 0);
                auto* title = row->findChild<QLabel*>(QStringLiteral("spreadsheetTitle"));
                out << QStringLiteral("  ") + (title ? title->text() : row->findChild<QLabel*>()->text());
            }
        }
        return out;
    }
    QWidget* row(const QUuid& id) const { return sidebar->list()->itemWidget(sidebar->itemFor(id), 0); }
    static void trigger(QMenu* menu, const QString& title)
    {
        for (QAction* a : menu->actions())
            if (a->text() == title) {
                a->trigger();
                delete menu;
                return;
            }
        delete menu;
        FAIL() << "no item " << title.toStdString();
    }
    static QStringList titles(QMenu* menu)
    {
        QStringList t;
        for (QAction* a : menu->actions())
            t << a->text();
        delete menu;
        return t;
    }
};

TEST_F(SidebarTest, EmptyLibraryShowsPlaceholderWhoseButtonAsksForADay)
{
    EXPECT_TRUE(sidebar->showsPlaceholder());
    auto* button = sidebar->findChild<QPushButton*>(QStringLiteral("placeholderNewDay"));
    ASSERT_TRUE(button);
    button->click();
    EXPECT_TRUE(root.showNewDay());
}

TEST_F(SidebarTest, SpreadsheetsOfMissingDaysAreNotListed)
{
    LibrarySnapshot remote = store().snapshot();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    remote.spreadsheets.append({ QUuid::createUuid(), QUuid::createUuid(), QStringLiteral("orphelin"), now,
        now, true, { RowRecord::blank() } });
    store().replaceFromRemote(remote);
    EXPECT_TRUE(sidebar->showsPlaceholder());
    store().addDay(QStringLiteral("Samedi"));
    EXPECT_FALSE(sidebar->showsPlaceholder());
    EXPECT_EQ(listed(), (QStringList { "Samedi", "  Aucun tableur" }));
}

// Inside the list the labels are drawn in their own tone, not in the list's text colour.
TEST_F(SidebarTest, SecondaryAndTertiaryTextsKeepTheirToneInTheList)
{
    QApplication::setPalette(Theme::palette(false));
    const auto day = store().addDay(QStringLiteral("Samedi"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    // The row looked at is not the selected one, whose texts give way to the selection's accent.
    root.setSelectedSpreadsheetID(store().addSpreadsheet(day.id, QStringLiteral("Amateur")).id);
    store().addDay(QStringLiteral("Dimanche"));
    QApplication::processEvents();
    auto darkest = [](QWidget* w) {
        const QImage image = w->grab().toImage();
        int value = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                value = std::min(value, qGray(image.pixel(x, y)));
        return value;
    };
    QLabel* count = row(sheet.id)->findChild<QLabel*>(QStringLiteral("spreadsheetCount"));
    QLabel* none = nullptr;
    for (QLabel* l : sidebar->list()->findChildren<QLabel*>())
        if (l->text() == u"Aucun tableur")
            none = l;
    ASSERT_TRUE(count && none);
    EXPECT_GT(darkest(count), 90);
    EXPECT_GT(darkest(none), darkest(count));
}

TEST_F(SidebarTest, DaysBySortIndexThenNewestAndSpreadsheetsNewestFirst)
{
    const QDateTime t0 = QDateTime::currentDateTimeUtc().addSecs(-100);
    LibrarySnapshot s = LibrarySnapshot::empty();
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid();
    s.days = { { a, QStringLiteral("index 1"), t0, 1 }, { b, QStringLiteral("index 0 ancien"), t0, 0 },
        { c, QStringLiteral("index 0 récent"), t0.addSecs(10), 0 } };
    s.spreadsheets = {
        { QUuid::createUuid(), b, QStringLiteral("vieux"), t0, t0, true, { RowRecord::blank() } },
        { QUuid::createUuid(), b, QStringLiteral("neuf"), t0.addSecs(5), t0, false, { RowRecord::blank() } }
    };
    store().replaceFromRemote(s);
    EXPECT_EQ(listed(),
        (QStringList { "index 0 récent", "  Aucun tableur", "index 0 ancien", "  neuf", "  vieux", "index 1",
            "  Aucun tableur" }));
}

TEST_F(SidebarTest, PhotoCountTakesThePluralFromTwo)
{
    const auto day = store().addDay(QStringLiteral("J"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("T"));
    auto count
        = [&] { return row(sheet.id)->findChild<QLabel*>(QStringLiteral("spreadsheetCount"))->text(); };
    EXPECT_EQ(count(), QStringLiteral("0 photo"));
    store().updateRow(
        sheet.id, store().snapshot().spreadsheet(sheet.id)->rows.last().id, QStringLiteral("12"), {});
    EXPECT_EQ(count(), QStringLiteral("1 photo"));
    store().updateRow(
        sheet.id, store().snapshot().spreadsheet(sheet.id)->rows.last().id, QStringLiteral("13"), {});
    EXPECT_EQ(count(), QStringLiteral("2 photos"));
}

TEST_F(SidebarTest, DoneMarkTogglesThroughTheWorkspaceStore)
{
    const auto day = store().addDay(QStringLiteral("J"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("T"));
    auto mark = [&] { return row(sheet.id)->findChild<SymbolButton*>(QStringLiteral("doneMark")); };
    EXPECT_EQ(mark()->symbol(), QStringLiteral("circle"));
    EXPECT_EQ(mark()->toolTip(), QStringLiteral("Marquer comme fait"));
    EXPECT_TRUE(
        titles(sidebar->spreadsheetMenu(sheet.id, nullptr)).contains(QStringLiteral("Marquer comme fait")));
    mark()->click();
    EXPECT_TRUE(workspace.isCompleted(sheet.id));
    EXPECT_EQ(mark()->symbol(), QStringLiteral("checkmark.circle.fill"));
    EXPECT_EQ(mark()->toolTip(), QStringLiteral("Fait — cliquer pour marquer à faire"));
    EXPECT_EQ(titles(sidebar->spreadsheetMenu(sheet.id, nullptr)),
        (QStringList { "Nouveau tableur", "Marquer à faire", "Renommer", "Supprimer" }));
    trigger(sidebar->spreadsheetMenu(sheet.id, nullptr), QStringLiteral("Marquer à faire"));
    EXPECT_FALSE(workspace.isCompleted(sheet.id));
}

TEST_F(SidebarTest, WithoutWorkspaceStoreNoDoneMarkIsOffered)
{
    make(nullptr);
    const auto day = store().addDay(QStringLiteral("J"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("T"));
    EXPECT_FALSE(row(sheet.id)->findChild<SymbolButton*>(QStringLiteral("doneMark")));
    EXPECT_EQ(titles(sidebar->spreadsheetMenu(sheet.id, nullptr)),
        (QStringList { "Nouveau tableur", "Renommer", "Supprimer" }));
}

TEST_F(SidebarTest, ClickingARowSelectsItsSpreadsheet)
{
    const auto day = store().addDay(QStringLiteral("J"));
    const auto a = store().addSpreadsheet(day.id, QStringLiteral("A"));
    const auto b = store().addSpreadsheet(day.id, QStringLiteral("B"));
    root.setSelectedSpreadsheetID(a.id);
    QTest::mouseClick(row(b.id), Qt::LeftButton, {}, QPoint(60, 10));
    EXPECT_EQ(root.selectedSpreadsheetID(), b.id);
    EXPECT_TRUE(row(b.id)->property("rowSelected").toBool());
    EXPECT_FALSE(row(a.id)->property("rowSelected").toBool());
}

TEST_F(SidebarTest, MenusPassTheirDayToTheNewSpreadsheetPrompt)
{
    const auto day = store().addDay(QStringLiteral("J"));
    // The add menu passes the selected day, here none.
    trigger(sidebar->addMenu(), QStringLiteral("Nouveau tableur"));
    EXPECT_TRUE(root.showNewSheet());
    EXPECT_FALSE(root.newSheetDayID());
    root.cancelNewSpreadsheet();
    EXPECT_EQ(titles(sidebar->emptyDayMenu(day.id, nullptr)), QStringList { "Nouveau tableur" });
    trigger(sidebar->emptyDayMenu(day.id, nullptr), QStringLiteral("Nouveau tableur"));
    EXPECT_EQ(root.newSheetDayID(), day.id);
    root.cancelNewSpreadsheet();
    sidebar->list()
        ->itemWidget(sidebar->list()->topLevelItem(0), 0)
        ->findChild<QAbstractButton*>(QStringLiteral("dayAddSpreadsheet"))
        ->click();
    EXPECT_EQ(root.newSheetDayID(), day.id);
    EXPECT_EQ(root.shownSection(), WorkspaceSection::tableur);
}

TEST_F(SidebarTest, DeletingRespectsTheSelection)
{
    const auto d1 = store().addDay(QStringLiteral("D1"));
    const auto d2 = store().addDay(QStringLiteral("D2"));
    const auto s1 = store().addSpreadsheet(d1.id, QStringLiteral("S1"));
    const auto s2 = store().addSpreadsheet(d1.id, QStringLiteral("S2"));
    const auto s3 = store().addSpreadsheet(d2.id, QStringLiteral("S3"));
    root.setSelection(d2.id, s1.id);
    // Another spreadsheet: the selection stays.
    trigger(sidebar->spreadsheetMenu(s2.id, nullptr), QStringLiteral("Supprimer"));
    EXPECT_EQ(root.selectedSpreadsheetID(), s1.id);
    // A day that is not selected but holds the selected spreadsheet: the spreadsheet selection goes
    // (and the window's rule then picks the library's first spreadsheet), the day selection stays.
    trigger(sidebar->dayMenu(d1.id, nullptr), QStringLiteral("Supprimer le jour"));
    EXPECT_FALSE(store().snapshot().day(d1.id));
    EXPECT_FALSE(store().snapshot().spreadsheet(s1.id));
    EXPECT_EQ(root.selectedSpreadsheetID(), s3.id);
    EXPECT_EQ(root.selectedDayID(), d2.id);
}

TEST_F(SidebarTest, RenameOpensWithCurrentTitleAndHandsTextOverAsTyped)
{
    const auto day = store().addDay(QStringLiteral("Samedi"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    trigger(sidebar->spreadsheetMenu(sheet.id, nullptr), QStringLiteral("Renommer"));
    NamePrompt* prompt = sidebar->renamePrompt();
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Renommer le tableur"));
    EXPECT_EQ(prompt->text(), QStringLiteral("Grand Prix"));
    prompt->field()->setText(QStringLiteral("  Barrage  "));
    prompt->confirmButton()->click();
    EXPECT_EQ(store().snapshot().spreadsheet(sheet.id)->title, QStringLiteral("Barrage"));
    EXPECT_FALSE(sidebar->renameSheetID());

    trigger(sidebar->dayMenu(day.id, nullptr), QStringLiteral("Renommer le jour"));
    prompt = sidebar->renamePrompt();
    EXPECT_EQ(prompt->text(), QStringLiteral("Samedi"));
    prompt->field()->setText(QStringLiteral("Dimanche"));
    QTest::keyClick(prompt, Qt::Key_Escape);
    EXPECT_EQ(store().snapshot().day(day.id)->name, QStringLiteral("Samedi"));
    EXPECT_FALSE(sidebar->renameDayID());

    trigger(sidebar->spreadsheetMenu(sheet.id, nullptr), QStringLiteral("Renommer"));
    sidebar->renamePrompt()->field()->setText(QStringLiteral("   "));
    sidebar->renamePrompt()->confirmButton()->click();
    EXPECT_EQ(store().snapshot().spreadsheet(sheet.id)->title, QString());
}

TEST_F(SidebarTest, ALibraryChangeLeavesTheListWhereTheUserScrolledIt)
{
    QList<SpreadsheetRecord> sheets;
    for (int i = 0; i < 12; ++i) {
        const auto day = store().addDay(QStringLiteral("Jour %1").arg(i));
        sheets << store().addSpreadsheet(day.id, QStringLiteral("Épreuve %1").arg(i));
    }
    sidebar->resize(300, 500);
    QTreeWidget* list = sidebar->list();
    const QUuid top = list->topLevelItem(0)->child(0)->data(0, Qt::UserRole + 1).toUuid();
    const QUuid bottom = list->topLevelItem(11)->child(0)->data(0, Qt::UserRole + 1).toUuid();
    root.setSelectedSpreadsheetID(top);
    QApplication::processEvents();
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    const int scrolled = bar->value();

    // A row typed in the editor, or a library from a phone: the list is rebuilt in place.
    const QList<RowRecord> rows = store().snapshot().spreadsheet(sheets[3].id)->rows;
    store().updateRow(sheets[3].id, rows.first().id, QStringLiteral("IMG_1"), QStringLiteral("4"));
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), scrolled);

    // A new selection is brought into view.
    bar->setValue(0);
    root.setSelectedSpreadsheetID(bottom);
    QApplication::processEvents();
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(sidebar->itemFor(bottom))));
}

TEST_F(SidebarTest, ALongTitleIsCutAndTheDoneMarkStaysInTheRow)
{
    const auto day = store().addDay(QStringLiteral("Dimanche 13 septembre 2026"));
    const QString longTitle
        = QStringLiteral("Grand Prix Pro Élite 1,45 m avec barrage au chronomètre — Trophée du Conseil");
    const auto sheet = store().addSpreadsheet(day.id, longTitle);
    QApplication::processEvents();
    QWidget* shown = row(sheet.id);
    auto* title = shown->findChild<ClampedLabel*>(QStringLiteral("spreadsheetTitle"));
    auto* mark = shown->findChild<SymbolButton*>(QStringLiteral("doneMark"));
    ASSERT_TRUE(title && mark);
    EXPECT_EQ(title->text(), longTitle);
    EXPECT_TRUE(title->isCut());
    EXPECT_TRUE(title->shownLines(title->width()).first().endsWith(QChar(0x2026)));
    EXPECT_LE(mark->geometry().right(), shown->width());
    EXPECT_LE(title->geometry().right(), mark->geometry().left());
}

TEST_F(SidebarTest, RestartButtonAndBadgeRetryRestartSync)
{
    sidebar->findChild<QAbstractButton*>(QStringLiteral("restartSync"))->click();
    sync.set({ SyncStatusSource::Status::Kind::failed, QStringLiteral("Réseau local refusé") });
    QTest::mouseClick(sidebar->badge(), Qt::LeftButton);
    EXPECT_EQ(sync.calls, (QStringList { "restart", "restart" }));
}

class HistoryTest : public SidebarTest
{
protected:
    WorkspaceSource::HistoryEntry entry(
        const QUuid& sheet, const QString& headline, QStringList messages = {})
    {
        return { QUuid::createUuid(), sheet, QStringLiteral("ancien titre"), QDateTime::currentDateTimeUtc(),
            headline, std::move(messages) };
    }
    QStringList shownTexts() const
    {
        QStringList out;
        if (!sidebar->historyPanel()->list()->isVisible() || !sidebar->historyPanel()->list()->widget())
            return out;
        for (QLabel* l : sidebar->historyPanel()->list()->widget()->findChildren<QLabel*>())
            out << l->text();
        return out;
    }
};

TEST_F(HistoryTest, FreshInstallShowsPlaceholderAndFoldingSurvivesRestart)
{
    HistoryPanel* panel = sidebar->historyPanel();
    EXPECT_TRUE(panel->isExpanded());
    EXPECT_TRUE(panel->placeholder()->isVisible());
    EXPECT_EQ(panel->header()->toolTip(), QStringLiteral("Replier l’historique"));
    QTest::mouseClick(panel->header(), Qt::LeftButton);
    EXPECT_FALSE(panel->isExpanded());
    EXPECT_FALSE(panel->placeholder()->isVisible());
    EXPECT_FALSE(panel->list()->isVisible());
    EXPECT_EQ(panel->header()->toolTip(), QStringLiteral("Déplier l’historique"));
    make(&workspace);
    EXPECT_FALSE(sidebar->historyPanel()->isExpanded());
    EXPECT_EQ(lib.defaults.boolean(QStringLiteral("tableurHistoryExpanded")), false);
}

TEST_F(HistoryTest, CurrentTitlesFirstFourMessagesAndBoundedHeight)
{
    const auto day = store().addDay(QStringLiteral("J"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("Titre actuel"));
    const QUuid deleted = QUuid::createUuid();
    QList<WorkspaceSource::HistoryEntry> many;
    for (int i = 0; i < 12; ++i)
        many << entry(sheet.id, QStringLiteral("Run %1").arg(i));
    many.first().messages = { "m1", "m2", "m3", "m4", "m5", "m6" };
    many[1].messages
        = { QStringLiteral("Très long message : ") + QString(QStringLiteral("photo copiée ")).repeated(30) };
    workspace.setHistory({ { sheet.id, QStringLiteral("ancien titre"), many },
        { deleted, QStringLiteral("Tableur supprimé"), { entry(deleted, QStringLiteral("Vieux run")) } } });
    QApplication::processEvents();
    const QStringList texts = shownTexts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Titre actuel")));
    EXPECT_FALSE(texts.contains(QStringLiteral("ancien titre")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Tableur supprimé")));
    EXPECT_TRUE(texts.contains(QStringLiteral("m4")));
    // A message longer than two lines shows two, the second cut with an ellipsis.
    ClampedLabel* longest = nullptr;
    for (auto* l : sidebar->historyPanel()->list()->widget()->findChildren<ClampedLabel*>())
        if (l->text().startsWith(u"Très"))
            longest = l;
    ASSERT_TRUE(longest);
    const QStringList lines = longest->shownLines(longest->width());
    EXPECT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
    // Two lines high, with the room above and below for accents and descenders.
    EXPECT_LE(longest->height(),
        2 * QFontMetrics(longest->font()).lineSpacing() + 2 * Fonts::inkPad(longest->font()));
    EXPECT_FALSE(texts.contains(QStringLiteral("m5")));
    EXPECT_LE(sidebar->historyPanel()->list()->height(), 180);
    EXPECT_FALSE(sidebar->historyPanel()->placeholder()->isVisible());
}

TEST_F(HistoryTest, AShortHistoryTakesOnlyItsOwnHeight)
{
    const auto day = store().addDay(QStringLiteral("J"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    workspace.setHistory({ { sheet.id, QStringLiteral("Grand Prix"),
        { entry(sheet.id, QStringLiteral("312 photos copiées"),
            { QStringLiteral("DUPONT Marie : 24 photos") }) } } });
    QApplication::processEvents();
    QScrollArea* list = sidebar->historyPanel()->list();
    ASSERT_TRUE(list->widget());
    // No empty band under the runs: the area is as tall as what it shows.
    // The new height climbs the layouts from the area up to the sidebar, one level per pass.
    for (int pass = 0; pass < 4; ++pass)
        QApplication::processEvents();
    const int needed = list->widget()->heightForWidth(list->viewport()->width());
    EXPECT_GE(list->height(), needed);
    EXPECT_LE(list->height(), needed + 2);
}

// A change of appearance reaches a sidebar that is already built: every text and mark takes the colours
// of the new scheme.
TEST_F(HistoryTest, ANewAppearanceRecoloursWhatIsAlreadyShown)
{
    QApplication::setPalette(Theme::palette(false));
    const auto day = store().addDay(QStringLiteral("Samedi"));
    const auto sheet = store().addSpreadsheet(day.id, QStringLiteral("Grand Prix"));
    workspace.setHistory(
        { { sheet.id, QStringLiteral("Grand Prix"), { entry(sheet.id, QStringLiteral("Run")) } } });
    QApplication::processEvents();
    auto textLightness
        = [](const QWidget* w) { return w->palette().color(QPalette::WindowText).lightness(); };
    auto* title = row(sheet.id)->findChild<QLabel*>(QStringLiteral("spreadsheetTitle"));
    auto* mark = row(sheet.id)->findChild<SymbolButton*>(QStringLiteral("doneMark"));
    QLabel* run = nullptr;
    for (QLabel* l : sidebar->historyPanel()->list()->widget()->findChildren<QLabel*>())
        if (l->text() == u"Run")
            run = l;
    ASSERT_TRUE(title && mark && run);
    EXPECT_LT(textLightness(title), 128);
    EXPECT_LT(textLightness(run), 128);
    EXPECT_LT(mark->symbolColor().lightness(), 128);

    QApplication::setPalette(Theme::palette(true));
    QApplication::processEvents();
    EXPECT_GT(textLightness(title), 128);
    EXPECT_GT(textLightness(run), 128);
    EXPECT_GT(mark->symbolColor().lightness(), 128);

    // The placeholder's button of an empty library follows as well.
    store().deleteDay(day.id);
    auto* newDay = sidebar->findChild<QPushButton*>(QStringLiteral("placeholderNewDay"));
    ASSERT_TRUE(newDay);
    EXPECT_EQ(newDay->palette().color(QPalette::ButtonText), Theme::accent(true));
    QApplication::setPalette(Theme::palette(false));
    QApplication::processEvents();
    EXPECT_EQ(newDay->palette().color(QPalette::ButtonText), Theme::accent(false));
}

TEST_F(HistoryTest, DateIsFrenchAbbreviatedWithShortTime)
{
    const QDateTime local(QDate(2026, 12, 8), QTime(14, 5), Qt::LocalTime);
    EXPECT_EQ(HistoryPanel::dateText(local.toUTC()), QStringLiteral("8 déc. 2026 à 14:05"));
}

} // namespace
