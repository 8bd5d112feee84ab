// Print runs through QtPrintSupport into PDF files, no panel: pages, sheets and each page's orientation
// on each paper, the inset on a printer that reports the whole sheet, titles, an unreadable photo, page
// ranges and copies, photos kept uncompressed at the render resolution, and sheets of large photos
// painted while the GUI thread goes on serving its events.
#include "photo/print/PrintPaperFormat.h"
#include "photo_views/PrintFixture.h"
#include "ui/print/Printer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include <sys/stat.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct Sheet
{
    double width;
    double height;
};

Sheet pdfSheet(const PdfDocument& pdf, int index)
{
    const QRectF box = pdf.mediaBox(index).value_or(QRectF());
    return { box.width(), box.height() };
}

TEST(PrintJob, EachPaperTurnsEverySheetForItsOwnPhoto)
{
    PrintFixture f;
    const struct
    {
        const char* what;
        QSize stored;
        int orientation;
        bool landscape;
    } photos[] = {
        { "landscape", QSize(90, 60), 1, true },
        { "portrait", QSize(60, 90), 1, false },
        { "square", QSize(70, 70), 1, false },
        { "landscape as stored, turned by its orientation", QSize(90, 60), 6, false },
        { "portrait as stored, turned by its orientation", QSize(60, 90), 8, true },
    };
    // Each photo of the table first, then a portrait one and a landscape one: no page follows another's.
    const QString tall = f.photo(QStringLiteral("tall.jpg"), QSize(60, 90));
    const QString wide = f.photo(QStringLiteral("wide.jpg"), QSize(90, 60));
    for (PrintPaperFormat format : PrintPaperFormats::allCases()) {
        const QSizeF paper = PrintPaperFormats::points(format);
        for (const auto& p : photos) {
            const QString what
                = PrintPaperFormats::rawValue(format) + QStringLiteral(", ") + QString::fromUtf8(p.what);
            const QString first = f.photo(QStringLiteral("first.jpg"), p.stored, Qt::blue, p.orientation);
            auto s = f.session({ first, tall, wide }, format, f.pdfPath());
            ASSERT_TRUE(s->run()) << what.toStdString();
            const auto pdf = PdfDocument::open(f.pdfPath());
            ASSERT_TRUE(pdf) << what.toStdString();
            ASSERT_EQ(pdf->pageCount(), 3);
            const bool landscape[] = { p.landscape, false, true };
            for (int page = 0; page < 3; ++page) {
                const Sheet expected = landscape[page] ? Sheet { paper.height(), paper.width() }
                                                       : Sheet { paper.width(), paper.height() };
                EXPECT_NEAR(pdfSheet(*pdf, page).width, expected.width, 0.5) << what.toStdString() << page;
                EXPECT_NEAR(pdfSheet(*pdf, page).height, expected.height, 0.5) << what.toStdString() << page;
            }
            EXPECT_EQ(s->printer().pageLayout().margins(QPageLayout::Point), QMarginsF())
                << what.toStdString();
            // Outside the run the printer is turned as the first page, which the panel shows.
            EXPECT_EQ(s->printer().pageLayout().orientation() == QPageLayout::Landscape, p.landscape)
                << what.toStdString();
        }
    }
}

TEST(PrintJob, ATurnedSheetHoldsItsWholePhoto)
{
    // A landscape sheet after a portrait one: the photo reaches the far corners of its own sheet, not
    // clipped to the sheet before it.
    PrintFixture f;
    const QString tall = f.photo("tall.jpg", QSize(400, 600), QColor(200, 30, 30));
    const QString wide = f.photo("wide.jpg", QSize(600, 400), QColor(30, 30, 200));
    auto s = f.session({ tall, wide, tall }, PrintPaperFormat::a5, f.pdfPath());
    ASSERT_TRUE(s->run());
    for (int page : { 1, 2, 3 }) {
        const QImage shown = pdfPage(f.pdfPath(), page, f.folder.path());
        ASSERT_FALSE(shown.isNull()) << page;
        const bool landscape = page == 2;
        EXPECT_EQ(shown.width() > shown.height(), landscape) << page;
        // Each photo fills its sheet's long side less the inset (4.25 pixels at 36 dots per inch): check
        // near the end of that side, past the short side of the other orientation, and the inset beyond.
        const QPoint within = landscape ? QPoint(shown.width() - 7, shown.height() / 2)
                                        : QPoint(shown.width() / 2, shown.height() - 7);
        const QPoint inset = landscape ? QPoint(shown.width() - 2, shown.height() / 2)
                                       : QPoint(shown.width() / 2, shown.height() - 2);
        const QRgb photo = shown.pixel(within);
        if (landscape)
            EXPECT_TRUE(qBlue(photo) > 150 && qRed(photo) < 80) << page;
        else
            EXPECT_TRUE(qRed(photo) > 150 && qBlue(photo) < 80) << page;
        EXPECT_GT(qGreen(shown.pixel(inset)), 240) << page;
    }
}

TEST(PrintJob, TitlesLeaveOutVideos)
{
    PrintFixture f;
    const QString one = f.photo("IMG_0412.JPG", QSize(60, 90));
    auto single = f.session({ one }, PrintPaperFormat::a5, f.pdfPath("one.pdf"));
    ASSERT_TRUE(single->run());
    EXPECT_EQ(pdfTitle(f.pdfPath("one.pdf")), "IMG_0412");

    const QString video = f.folder.write("clip.mov", "not a photo");
    const QStringList files = { f.photo("a.jpg", QSize(60, 90)), video, f.photo("b.jpg", QSize(60, 90)) };
    auto several = f.session(PrintPagination::photosAmong(files), PrintPaperFormat::a4, f.pdfPath("two.pdf"));
    ASSERT_TRUE(several->run());
    EXPECT_EQ(pdfTitle(f.pdfPath("two.pdf")), "QUAVEL — 2 photos");
    EXPECT_EQ(PdfDocument::open(f.pdfPath("two.pdf"))->pageCount(), 2);
    EXPECT_EQ(several->printedPhotos(), QStringList({ files[0], files[2] }));
}

TEST(PrintJob, AWholeSheetPrinterKeepsTheInsetAndPhotosAreFittedOnWhite)
{
    PrintFixture f;
    // 10 × 15 cm at 36 dots per inch: 142 × 213 pixels; the inset is 8.5 points, 4.25 pixels.
    const QString wide = f.photo("wide.jpg", QSize(300, 100), QColor(20, 20, 200));
    auto s = f.session({ wide }, PrintPaperFormat::photo10x15, f.pdfPath());
    // A PDF file is all printable: the whole-sheet rule applies.
    EXPECT_EQ(Printer::imageableBounds(s->printer()), QRectF(QPointF(), Printer::sheet(s->printer())));
    EXPECT_EQ(s->printable().origin, QPointF(8.5, 8.5));
    ASSERT_TRUE(s->run());
    const QImage page = pdfPage(f.pdfPath(), 1, f.folder.path());
    ASSERT_FALSE(page.isNull());
    // Landscape sheet 425.2 × 283.5 points: the photo spans the inset width, centred with white bands.
    const int w = page.width();
    const int h = page.height();
    EXPECT_NEAR(w, 213, 1);
    const auto isBlue
        = [&page](int x, int y) { return qBlue(page.pixel(x, y)) > 150 && qRed(page.pixel(x, y)) < 80; };
    const auto isWhite
        = [&page](int x, int y) { return qRed(page.pixel(x, y)) > 240 && qBlue(page.pixel(x, y)) > 240; };
    EXPECT_TRUE(isWhite(2, h / 2)); // inside the inset
    EXPECT_TRUE(isBlue(6, h / 2)); // the photo starts past it
    EXPECT_TRUE(isBlue(w - 7, h / 2));
    EXPECT_TRUE(isWhite(w - 2, h / 2));
    EXPECT_TRUE(isWhite(w / 2, 8)); // band above: 300 × 100 fitted to 408.2 × 136.1 points
    EXPECT_TRUE(isBlue(w / 2, h / 2));
    EXPECT_TRUE(isWhite(w / 2, h - 8)); // band below
}

TEST(PrintJob, AnUnreadablePhotoPrintsWhiteAndIsNotReportedPrinted)
{
    PrintFixture f;
    const QStringList files
        = { f.photo("1.jpg", QSize(60, 90), Qt::red), f.folder.write("2.jpg", "\xFF\xD8 truncated"),
              f.photo("3.jpg", QSize(60, 90), Qt::red), f.folder.file("missing.jpg") };
    auto s = f.session(files, PrintPaperFormat::a5, f.pdfPath());
    ASSERT_TRUE(s->run());
    ASSERT_EQ(PdfDocument::open(f.pdfPath())->pageCount(), 4);
    for (int page : { 1, 3 }) {
        const QImage shown = pdfPage(f.pdfPath(), page, f.folder.path());
        EXPECT_GT(qRed(shown.pixel(shown.width() / 2, shown.height() / 2)), 200) << page;
        EXPECT_LT(qGreen(shown.pixel(shown.width() / 2, shown.height() / 2)), 60) << page;
    }
    for (int page : { 2, 4 }) {
        const QImage blank = pdfPage(f.pdfPath(), page, f.folder.path());
        EXPECT_GT(qGreen(blank.pixel(blank.width() / 2, blank.height() / 2)), 240) << page;
    }
    EXPECT_EQ(s->printedPhotos(), QStringList({ files[0], files[2] }));
}

TEST(PrintJob, PipesAndDamagedPhotosPrintWhiteWithoutWaitingAndAreNotReportedPrinted)
{
    PrintFixture f;
    // First: the paper's orientation is read from it.
    const QString pipe = f.folder.file("1.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const QString zero = f.folder.file("2.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    PhotoRecipe checker = filled(240, 360, QColor(200, 40, 40));
    checker.checker = 8;
    // Cut in half: libjpeg would make up the lower half in grey.
    const QString cut = truncateFile(writePhoto(f.folder.file("3.jpg"), checker));
    // Stray bytes before the scan: a warning every viewer passes over.
    const QString stray = writeStrayBytesJpeg(f.folder.file("4.jpg"), checker);
    HangGuard guard(60000, QStringLiteral("printing pipes"));
    auto s = f.session({ pipe, zero, cut, stray }, PrintPaperFormat::a5, f.pdfPath());
    ASSERT_TRUE(s->run());
    ASSERT_EQ(PdfDocument::open(f.pdfPath())->pageCount(), 4);
    const QImage blank = pdfPage(f.pdfPath(), 3, f.folder.path());
    EXPECT_GT(qGreen(blank.pixel(blank.width() / 2, blank.height() * 3 / 4)), 240) << "no grey half";
    EXPECT_EQ(s->printedPhotos(), QStringList({ stray }));
}

TEST(PrintJob, RangesAndCopiesPrintTheChosenPages)
{
    PrintFixture f;
    QStringList files;
    for (int i = 1; i <= 4; ++i)
        files << f.photo(QStringLiteral("IMG_%1.jpg").arg(i), QSize(60, 90));
    const struct
    {
        const char* what;
        int from, to, copies;
        bool collate;
        int sheets;
        QStringList printed;
    } cases[] = {
        { "all pages", 0, 0, 1, true, 4, files },
        { "pages 2 to 3", 2, 3, 1, true, 2, { files[1], files[2] } },
        { "page 4 twice, collated", 4, 4, 2, true, 2, { files[3] } },
        { "pages 1 to 2, three copies each", 1, 2, 3, false, 6, { files[0], files[1] } },
        { "a range past the end", 3, 9, 1, true, 2, { files[2], files[3] } },
    };
    for (const auto& c : cases) {
        auto s = f.session(files, PrintPaperFormat::a5, f.pdfPath());
        if (c.from > 0) {
            s->printer().setPrintRange(QPrinter::PageRange);
            s->printer().setFromTo(c.from, c.to);
        }
        s->printer().setCopyCount(c.copies);
        s->printer().setCollateCopies(c.collate);
        ASSERT_TRUE(s->run()) << c.what;
        EXPECT_EQ(PdfDocument::open(f.pdfPath())->pageCount(), c.sheets) << c.what;
        EXPECT_EQ(s->printedPhotos(), c.printed) << c.what;
    }
}

TEST(PrintJob, PhotosAreStoredLosslesslyAtTheRenderResolution)
{
    PrintFixture f;
    // Qt lays sheets out in whole points: A5 is 420 × 595, 403 × 578 less the inset; a 2:3 photo fits as
    // 385.3 × 578 points, which at 300 dots per inch is 1606 × 2408 pixels, enlarged here from 600 × 900.
    QImage noise(600, 900, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, (x * y) % 256));
    const QString photo = writePhoto(f.folder.file("noise.jpg"), noise, 1, 90);
    auto s = f.session({ photo }, PrintPaperFormat::a5, f.pdfPath());
    EXPECT_EQ(s->printer().resolution(), 1200);
    EXPECT_EQ(s->renderDpi(), 300);
    ASSERT_TRUE(s->run());
    const QByteArray pdf = readFile(f.pdfPath());
    EXPECT_FALSE(pdf.contains("/DCTDecode"));
    EXPECT_TRUE(pdf.contains("/Width 1606"));
    EXPECT_TRUE(pdf.contains("/Height 2408"));
}

} // namespace

namespace {

TEST(PrintJob, ACancelledRunIsToldFromAFailedOne)
{
    PrintFixture f;
    const QStringList files = { f.photo("a.jpg", QSize(60, 90)), f.photo("b.jpg", QSize(60, 90)) };
    auto cancelled = f.session(files, PrintPaperFormat::a5, f.pdfPath());
    EXPECT_FALSE(cancelled->run([](int done, int) { return done < 1; }));
    EXPECT_TRUE(cancelled->cancelled());
    EXPECT_TRUE(cancelled->printedPhotos().isEmpty());

    auto failed = f.session(files, PrintPaperFormat::a5, f.folder.file("missing/folder/job.pdf"));
    EXPECT_FALSE(failed->run());
    EXPECT_FALSE(failed->cancelled());
    EXPECT_TRUE(failed->printedPhotos().isEmpty());
}

// A painting that throws (memory running out while a sheet is composed) ends the run: the GUI thread
// stops serving events for it, and the failure reaches the caller once the worker is joined.
TEST(PrintJob, APaintingThatThrowsEndsTheRunAndReachesTheCaller)
{
    PrintFixture f;
    const QStringList files = { f.photo("a.jpg", QSize(60, 90)), f.photo("b.jpg", QSize(60, 90)) };
    PrintSession s(
        files, PrintPaperFormat::a5, [](const QString&, int) -> QImage { throw std::bad_alloc(); });
    s.printer().setOutputFormat(QPrinter::PdfFormat);
    s.printer().setOutputFileName(f.pdfPath());
    int told = 0;
    const test::HangGuard guard(30000, QStringLiteral("a print run whose painting threw"));
    EXPECT_ANY_THROW(s.run([&](int, int) {
        ++told;
        return true;
    }));
    EXPECT_EQ(told, 1) << "asked before the first sheet only: no sheet after the failure, no end told";
    EXPECT_TRUE(s.printedPhotos().isEmpty());
}

} // namespace

namespace {

// A 24-megapixel photo of noise, as costly to scale and compress as a real one.
QString noisePhoto(const PrintFixture& f, const QString& name, quint32 seed)
{
    QImage picture(6000, 4000, QImage::Format_RGB32);
    quint32 x = seed;
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(picture.scanLine(y));
        for (int i = 0; i < picture.width(); ++i) {
            x = x * 1664525u + 1013904223u;
            row[i] = 0xFF000000u | (x >> 8);
        }
    }
    return writePhoto(f.folder.file(name), picture, 1, 90);
}

TEST(PrintJob, SheetsArePaintedOffTheGuiThreadAndAnUnreadablePageStaysBlankAndUndelivered)
{
    PrintFixture f;
    const QString one = noisePhoto(f, QStringLiteral("IMG_0001.jpg"), 1);
    const QString two = noisePhoto(f, QStringLiteral("IMG_0002.jpg"), 2);
    const QString unreadable = f.folder.write("IMG_0003.jpg", "\xFF\xD8 not a photo");
    const QStringList files = { one, two, unreadable, one, two };
    auto s = f.session(files, PrintPaperFormat::a4, f.pdfPath());

    QElapsedTimer clock;
    clock.start();
    int progressCalls = 0;
    bool ran = false;
    const qint64 longestGap = test::eventLoopGapsWhile([&] {
        ran = s->run([&](int, int) {
            ++progressCalls;
            return true;
        });
    }).longestMs;
    const qint64 took = clock.elapsed();
    ASSERT_TRUE(ran);

    std::printf("printed %d sheets of 24 MP in %lld ms, longest GUI gap %lld ms\n", int(files.size()),
        static_cast<long long>(took), static_cast<long long>(longestGap));
    EXPECT_EQ(progressCalls, int(files.size()) + 1) << "told before each sheet, and at the end";
    // Under the sanitizers the run still checks that the job completes and what it delivers.
    if (test::timeBoundsApply()) {
        EXPECT_LT(longestGap, 1000) << "the GUI thread was held while the sheets were painted";
    }
    ASSERT_EQ(PdfDocument::open(f.pdfPath())->pageCount(), int(files.size()));
    const QImage blank = pdfPage(f.pdfPath(), 3, f.folder.path());
    EXPECT_GT(qGreen(blank.pixel(blank.width() / 2, blank.height() / 2)), 240);
    EXPECT_GT(qRed(blank.pixel(blank.width() / 2, blank.height() / 2)), 240);
    EXPECT_EQ(s->printedPhotos(), QStringList({ one, two, one, two })) << "the blank page is not delivered";
}

} // namespace
