// Pictures of the window in each section and scheme, and of every capsule kind, written as PNG files
// to a folder that the test prints (QUAVEL_SCREENSHOTS when set, else a folder in the build tree).
#include "Fakes.h"
#include "common/Screenshots.h"

#include "shell/DeviceSyncPanel.h"
#include "shell/MainWindow.h"
#include "shell/NamePrompt.h"
#include "shell/QuavelApplication.h"
#include "shell/RootController.h"
#include "shell/Sidebar.h"
#include "ui/Backdrop.h"
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMenu.h"
#include "ui/DesktopSettings.h"
#include "ui/FusedCapsule.h"
#include "ui/LinkedGroup.h"
#include "ui/PickButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

QImage save(QWidget& w, const QString& name)
{
    return grabScreenshot(w, name);
}

// A page of every capsule control, drawn over the backdrop.
class CapsuleSheet : public QWidget
{
public:
    CapsuleSheet()
    {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(20, 20, 20, 20);
        grid->setHorizontalSpacing(14);
        grid->setVerticalSpacing(12);
        const ControlSize sizes[] = { ControlSize::mini, ControlSize::small, ControlSize::regular,
            ControlSize::large, ControlSize::extraLarge };
        int row = 0;
        for (ControlSize size : sizes) {
            auto* line = new QWidget(this);
            Capsule::setControlSize(line, size);
            auto* h = new QHBoxLayout(line);
            h->setContentsMargins(0, 0, 0, 0);
            h->setSpacing(10);
            h->addWidget(new CapsuleButton(
                QStringLiteral("Verre"), QStringLiteral("tablecells"), CapsuleKind::glass, line));
            auto* sel = new CapsuleButton(QStringLiteral("Choisi"), QString(), CapsuleKind::glass, line);
            sel->setSelected(true);
            h->addWidget(sel);
            h->addWidget(new CapsuleButton(
                QStringLiteral("Organiser"), QStringLiteral("plus"), CapsuleKind::prominent, line));
            auto* off = new CapsuleButton(QStringLiteral("Inactif"), QString(), CapsuleKind::glass, line);
            off->setEnabled(false);
            h->addWidget(off);
            h->addWidget(
                new CapsuleButton(QString(), QStringLiteral("arrow.clockwise"), CapsuleKind::icon, line));
            h->addWidget(new CapsuleButton(QString(), QStringLiteral("plus"), CapsuleKind::tinyIcon, line));
            auto* fused = new FusedCapsule(line);
            auto* a = new CapsuleButton(QStringLiteral("A5"), QString(), CapsuleKind::fused, fused);
            a->setSelected(true);
            fused->addWidget(a);
            fused->addDivider();
            fused->addWidget(new CapsuleButton(QStringLiteral("A4"), QString(), CapsuleKind::fused, fused));
            fused->addDivider();
            fused->addWidget(
                new CapsuleButton(QString(), QStringLiteral("trash"), CapsuleKind::fusedIcon, fused));
            h->addWidget(fused);
            h->addStretch(1);
            grid->addWidget(line, row++, 0);
        }
        auto* linked = new LinkedGroup(
            new PickButton(QStringLiteral("Dossier des photos"), QStringLiteral("tray"), false),
            new LinkedValue(QStringLiteral("Source"),
                QStringLiteral("/home/photographe/Concours/2026/Fontainebleau/Samedi/Grand Prix"), 220),
            false, this);
        grid->addWidget(linked, row++, 0, Qt::AlignLeft);
        auto* wide = new LinkedGroup(new PickButton(QStringLiteral("Destination"), QString(), false),
            new LinkedLabel(QStringLiteral("Aucun dossier")), true, this);
        grid->addWidget(wide, row++, 0);
        auto* menu = new CapsuleMenu(QString(), QStringLiteral("Choisir l’épreuve"), 200, this);
        auto* menu2 = new CapsuleMenu(QStringLiteral("Épreuve 3 — Grand Prix 1,40 m"), QString(), 200, this);
        auto* menus = new QHBoxLayout;
        menus->addWidget(menu);
        menus->addWidget(menu2);
        menus->addStretch(1);
        grid->addLayout(menus, row++, 0);
        resize(900, 460);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Backdrop::paint(p, rect(), Theme::isDark(this));
    }
};

class Screenshots : public ::testing::Test
{
protected:
    LibraryFixture lib;
    void TearDown() override { QApplication::setPalette(Theme::palette(false)); }
};

TEST_F(Screenshots, WindowInEachSectionAndScheme)
{
    Symbols::installIconTheme();
    FakeServices services(lib.folder.file(QStringLiteral("data")), lib.defaults);
    DesktopSettings desktop;
    QuavelApplication app(services, lib.defaults, desktop);
    LibraryStore& store = app.library();
    const auto sat = store.addDay(QStringLiteral("Samedi 12 septembre 2026"));
    const auto sun = store.addDay(QStringLiteral("Dimanche 13 septembre 2026"));
    store.addDay(QStringLiteral("Lundi 14 septembre 2026"));
    const auto gp = store.addSpreadsheet(sat.id, QStringLiteral("Grand Prix 1,40 m"));
    store.addSpreadsheet(sat.id, QStringLiteral("Épreuve 2 — 1,20 m"));
    const auto rows = store.snapshot().spreadsheet(gp.id)->rows;
    store.updateRow(gp.id, rows.first().id, QStringLiteral("IMG_1024"), QStringLiteral("12"));
    store.addSpreadsheet(sun.id, QStringLiteral("Amateur 1"));
    store.addSpreadsheet(sun.id,
        QStringLiteral("Grand Prix Pro Élite 1,45 m avec barrage au chronomètre — Trophée du Conseil"));
    services.workspace->setCompleted(true, gp.id);
    services.workspace->setHistory({ { gp.id, QStringLiteral("Grand Prix"),
        { { QUuid::createUuid(), gp.id, QStringLiteral("Grand Prix"), QDateTime::currentDateTimeUtc(),
            QStringLiteral("312 photos copiées dans 18 dossiers"),
            { QStringLiteral("DUPONT Marie-Christine de La Roche-Fontaine : 24 photos copiées dans "
                             "« 012 DUPONT Marie-Christine », dont 3 vidéos et 2 fichiers déjà présents"),
                QStringLiteral("MARTIN Lucas : 17 photos"), QStringLiteral("BERNARD Chloé : 20 photos"),
                QStringLiteral("PETIT Hugo : 11 photos"),
                QStringLiteral("ne devrait pas paraître") } } } } });
    services.sync->setPeers({ QStringLiteral("QUAVEL iOS 1F3A") }, { QStringLiteral("QUAVEL iOS 1F3A") },
        { QStringLiteral("QUAVEL iOS 1F3A"), QStringLiteral("QUAVEL Android 77C0") },
        { QStringLiteral("QUAVEL iOS 1F3A") });
    services.sync->set({ SyncStatusSource::Status::Kind::synced, QStringLiteral("QUAVEL iOS 1F3A") },
        QStringLiteral("Synchronisé · iPhone 1F3A"));

    MainWindow& window = app.window();
    window.resize(1180, 760);
    window.show();
    for (AppearancePreference appearance : { AppearancePreference::light, AppearancePreference::dark }) {
        // The scheme changes under a window that is already built: nothing may keep the old colours.
        app.root().showSection(WorkspaceSection::tableur);
        app.root().setSelectedSpreadsheetID(gp.id);
        store.setAppearance(appearance);
        const QString scheme = Appearance::rawValue(appearance);
        const bool dark = appearance == AppearancePreference::dark;
        EXPECT_TRUE(ofScheme(
            meanColour(save(window, QStringLiteral("window-tableur-selected-%1").arg(scheme))), dark));
        for (WorkspaceSection section : Section::allCases()) {
            app.root().showSection(section);
            const QString name = QStringLiteral("window-%1-%2").arg(Section::rawValue(section), scheme);
            const QImage picture = save(window, name);
            // Every section in the new scheme, the sidebar of the spreadsheets' too.
            EXPECT_TRUE(ofScheme(meanColour(picture), dark)) << qPrintable(name);
            if (window.sidebar()) {
                EXPECT_TRUE(ofScheme(meanColour(picture, areaOf(window.sidebar(), &window)), dark))
                    << qPrintable(name);
            }
        }
        app.root().showSection(WorkspaceSection::tableur);
        app.root().setSelection(std::nullopt, std::nullopt);
        CapsuleSheet sheet;
        sheet.show();
        // One control reached with the keyboard shows its focus ring.
        sheet.activateWindow();
        sheet.setAttribute(Qt::WA_KeyboardFocusChange);
        CapsuleButton* prominent = sheet.findChildren<CapsuleButton*>().at(2);
        prominent->setFocus(Qt::TabFocusReason);
        const QImage capsules = save(sheet, QStringLiteral("capsules-%1").arg(scheme));
        // The prominent capsule is filled with the accent, the glass one beside it is not.
        const QRect fill = areaOf(prominent, &sheet).adjusted(4, 4, -4, -4);
        EXPECT_GT(meanColour(capsules, fill).hsvSaturation(), 100);
        EXPECT_LT(meanColour(capsules,
                      areaOf(sheet.findChildren<CapsuleButton*>().at(0), &sheet).adjusted(4, 4, -4, -4))
                      .hsvSaturation(),
            60);

        // The device panel as the picker opens it, and the prompts and the alert over the window.
        NearbyDevicePicker* picker = window.sidebar()->devicePicker();
        picker->togglePanel();
        ASSERT_TRUE(picker->isPanelShown());
        QWidget* panel = picker->panel()->window();
        const QImage devices = save(*panel, QStringLiteral("devices-%1").arg(scheme));
        EXPECT_TRUE(ofScheme(meanColour(devices), dark));
        const QLabel* phone = visibleLabel(panel, QStringLiteral("iPhone 1F3A"));
        ASSERT_TRUE(phone);
        EXPECT_GT(lightnessSpread(devices, areaOf(phone, panel)), 80);
        picker->panel()->window()->close();
        app.root().openNewSpreadsheetPrompt(std::nullopt);
        window.newSheetPrompt()->field()->setText(QStringLiteral("Épreuve 4"));
        // The name typed is drawn in its field.
        const QImage prompt = save(*window.newSheetPrompt(), QStringLiteral("prompt-%1").arg(scheme));
        EXPECT_GT(
            lightnessSpread(prompt, areaOf(window.newSheetPrompt()->field(), window.newSheetPrompt())), 80);
        app.root().cancelNewSpreadsheet();
        store.importQuavelFile(lib.folder.write(QStringLiteral("bad.quavel"), "{}"));
        ASSERT_TRUE(window.importAlert());
        const QImage alert = save(*window.importAlert(), QStringLiteral("alert-%1").arg(scheme));
        const QLabel* message = visibleLabel(window.importAlert(), window.importAlert()->text());
        ASSERT_TRUE(message);
        EXPECT_GT(lightnessSpread(alert, areaOf(message, window.importAlert())), 80);
        window.importAlert()->close();
        QApplication::processEvents();
    }
    // An empty library, as on a first start.
    store.setAppearance(AppearancePreference::light);
    const QList<DayRecord> days = store.snapshot().days;
    for (const auto& d : days)
        store.deleteDay(d.id);
    EXPECT_NE(window.emptyDetail(), nullptr);
    EXPECT_TRUE(ofScheme(meanColour(save(window, QStringLiteral("window-empty-light"))), false));
    std::printf("screenshots: %s\n", qPrintable(screenshotsFolder()));
}

} // namespace
