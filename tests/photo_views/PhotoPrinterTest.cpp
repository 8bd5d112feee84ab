// The print entry point with its panel: what the panel starts from (the paper given, or the last
// successful run's settings restored at the first print), the panel's controls and preview, the print
// menu, and what a run's end hands on.
#include "library/QuavelJSON.h"
#include "photo/print/PrintPaperFormat.h"
#include "photo/views/PrintPanel.h"
#include "photo/views/PrintPhotosMenu.h"
#include "photo/views/PrintPreviewPane.h"
#include "photo_views/PrintFixture.h"
#include "platform/UserDefaults.h"
#include "ui/print/Printer.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct PrinterFixture : PrintFixture
{
    QList<QStringList> handed;
    // What each finished run told: its printed photos, then those of its blank pages.
    QList<std::pair<QStringList, QStringList>> finished;

    PrinterFixture()
    {
        UserDefaults::standard().remove(PrintInfoMemory::kPrintInfoKey);
        UserDefaults::standard().remove(PrintInfoMemory::kPrinterNameKey);
        PhotoPrinter::onPrintSucceeded() = [this](const QStringList& printed) { handed.append(printed); };
        PhotoPrinter::onPrintFinished() = [this](const QStringList& printed, const QStringList& blank) {
            finished.append({ printed, blank });
        };
    }
    ~PrinterFixture()
    {
        PhotoPrinter::onPrintSucceeded() = nullptr;
        PhotoPrinter::onPrintFinished() = nullptr;
    }

    // Calls print() and looks at its panel, which is then cancelled.
    void printAndLook(const QStringList& files, std::optional<PrintPaperFormat> paper,
        const std::function<void(PrintPanel&)>& look, bool* shown = nullptr)
    {
        actAndLook([&] { PhotoPrinter::print(files, paper); }, look, shown);
    }

    // Runs act (which opens the print panel) and looks at the panel, which is then cancelled.
    static void actAndLook(
        const std::function<void()>& act, const std::function<void(PrintPanel&)>& look, bool* shown = nullptr)
    {
        bool seen = false;
        // A timer of this call only: when no panel comes, it must not fire in a later test.
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* panel = qobject_cast<PrintPanel*>(QApplication::activeModalWidget());
            if (!panel)
                return;
            seen = true;
            look(*panel);
            panel->reject();
        });
        timer.start(0);
        act();
        if (shown)
            *shown = seen;
        else
            EXPECT_TRUE(seen);
    }
};

TEST(PhotoPrinter, APaperGivenSetsThePanelsSheetAndOrientation)
{
    PrinterFixture f;
    const QStringList files = { f.photo("wide.jpg", QSize(90, 60)), f.folder.write("clip.mp4", "video"),
        f.photo("tall.jpg", QSize(60, 90)) };
    f.printAndLook(files, PrintPaperFormat::photo13x18, [&](PrintPanel& panel) {
        EXPECT_EQ(panel.windowTitle(), "Imprimer « QUAVEL — 2 photos »");
        EXPECT_EQ(panel.paperBox()->currentText(), "13 × 18 cm");
        EXPECT_EQ(panel.orientationBox()->currentText(), "Paysage");
        EXPECT_EQ(panel.copiesBox()->value(), 1);
        EXPECT_TRUE(panel.allPagesButton()->isChecked());
        EXPECT_EQ(panel.toBox()->maximum(), 2);
        EXPECT_EQ(panel.pageLabel()->text(), "Page 1 sur 2");
        EXPECT_FALSE(panel.previousButton()->isEnabled());
        if (Printer::names().isEmpty()) {
            EXPECT_EQ(panel.printerBox()->currentText(), "Aucune imprimante");
            EXPECT_FALSE(panel.printButton()->isEnabled());
        }
    });
    // Cancelled: nothing remembered, nothing handed on, the run let go.
    EXPECT_TRUE(f.handed.isEmpty());
    EXPECT_FALSE(UserDefaults::standard().contains(PrintInfoMemory::kPrintInfoKey));
    EXPECT_EQ(PrintSession::current(), nullptr);

    // Videos alone: no panel at all.
    bool shown = true;
    f.printAndLook(
        { files[1] }, PrintPaperFormat::a4, [](PrintPanel&) {}, &shown);
    EXPECT_FALSE(shown);
}

TEST(PhotoPrinter, WithAWindowThePanelIsASheetAndPrintReturnsAtOnce)
{
    PrinterFixture f;
    QMainWindow window;
    window.resize(800, 600);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    PhotoPrinter::print({ f.photo("IMG_1.jpg", QSize(60, 90)) }, PrintPaperFormat::a5);
    auto* panel = window.findChild<PrintPanel*>();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(PrintSession::current());
    panel->reject();
    EXPECT_TRUE(waitUntil([] { return !PrintSession::current(); }));
    EXPECT_TRUE(f.handed.isEmpty());
    EXPECT_FALSE(UserDefaults::standard().contains(PrintInfoMemory::kPrintInfoKey));
}

TEST(PhotoPrinter, ThePrintPanelEntryStartsFromTheLastSuccessfulRun)
{
    PrinterFixture f;
    PrintSettings last;
    last.paperName = QStringLiteral("A5");
    last.paperSize = PrintPaperFormats::points(PrintPaperFormat::a5);
    last.orientation = PrintSettings::Orientation::landscape;
    last.margins = QMarginsF(18, 20, 18, 20);
    last.copies = 2;
    UserDefaults::standard().setData(PrintInfoMemory::kPrintInfoKey, last.toJson());
    const QString tall = f.photo("tall.jpg", QSize(60, 90));
    f.printAndLook({ tall }, std::nullopt, [&](PrintPanel& panel) {
        EXPECT_EQ(panel.paperBox()->currentText(), "A5");
        EXPECT_EQ(panel.orientationBox()->currentText(), "Paysage"); // not turned for the photo
        EXPECT_EQ(panel.copiesBox()->value(), 2);
        ASSERT_TRUE(PrintSession::current());
        EXPECT_EQ(PrintSession::current()->printer().pageLayout().margins(QPageLayout::Point), last.margins);
    });
    EXPECT_TRUE(PrintInfoMemory::didRestore());
}

TEST(PhotoPrinter, TheEndOfARunRemembersItAndHandsOnWhatPrinted)
{
    PrinterFixture f;
    const QStringList files = { f.photo("a.jpg", QSize(60, 90)), f.folder.write("b.jpg", "unreadable"),
        f.photo("c.jpg", QSize(60, 90)) };
    auto s = f.session(files, PrintPaperFormat::photo10x15, f.pdfPath());
    PhotoPrinter::finishRun(*s, false, false); // a cancelled or failed run
    EXPECT_TRUE(f.handed.isEmpty());
    EXPECT_FALSE(UserDefaults::standard().contains(PrintInfoMemory::kPrintInfoKey));

    ASSERT_TRUE(s->run());
    PhotoPrinter::finishRun(*s, true, true);
    EXPECT_TRUE(f.handed.isEmpty()); // in a later turn of the event loop
    ASSERT_TRUE(waitUntil([&] { return !f.handed.isEmpty(); }));
    EXPECT_EQ(f.handed, QList<QStringList>({ { files[0], files[2] } }));
    ASSERT_EQ(f.finished.size(), 1);
    EXPECT_EQ(f.finished[0].first, (QStringList { files[0], files[2] }));
    EXPECT_EQ(f.finished[0].second, QStringList { files[1] }) << "the unreadable photo's page is blank";
    const auto stored
        = PrintSettings::fromJson(*UserDefaults::standard().data(PrintInfoMemory::kPrintInfoKey));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->paperName, "10 × 15 cm");
    EXPECT_EQ(PrintInfoMemory::shared(), stored);
    // A file is no queue: no printer name is kept.
    EXPECT_FALSE(UserDefaults::standard().contains(PrintInfoMemory::kPrinterNameKey));

    // Nothing drawn, nothing handed on.
    auto blank = f.session({ files[1] }, PrintPaperFormat::a5, f.pdfPath("blank.pdf"));
    ASSERT_TRUE(blank->run());
    PhotoPrinter::finishRun(*blank, true, false);
    EXPECT_EQ(f.handed.size(), 1);
    ASSERT_EQ(f.finished.size(), 2) << "a run of blank pages is told all the same";
    EXPECT_EQ(f.finished[1].second, QStringList { files[1] });
}

TEST(PrintPanel, ControlsApplyToTheRunAndThePreviewFollows)
{
    PrintFixture f;
    QStringList files;
    for (int i = 1; i <= 3; ++i)
        files << f.photo(QStringLiteral("IMG_%1.jpg").arg(i), QSize(60, 90), QColor(40 * i, 200, 40));
    auto s = f.session(files, PrintPaperFormat::a4, f.pdfPath());
    PrintPanel panel(*s);
    panel.resize(700, 500);
    const QImage shot = panel.grab().toImage();
    ASSERT_FALSE(panel.preview()->rendered().isNull());
    const QImage first = panel.preview()->rendered();
    EXPECT_LT(first.width(), first.height()); // a portrait sheet

    panel.nextButton()->click();
    EXPECT_EQ(panel.pageLabel()->text(), "Page 2 sur 3");
    panel.nextButton()->click();
    EXPECT_EQ(panel.pageLabel()->text(), "Page 3 sur 3");
    EXPECT_FALSE(panel.nextButton()->isEnabled());
    panel.previousButton()->click();
    EXPECT_EQ(panel.preview()->page(), 2);

    panel.orientationBox()->setCurrentIndex(1);
    EXPECT_EQ(s->printer().pageLayout().orientation(), QPageLayout::Landscape);
    panel.grab();
    EXPECT_GT(panel.preview()->rendered().width(), panel.preview()->rendered().height());
    const int a5 = panel.paperBox()->findText("A5");
    ASSERT_GE(a5, 0);
    panel.paperBox()->setCurrentIndex(a5);
    EXPECT_NEAR(Printer::sheet(s->printer()).width(), 595, 1);

    panel.copiesBox()->setValue(3);
    panel.toBox()->setValue(3);
    panel.fromBox()->setValue(2);
    EXPECT_TRUE(panel.rangeButton()->isChecked());
    panel.accept();
    EXPECT_EQ(s->printer().copyCount(), 3);
    EXPECT_EQ(s->printer().printRange(), QPrinter::PageRange);
    EXPECT_EQ(s->printer().fromPage(), 2);
    EXPECT_EQ(s->printer().toPage(), 3);
    // Where the machine has print queues the panel chose one: the run goes to the file all the same.
    s->printer().setOutputFormat(QPrinter::PdfFormat);
    s->printer().setOutputFileName(f.pdfPath());
    ASSERT_TRUE(s->run());
    // Pages 2 and 3, three copies each, on landscape A5.
    const auto pdf = PdfDocument::open(f.pdfPath());
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf->pageCount(), 6);
    EXPECT_EQ(s->printedPhotos(), QStringList({ files[1], files[2] }));
}

TEST(PrintPanel, PagesTurnForTheirPhotosUntilAnOrientationIsChosen)
{
    // Four photos, portrait, landscape, landscape, portrait, on A4: from the menu each page takes its
    // photo's way and the panel shows the first's; an orientation chosen in the panel, or the panel
    // entry's remembered one, holds for every page. The remembered orientation is the panel's.
    PrinterFixture f;
    const QStringList files = { f.photo("1.jpg", QSize(60, 90)), f.photo("2.jpg", QSize(90, 60)),
        f.photo("3.jpg", QSize(90, 60)), f.photo("4.jpg", QSize(60, 90)) };
    using O = QPageLayout::Orientation;
    const O portrait = QPageLayout::Portrait;
    const O landscape = QPageLayout::Landscape;
    const struct
    {
        const char* what;
        std::optional<PrintPaperFormat> paper;
        std::optional<O> chosen; // in the panel
        QList<O> pages;
        const char* shown; // the panel's Orientation, before any choice
        const char* remembered;
    } cases[] = {
        { "menu paper", PrintPaperFormat::a4, std::nullopt, { portrait, landscape, landscape, portrait },
            "Portrait", "portrait" },
        { "menu paper, landscape chosen", PrintPaperFormat::a4, landscape,
            { landscape, landscape, landscape, landscape }, "Portrait", "landscape" },
        { "menu paper, portrait chosen after landscape", PrintPaperFormat::a4, portrait,
            { portrait, portrait, portrait, portrait }, "Portrait", "portrait" },
        { "panel entry, remembered landscape", std::nullopt, std::nullopt,
            { landscape, landscape, landscape, landscape }, "Paysage", "landscape" },
    };
    for (const auto& c : cases) {
        PrintSettings last;
        last.paperName = QStringLiteral("A4");
        last.paperSize = PrintPaperFormats::points(PrintPaperFormat::a4);
        last.orientation = PrintSettings::Orientation::landscape;
        PrintInfoMemory::resetForTesting();
        PrintInfoMemory::remember(UserDefaults::standard(), last);
        auto s = f.session(files, c.paper, f.pdfPath());
        PrintPanel panel(*s);
        panel.resize(700, 500);
        EXPECT_EQ(panel.orientationBox()->currentText(), c.shown) << c.what;
        // The preview shows each page's own sheet: from the menu, each photo's way.
        const QList<O> before = c.paper ? cases[0].pages : c.pages;
        for (int page = 1; page <= 4; ++page) {
            panel.preview()->setPage(page);
            panel.grab();
            const QImage shown = panel.preview()->rendered();
            EXPECT_EQ(shown.width() > shown.height(), before[page - 1] == landscape)
                << c.what << " preview " << page;
        }
        if (c.chosen) {
            // "portrait chosen after landscape": the box goes through Paysage first.
            panel.orientationBox()->setCurrentIndex(1);
            panel.orientationBox()->setCurrentIndex(*c.chosen == landscape ? 1 : 0);
            panel.preview()->setPage(2);
            panel.grab();
            const QImage shown = panel.preview()->rendered();
            EXPECT_EQ(shown.width() > shown.height(), *c.chosen == landscape) << c.what << " preview";
        }
        panel.accept();
        s->printer().setOutputFormat(QPrinter::PdfFormat);
        s->printer().setOutputFileName(f.pdfPath());
        ASSERT_TRUE(s->run()) << c.what;
        const auto pdf = PdfDocument::open(f.pdfPath());
        ASSERT_TRUE(pdf) << c.what;
        ASSERT_EQ(pdf->pageCount(), 4) << c.what;
        for (int page = 0; page < 4; ++page) {
            const QRectF box = pdf->mediaBox(page).value_or(QRectF());
            EXPECT_EQ(box.width() > box.height(), c.pages[page] == landscape)
                << c.what << " page " << page + 1;
            EXPECT_NEAR(std::max(box.width(), box.height()), 841.9, 1) << c.what;
        }
        PhotoPrinter::finishRun(*s, true, false);
        const auto stored = QuavelJSON::parse(*UserDefaults::standard().data(PrintInfoMemory::kPrintInfoKey));
        EXPECT_EQ(QuavelJSON::asString(stored["orientation"]), c.remembered) << c.what;
    }
}

TEST(PrintPhotosMenu, OffersTheFormatsAndIsDisabledWithoutPhotos)
{
    PrinterFixture f;
    PrintPhotosMenu menu(QStringLiteral("Imprimer"));
    QStringList texts;
    for (QAction* a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("—") : a->text());
    EXPECT_EQ(texts,
        QStringList({ "A5", "A4", "10 × 15 cm", "13 × 18 cm", "15 × 21 cm", "—", "Panneau d’impression…" }));

    EXPECT_FALSE(menu.menuAction()->isEnabled());
    EXPECT_EQ(menu.menuAction()->toolTip(), "Aucune photo à imprimer");
    const QString clip = f.folder.write("clip.MOV", "video");
    menu.setFiles({ clip });
    EXPECT_FALSE(menu.isEnabled());
    EXPECT_EQ(menu.toolTip(), "Aucune photo à imprimer");

    const QString photo = f.photo("IMG_0412.JPG", QSize(60, 90));
    menu.setFiles({ clip, photo });
    EXPECT_TRUE(menu.menuAction()->isEnabled());
    EXPECT_EQ(menu.menuAction()->toolTip(), "Imprimer en pleine résolution, sans compression");
    EXPECT_EQ(menu.photos(), QStringList({ photo }));
    bool none = true;
    f.printAndLook(
        {}, std::nullopt, [](PrintPanel&) {}, &none); // nothing to print: no panel
    EXPECT_FALSE(none);
    f.actAndLook([&] { menu.actions()[1]->trigger(); },
        [](PrintPanel& panel) {
            EXPECT_EQ(panel.windowTitle(), "Imprimer « IMG_0412 »");
            EXPECT_EQ(panel.paperBox()->currentText(), "A4");
        });
}

} // namespace
