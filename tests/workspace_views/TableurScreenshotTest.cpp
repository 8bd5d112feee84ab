// Pictures of the "Tableur" workspace with real content, in both schemes, written as PNG files to a
// folder the test prints (QUAVEL_SCREENSHOTS when set, else "screenshots" in the current folder).
#include "TableurFixture.h"
#include "common/SampleProgramme.h"
#include "common/Screenshots.h"

#include "ui/Backdrop.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "workspace/views/PreviewTableView.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// The window's backdrop behind the screen, as the main window draws it.
class Stage : public QWidget
{
public:
    explicit Stage(QWidget* content)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        content->setParent(this);
        layout->addWidget(content);
        resize(900, 720);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Backdrop::paint(p, rect(), Theme::isDark(this));
    }
};

// The picture, saved, with the scheme's ground over most of it.
QImage save(QWidget& widget, const QString& name, bool dark)
{
    const QImage image = grabScreenshot(widget, name);
    EXPECT_TRUE(ofScheme(meanColour(image), dark)) << qPrintable(name);
    return image;
}

class TableurScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Symbols::installIconTheme();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
    void TearDown() override { QApplication::setPalette(Theme::palette(false)); }
};

TEST_F(TableurScreenshots, SpreadsheetWithProgrammePreviewAndRun)
{
    for (bool dark : { false, true }) {
        QApplication::setPalette(Theme::palette(dark));
        const QString scheme = dark ? QStringLiteral("dark") : QStringLiteral("light");
        TableurFixture f;
        QDir(f.photos.path()).mkdir(QStringLiteral("Samedi GP"));
        const QString shoot = f.photos.file(QStringLiteral("Samedi GP"));
        f.shoot(3413, 3413 + 40 * 12 + 8, shoot);
        f.workspace->storeFolder(shoot, WorkspaceStore::FolderKind::source, f.sheetID);
        QDir(f.target.path()).mkdir(QStringLiteral("Tri GP"));
        f.workspace->storeFolder(
            f.target.file(QStringLiteral("Tri GP")), WorkspaceStore::FolderKind::destination, f.sheetID);

        // 40 rows: one bib missing from the start list, one bib typed twice, one rider named by hand.
        f.type(sampleRows());
        f.workspace->setManualRider(
            f.sheetID, QStringLiteral("501"), QStringLiteral("Leblanc"), QStringLiteral("Sophie"));

        auto before = std::make_unique<WorkspaceView>(
            f.sheet(), *f.library, *f.workspace, nullptr, [](const QString&) {});
        Stage empty(before.release());
        empty.show();
        save(empty, QStringLiteral("tableur-no-programme-%1").arg(scheme), dark);

        f.adopt(sampleProgramme());
        f.chooseEvent(QStringLiteral("Samedi 12 septembre 2026"),
            QStringLiteral("Samedi 12 septembre 2026|5|Grand Prix"));
        auto* view = new WorkspaceView(f.sheet(), *f.library, *f.workspace, nullptr, [](const QString&) {});
        Stage stage(view);
        stage.show();
        ASSERT_TRUE(waitUntil([&] { return !view->groups().isEmpty(); }));
        view->table()->setFocus();
        view->table()->setCurrentIndex(view->table()->model()->index(3, 2));
        // Before the run no row has its mark of photos copied; after it, the rows shown have.
        const QColor copied = Theme::green(dark);
        EXPECT_LT(
            pixelsNear(save(stage, QStringLiteral("tableur-preview-%1").arg(scheme), dark), copied, 24), 20);
        stage.resize(1320, 720);
        save(stage, QStringLiteral("tableur-wide-%1").arg(scheme), dark);
        // Wide enough, the summary goes up beside the menus.
        EXPECT_TRUE(view->summaryBesideMenus());
        stage.resize(900, 720);

        view->runOrganizer();
        ASSERT_TRUE(waitUntil([&] { return !view->isRunning(); }, 20000));
        view->table()->scrollToBottom();
        EXPECT_GT(
            pixelsNear(save(stage, QStringLiteral("tableur-after-run-%1").arg(scheme), dark), copied, 24),
            500);

        // A source folder that went away: the run stops with the notice.
        QDir(shoot).removeRecursively();
        view->runOrganizer();
        const QImage missing = save(stage, QStringLiteral("tableur-missing-source-%1").arg(scheme), dark);
        const QLabel* notice = visibleLabel(&stage, QStringLiteral("Le dossier source est introuvable."));
        ASSERT_TRUE(notice);
        EXPECT_GT(lightnessSpread(missing, areaOf(notice, &stage)), 40);
    }
    std::printf("screenshots: %s\n", qPrintable(screenshotsFolder()));
}

} // namespace
