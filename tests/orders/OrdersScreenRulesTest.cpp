// The pure rules of the orders screen: click, range, toggle and double-click selection, the targets of
// an action, summaries and plurals, number-jump separators, the folder search, the detail's heights,
// the watermark shown, and the menus and batch controls as data.
#include "OrdersFixture.h"
#include "orders/OrderGalleryItem.h"
#include "orders/OrderMenus.h"
#include "orders/OrderSelection.h"
#include "orders/OrdersDetailHeights.h"
#include "orders/OrdersGalleryLayout.h"
#include "orders/OrdersScreenText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quavel;
using namespace quavel::test;

namespace {

OrderMedia photo(const QString& name, const QString& folder = QStringLiteral("/o/s"))
{
    return { folder + u'/' + name, false };
}
OrderMedia video(const QString& name, const QString& folder = QStringLiteral("/o/s"))
{
    return { folder + u'/' + name, true };
}

QStringList names(const QSet<QString>& paths)
{
    QStringList n;
    for (const QString& p : paths)
        n.append(p.section(u'/', -1));
    n.sort();
    return n;
}

// ---- Click selection -------------------------------------------------------------------------------

// One click of a script: the file (by name), its modifiers, whether the editor is open, and what the
// selection and the anchor read afterwards.
struct Click
{
    const char* file;
    bool shift = false;
    bool command = false;
    bool editorOpen = false;
    const char* selected = ""; // names, space separated, sorted
    const char* anchor = nullptr; // none
    bool openCrop = false;
};

struct ClickScript
{
    const char* name;
    std::vector<Click> clicks;
};

class ClickRules : public ::testing::TestWithParam<ClickScript>
{
};

// A, B, C in the first section, D and the video V in the second: ranges run across sections.
const QList<OrderMedia> gallery = { photo("A.jpg", "/o/s1"), photo("B.jpg", "/o/s1"), photo("C.jpg", "/o/s1"),
    photo("D.jpg", "/o/s2"), video("V.mov", "/o/s2") };

OrderMedia byName(const char* name)
{
    for (const OrderMedia& m : gallery)
        if (m.url.endsWith(u'/' + QString::fromLatin1(name)))
            return m;
    return photo(QString::fromLatin1(name), "/gone"); // a file that is no longer listed
}

TEST_P(ClickRules, SelectionAndAnchorFollowTheClicks)
{
    OrderSelection s;
    int step = 0;
    for (const Click& c : GetParam().clicks) {
        SCOPED_TRACE(::testing::Message() << "click " << ++step << " on " << c.file);
        const auto outcome = s.click(byName(c.file), { c.shift, c.command }, c.editorOpen, gallery);
        EXPECT_EQ(outcome == OrderSelection::ClickOutcome::openCrop, c.openCrop);
        QStringList expected = QString::fromLatin1(c.selected).split(u' ', Qt::SkipEmptyParts);
        expected.sort();
        EXPECT_EQ(names(s.selectedIDs()), expected);
        if (c.anchor)
            EXPECT_EQ(s.lastClickedID().value_or(QString()).section(u'/', -1), QString::fromLatin1(c.anchor));
        else
            EXPECT_FALSE(s.lastClickedID());
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, ClickRules,
    ::testing::Values(ClickScript { "RangeKeepsItsAnchor",
                          { { "B.jpg", false, false, false, "B.jpg", "B.jpg" },
                              { "D.jpg", true, false, false, "B.jpg C.jpg D.jpg", "B.jpg" },
                              { "A.jpg", true, false, false, "A.jpg B.jpg", "B.jpg" } } },
        ClickScript { "ToggleRemovesAndAnchorsThenShiftExtends",
            { { "A.jpg", false, false, false, "A.jpg", "A.jpg" },
                { "C.jpg", false, true, false, "A.jpg C.jpg", "C.jpg" },
                { "A.jpg", false, true, false, "C.jpg", "A.jpg" },
                { "B.jpg", true, false, false, "A.jpg B.jpg", "A.jpg" } } },
        ClickScript {
            "ShiftWithoutAnchorIsAPlainClick", { { "C.jpg", true, false, false, "C.jpg", "C.jpg" } } },
        ClickScript {
            "ShiftAndCommandWithoutAnchorToggles", { { "C.jpg", true, true, false, "C.jpg", "C.jpg" } } },
        ClickScript { "RangeAcrossSectionsIncludesTheVideo",
            { { "V.mov", false, false, false, "V.mov", "V.mov" },
                { "B.jpg", true, true, false, "B.jpg C.jpg D.jpg V.mov", "V.mov" } } },
        ClickScript { "AnAnchorNoLongerListedStartsAfresh",
            { { "gone.jpg", false, false, false, "gone.jpg", "gone.jpg" },
                { "C.jpg", true, false, false, "C.jpg", "C.jpg" } } },
        ClickScript { "WithTheEditorOpenAPlainClickOnAPhotoOpensIt",
            { { "A.jpg", false, false, false, "A.jpg", "A.jpg" },
                { "C.jpg", false, false, true, "A.jpg", "A.jpg", true },
                { "V.mov", false, false, true, "V.mov", "V.mov" },
                { "D.jpg", false, true, true, "D.jpg V.mov", "D.jpg" },
                { "A.jpg", true, false, true, "A.jpg B.jpg C.jpg D.jpg", "D.jpg" } } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OrderSelectionRules, DoubleClickOpensTheSelectionItBelongsToElseSelectsTheFileAlone)
{
    OrderSelection s;
    s.click(byName("A.jpg"), {}, false, gallery);
    s.click(byName("C.jpg"), { true, false }, false, gallery); // A B C
    // The double click's first click made B the only selection; the double click takes it back.
    s.click(byName("B.jpg"), {}, false, gallery);
    QList<OrderMedia> opened = s.doubleClick(byName("B.jpg"), gallery);
    EXPECT_EQ(opened, (QList<OrderMedia> { byName("A.jpg"), byName("B.jpg"), byName("C.jpg") }));
    EXPECT_EQ(names(s.selectedIDs()), (QStringList { "A.jpg", "B.jpg", "C.jpg" }));
    EXPECT_EQ(s.lastClickedID(), byName("A.jpg").url);

    // An unselected file (also without a click before it) is selected alone and opened alone.
    opened = s.doubleClick(byName("V.mov"), gallery);
    EXPECT_EQ(opened, QList<OrderMedia> { byName("V.mov") });
    EXPECT_EQ(names(s.selectedIDs()), QStringList { "V.mov" });
    EXPECT_EQ(s.lastClickedID(), byName("V.mov").url);
}

TEST(OrderSelectionRules, TargetsSelectAllClearAndFilesNoLongerListed)
{
    OrderSelection s;
    s.selectAll(gallery);
    EXPECT_EQ(s.count(), 5);
    EXPECT_FALSE(s.lastClickedID()); // select-all sets no anchor
    s.click(byName("B.jpg"), {}, false, gallery);
    s.click(byName("D.jpg"), { false, true }, false, gallery);
    s.click(byName("gone.jpg"), { false, true }, false, gallery);
    // Selected: the action covers the selection in gallery order; unselected: the file alone.
    EXPECT_EQ(s.targets(byName("D.jpg"), gallery), (QList<OrderMedia> { byName("B.jpg"), byName("D.jpg") }));
    EXPECT_EQ(s.targets(byName("A.jpg"), gallery), QList<OrderMedia> { byName("A.jpg") });
    // A path whose file went counts in the selection but is no selected medium.
    EXPECT_EQ(s.count(), 3);
    EXPECT_EQ(s.selectedMedia(gallery).size(), 2);
    s.clear();
    EXPECT_TRUE(s.isEmpty());
    EXPECT_FALSE(s.lastClickedID());
}

// ---- Texts -----------------------------------------------------------------------------------------

TEST(OrdersScreenTexts, CountsAndSummariesTakeTheirPlurals)
{
    struct Case
    {
        qsizetype n;
        const char* selection;
        const char* files;
    };
    for (const Case& c : { Case { 0, "Aucun fichier sélectionné", "0 fichier" },
             Case { 1, "1 fichier sélectionné", "1 fichier" },
             Case { 2, "2 fichiers sélectionnés", "2 fichiers" },
             Case { 1234, "1234 fichiers sélectionnés", "1234 fichiers" } }) {
        EXPECT_EQ(OrdersScreenText::selectionSummary(c.n), QString::fromUtf8(c.selection));
        EXPECT_EQ(OrdersScreenText::fileCount(c.n), QString::fromUtf8(c.files));
    }

    const OrderSection loose { "Fichiers", "/o", {} };
    const OrderSection a5 { "IMPRESSION A5", "/o/a5", {} };
    const OrderSection a4 { "IMPRESSION A4", "/o/a4", {} };
    const OrderSection namedFichiers { "Fichiers", "/o/Fichiers", {} };
    struct Summary
    {
        QList<OrderSection> sections;
        qsizetype files;
        qsizetype selected;
        const char* expected;
    };
    for (const Summary& c : {
             Summary { {}, 0, 0, "Aucun contenu exploitable" },
             Summary { { loose }, 0, 0, "Aucun contenu exploitable" },
             Summary { { a5 }, 1, 0, "1 type · 1 fichier" },
             Summary { { loose }, 5, 0, "5 fichiers" },
             Summary { { a5, a4 }, 14, 3, "2 types · 14 fichiers · 3 fichiers sélectionnés" },
             Summary { { a5, a4 }, 0, 0, "2 types" },
             Summary { { loose, a5 }, 2, 2, "1 type · 2 fichiers · 2 fichiers sélectionnés" },
             Summary { { namedFichiers, a5 }, 2, 1, "1 type · 2 fichiers · 1 fichier sélectionné" },
         })
        EXPECT_EQ(
            OrdersScreenText::summaryLine(c.sections, c.files, c.selected), QString::fromUtf8(c.expected));
}

TEST(OrdersScreenTexts, TheWatermarkShownIsTheSelectedElseTheFirst)
{
    const QList<OrderWatermark> list = { { "ID-1", "Logo.png", {} }, { "ID-2", "Signature.png", {} } };
    EXPECT_EQ(OrdersScreenText::headerWatermark(list, QString("ID-2")), "Signature.png");
    EXPECT_EQ(OrdersScreenText::headerWatermark(list, QString("ID-9")), "Logo.png");
    EXPECT_EQ(OrdersScreenText::headerWatermark(list, std::nullopt), "Logo.png");
    EXPECT_EQ(OrdersScreenText::headerWatermark({}, QString("ID-1")),
        "Ajoutez un filigrane dans la colonne de gauche");
    EXPECT_EQ(OrdersScreenText::pickerWatermark({}, std::nullopt), "Aucun fichier filigrane");
    EXPECT_EQ(OrdersScreenText::pickerWatermark(list, QString("ID-2")), "Signature.png");
}

TEST(OrdersScreenTexts, FolderSearchIgnoresSpacesCaseAndAccents)
{
    const QList<OrderFolder> folders = { { "COMMANDE 12", "/r/1" }, { "Commande été", "/r/2" },
        { "Dupont", "/r/3" }, { QString::fromUtf8("E\u0301te\u0301 Martin"), "/r/4" } }; // decomposed
    auto found = [&](const QString& query) {
        QStringList n;
        for (const OrderFolder& f : OrdersScreenText::filteredFolders(folders, query))
            n.append(f.url);
        return n;
    };
    EXPECT_EQ(found("  commande \n"), (QStringList { "/r/1", "/r/2" }));
    EXPECT_EQ(found("ETE"), (QStringList { "/r/2", "/r/4" }));
    EXPECT_EQ(found("été"), (QStringList { "/r/2", "/r/4" }));
    EXPECT_EQ(found("   "), (QStringList { "/r/1", "/r/2", "/r/3", "/r/4" }));
    EXPECT_EQ(found("zzz"), QStringList {});

    const std::optional<QString> root = QString("Commandes 2026");
    EXPECT_EQ(OrdersScreenText::folderListMessage(std::nullopt, folders, folders, ""),
        "Choisissez d’abord le dossier d’où extraire les données.");
    EXPECT_EQ(
        OrdersScreenText::folderListMessage(root, {}, {}, ""), "Aucun dossier dans « Commandes 2026 ».");
    EXPECT_EQ(OrdersScreenText::folderListMessage(root, folders, {}, "  zzz "),
        "Aucune commande ne correspond à « zzz ».");
    EXPECT_EQ(OrdersScreenText::folderListMessage(root, folders, folders, ""), std::nullopt);
}

// ---- Separators ------------------------------------------------------------------------------------

struct SeparatorCase
{
    const char* name;
    QList<OrderMedia> files;
    // Item ids in order: a file's name, or "|" for a mark.
    const char* items;
};

class NumberJumps : public ::testing::TestWithParam<SeparatorCase>
{
};

TEST_P(NumberJumps, MarksGoBetweenPhotosWhoseNumbersJumpBySixOrMore)
{
    QStringList shown;
    for (const OrderGalleryItem& item : OrderGalleryItems::items(GetParam().files))
        shown.append(item.isSeparator() ? QStringLiteral("|") : item.media.url.section(u'/', -1));
    EXPECT_EQ(shown.join(u' '), QString::fromLatin1(GetParam().items));
}

INSTANTIATE_TEST_SUITE_P(Orders, NumberJumps,
    ::testing::Values(
        SeparatorCase { "JumpOfSix",
            { photo("IMG_0100.JPG"), photo("IMG_0104.JPG"), photo("IMG_0110.JPG"), photo("IMG_0111.JPG") },
            "IMG_0100.JPG IMG_0104.JPG | IMG_0110.JPG IMG_0111.JPG" },
        SeparatorCase { "JumpOfFiveDrawsNothing", { photo("IMG_0100.JPG"), photo("IMG_0105.JPG") },
            "IMG_0100.JPG IMG_0105.JPG" },
        SeparatorCase {
            "AFallCounts", { photo("IMG_0200.JPG"), photo("IMG_0194.JPG") }, "IMG_0200.JPG | IMG_0194.JPG" },
        SeparatorCase { "AVideoBreaksTheComparison",
            { photo("IMG_0100.JPG"), video("clip.mov"), photo("IMG_0300.JPG") },
            "IMG_0100.JPG clip.mov IMG_0300.JPG" },
        SeparatorCase { "ANameWithoutNumber",
            { photo("IMG_0100.JPG"), photo("cover.jpg"), photo("IMG_0900.JPG") },
            "IMG_0100.JPG cover.jpg IMG_0900.JPG" },
        SeparatorCase { "OnlyValuesCompare", { photo("A_0100.JPG"), photo("B_0100.JPG"), photo("C_100.JPG") },
            "A_0100.JPG B_0100.JPG C_100.JPG" },
        SeparatorCase { "DigitsBeforeTheExtensionOnly", { photo("2026_IMG_7.jpg"), photo("2026_IMG_20.jpg") },
            "2026_IMG_7.jpg | 2026_IMG_20.jpg" },
        SeparatorCase { "Empty", {}, "" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumberJumpIds, ASeparatorsIdNamesBothNeighboursAndNeverAFile)
{
    const auto items
        = OrderGalleryItems::items({ { "/x/y/IMG_0104.JPG", false }, { "/x/y/IMG_0110.JPG", false } });
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[1].id(), "sep-/x/y/IMG_0104.JPG|/x/y/IMG_0110.JPG");
    EXPECT_EQ(items[0].id(), "/x/y/IMG_0104.JPG");
}

// ---- Heights ---------------------------------------------------------------------------------------

TEST(OrdersDetailHeightsRule, TheEditorTakesWhatTheGalleryLeavesWithinHalfTheScreen)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        double column;
        std::optional<double> screen;
        double gallery;
        double editor;
    };
    for (const Case& c : {
             Case { 1000, 1200, 400, 600 }, // H − 180 = 820 capped at 600
             Case { 300, 900, 160, 150 }, // H/2 wins over H − 180; the gallery is raised
             Case { 1000, 800, 600, 400 }, // half the screen
             Case { 100, 900, 160, 50 }, // the stack is taller than the column
             Case { 700, std::nullopt, 350, 350 }, // no screen: the column stands for it
             Case { nan, 900, 160, 450 }, // a column of no height: the gallery's minimum, half the screen
             Case { nan, std::nullopt, 160, 0 },
             Case { 1000, nan, 500, 500 },
         }) {
        SCOPED_TRACE(::testing::Message() << c.column << " on " << c.screen.value_or(-1));
        const OrdersDetailHeights h = OrdersDetailHeights::compute(c.column, c.screen, true);
        EXPECT_DOUBLE_EQ(h.gallery, c.gallery);
        ASSERT_TRUE(h.editor);
        EXPECT_DOUBLE_EQ(*h.editor, c.editor);
    }
    const OrdersDetailHeights closed = OrdersDetailHeights::compute(300, 900, false);
    EXPECT_EQ(closed.gallery, 300);
    EXPECT_FALSE(closed.editor);
}

// Where the rule above would leave the gallery less than its first full row, the row stays and the
// editor takes the rest down to its minimum; below that the editor keeps its minimum.
TEST(OrdersDetailHeightsRule, TheGalleryKeepsItsFirstRowAndTheEditorItsMinimum)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        double column;
        OrdersDetailHeights::Room room;
        double gallery;
        double editor;
    };
    for (const Case& c : {
             Case { 1000, { 300, 250 }, 500, 500 }, // the rule leaves a row: it holds
             Case { 700, { 400, 250 }, 400, 300 }, // the rule's 200 shows no row
             Case { 600, { 400, 250 }, 350, 250 }, // too short for both: the editor keeps its minimum
             Case { 300, { 400, 250 }, 160, 250 }, // never under the gallery's 160
             Case { 700, { 100, 250 }, 200, 500 }, // a row under 160 changes nothing
             Case { nan, { 400, 250 }, 160, 500 }, // no column height: the rule as it is
         }) {
        SCOPED_TRACE(::testing::Message() << c.column << " row " << c.room.galleryRow);
        const OrdersDetailHeights h = OrdersDetailHeights::compute(c.column, 1000, true, c.room);
        EXPECT_DOUBLE_EQ(h.gallery, c.gallery);
        ASSERT_TRUE(h.editor);
        EXPECT_DOUBLE_EQ(*h.editor, c.editor);
    }
    EXPECT_FALSE(OrdersDetailHeights::compute(300, 1000, false, { 400, 250 }).editor);
    EXPECT_DOUBLE_EQ(OrdersDetailHeights::minimumColumn({ 400, 250 }), 651);
    EXPECT_DOUBLE_EQ(OrdersDetailHeights::minimumColumn({ 100, 250 }), 411);
}

// ---- Layouts, menus and batch controls ------------------------------------------------------------

TEST(OrdersGalleryLayouts, RawValuesAndAnUnknownTextShowsSections)
{
    for (OrdersGalleryLayout l : OrdersGalleryLayouts::allCases())
        EXPECT_EQ(OrdersGalleryLayouts::fromRawValue(OrdersGalleryLayouts::rawValue(l)), l);
    EXPECT_EQ(OrdersGalleryLayouts::fromRawValue(u"List"), std::nullopt);
    EXPECT_EQ(OrdersGalleryLayouts::shown(u"foo"), OrdersGalleryLayout::sections);
    EXPECT_EQ(OrdersGalleryLayouts::shown(u"grid"), OrdersGalleryLayout::grid);
    EXPECT_EQ(OrdersGalleryLayouts::cellKind(OrdersGalleryLayout::list), OrderMediaCellKind::row);
    EXPECT_EQ(OrdersGalleryLayouts::cellKind(OrdersGalleryLayout::sections), OrderMediaCellKind::card);
}

// A menu as one line: titles, "—" for dividers, "!" before a disabled entry, "✓" before a checked one,
// a submenu's entries in brackets.
QString outline(const QList<OrderMenuItem>& items)
{
    QStringList parts;
    for (const OrderMenuItem& i : items) {
        if (i.kind == OrderMenuItem::Kind::divider) {
            parts.append(QStringLiteral("—"));
            continue;
        }
        QString t = (i.enabled ? QString() : QStringLiteral("!"))
            + (i.checked ? QStringLiteral("✓") : QString()) + i.title;
        if (i.kind == OrderMenuItem::Kind::submenu)
            t += QStringLiteral(" [") + outline(i.children) + u']';
        parts.append(t);
    }
    return parts.join(QStringLiteral(", "));
}

TEST(OrderFileMenus, APhotoAPhotoWithABackupAndAVideo)
{
    const QString print
        = QStringLiteral("Imprimer [A5, A4, 10 × 15 cm, 13 × 18 cm, 15 × 21 cm, —, Panneau d’impression…]");
    const QString shared = QStringLiteral("Partager par AirDrop, Ouvrir, Choisir une application…");
    EXPECT_EQ(outline(OrderMenus::fileMenu(photo("a.jpg"), false, true)),
        QStringLiteral("Recadrer, Retoucher, Ajouter le filigrane, —, ") + print + ", " + shared);
    EXPECT_EQ(outline(OrderMenus::fileMenu(photo("a.jpg"), true, false)),
        QStringLiteral("Recadrer, !Retoucher, Ajouter le filigrane, Annuler les modifications, —, ") + print
            + ", " + shared);
    // A video offers no pixel edits, however its backup stands.
    EXPECT_EQ(outline(OrderMenus::fileMenu(video("a.mov"), true, true)), shared);

    const auto menu = OrderMenus::fileMenu(photo("a.jpg"), true, true);
    EXPECT_EQ(menu[0].symbol, "crop");
    EXPECT_EQ(menu[3].action, OrderMenuAction::undo);
    EXPECT_EQ(menu[5].children[2].paper, PrintPaperFormat::photo10x15);
    EXPECT_EQ(menu[5].children[6].paper, std::nullopt);
}

TEST(OrderFileMenus, OpenWithListsTwelveAppsAndChecksTheOneRememberedForEveryType)
{
    TempFolder tmp;
    const QString viewer = tmp.write("apps/viewer.desktop", "[Desktop Entry]\n");
    const QString editor = tmp.write("apps/editor.desktop", "[Desktop Entry]\n");
    QList<OpenWithApp> apps = { { viewer, "Visionneuse" }, { editor, "Éditeur" } };
    for (int i = 0; i < 12; ++i)
        apps.append(
            { tmp.file(QStringLiteral("apps/app%1.desktop").arg(i)), QStringLiteral("App %1").arg(i) });

    EXPECT_EQ(outline(OrderMenus::openWithMenu({}, apps, {})), "!Sélectionnez des fichiers");

    // JPEG remembered with the editor (through another spelling of its path); PNG with an app that went.
    const QMap<QString, QString> remembered = { { "jpg", tmp.path() + "/apps/../apps/editor.desktop" },
        { "png", tmp.file("apps/gone.desktop") } };
    const auto jpegs = OrderMenus::openWithMenu({ "/o/a.JPEG", "/o/b.jpg" }, apps, remembered);
    EXPECT_EQ(outline(jpegs),
        "Partager par AirDrop, Ouvrir, —, Visionneuse, ✓Éditeur, App 0, App 1, App 2, App 3, App 4, App 5, "
        "App 6, "
        "App 7, App 8, App 9, —, Choisir une autre application…");
    EXPECT_EQ(jpegs[4].symbol, "checkmark");
    EXPECT_EQ(jpegs[4].application, editor);
    // A PNG in the selection: not every type remembers the editor.
    EXPECT_FALSE(OrderMenus::openWithMenu({ "/o/a.jpg", "/o/b.png" }, apps, remembered)[4].checked);
    EXPECT_FALSE(OrderMenus::isRememberedForAll(tmp.file("apps/gone.desktop"), { "/o/b.png" }, remembered));
    // No application can open them all: no divider before the last entry but the one.
    EXPECT_EQ(outline(OrderMenus::openWithMenu({ "/o/a.jpg" }, {}, remembered)),
        "Partager par AirDrop, Ouvrir, —, Choisir une autre application…");
}

TEST(OrderBatchControls, EnabledStatesAndSectionHelpFollowTheirConditionsOnly)
{
    const QList<OrderMedia> photos = { photo("a.jpg"), video("b.mov") };
    const QList<OrderMedia> videos = { video("a.mov"), video("b.mp4") };
    struct Case
    {
        QList<OrderMedia> files;
        bool neutral, running, noWatermark;
        bool retouch, watermark, print;
        const char* retouchHelp;
        const char* watermarkHelp;
    };
    const char* retouchOk = "Appliquer les réglages de retouche à toutes les photos de cette section";
    const char* retouchFirst = "Réglez d’abord la retouche dans le panneau de gauche";
    const char* watermarkOk = "Ajouter le filigrane sélectionné à toutes les photos de cette section";
    const char* watermarkFirst = "Choisissez d’abord un fichier filigrane";
    for (const Case& c : {
             Case { photos, false, false, false, true, true, true, retouchOk, watermarkOk },
             Case { photos, true, false, true, false, false, true, retouchFirst, watermarkFirst },
             // A running retouch or a section of videos disables without changing the help.
             Case { photos, false, true, false, false, true, true, retouchOk, watermarkOk },
             Case { videos, false, false, false, false, false, false, retouchOk, watermarkOk },
             Case { {}, false, false, false, false, false, false, retouchOk, watermarkOk },
         }) {
        const auto s = OrderMenus::batchControls(c.files, c.neutral, c.running, c.noWatermark, true);
        EXPECT_EQ(s.retouchEnabled, c.retouch);
        EXPECT_EQ(s.watermarkEnabled, c.watermark);
        EXPECT_EQ(s.printEnabled, c.print);
        EXPECT_EQ(s.retouchHelp, QString::fromUtf8(c.retouchHelp));
        EXPECT_EQ(s.watermarkHelp, QString::fromUtf8(c.watermarkHelp));
        EXPECT_EQ(s.printHelp, "Imprimer toutes les photos de cette section en pleine résolution");
        const auto wide = OrderMenus::batchControls(c.files, c.neutral, c.running, c.noWatermark, false);
        EXPECT_EQ(wide.retouchEnabled, c.retouch);
        EXPECT_TRUE(wide.retouchHelp.isEmpty() && wide.watermarkHelp.isEmpty() && wide.printHelp.isEmpty());
    }
    EXPECT_EQ(OrderMenus::cellRetouchHelp(false), retouchFirst);
}

} // namespace
