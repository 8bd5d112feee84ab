// The paper formats and the page maths of printing: which files print, the job title, orientation,
// the printable area (with the inset for printers that report the whole sheet), fitting and the render
// size at the printer's resolution.
#include "photo/print/PrintPagination.h"
#include "photo/print/PrintPaperFormat.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::PrintPagination;

namespace {

constexpr double kPt = 72.0 / 25.4;

void expectRect(const QRectF& actual, const QRectF& expected, const char* what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9) << what;
}

TEST(PrintPaperFormat, FiveFormatsInMenuOrderWithExactPoints)
{
    const struct
    {
        PrintPaperFormat format;
        const char* raw;
        const char* title;
        double width;
        double height;
    } rows[] = {
        { PrintPaperFormat::a5, "a5", "A5", 419.5275590551181, 595.2755905511812 },
        { PrintPaperFormat::a4, "a4", "A4", 595.2755905511812, 841.8897637795276 },
        { PrintPaperFormat::photo10x15, "photo10x15", "10 × 15 cm", 100 * kPt, 150 * kPt },
        { PrintPaperFormat::photo13x18, "photo13x18", "13 × 18 cm", 130 * kPt, 180 * kPt },
        { PrintPaperFormat::photo15x21, "photo15x21", "15 × 21 cm", 150 * kPt, 210 * kPt },
    };
    QList<PrintPaperFormat> order;
    for (const auto& r : rows) {
        order.append(r.format);
        EXPECT_EQ(PrintPaperFormats::rawValue(r.format), QLatin1String(r.raw));
        EXPECT_EQ(PrintPaperFormats::fromRawValue(QString::fromLatin1(r.raw)), r.format);
        EXPECT_EQ(PrintPaperFormats::title(r.format), QString::fromUtf8(r.title));
        EXPECT_NEAR(PrintPaperFormats::points(r.format).width(), r.width, 1e-9) << r.raw;
        EXPECT_NEAR(PrintPaperFormats::points(r.format).height(), r.height, 1e-9) << r.raw;
    }
    EXPECT_EQ(PrintPaperFormats::allCases(), order);
    EXPECT_EQ(PrintPaperFormats::fromRawValue(u"A4"), std::nullopt);
    EXPECT_EQ(PrintPaperFormats::fromRawValue(u"photo10x16"), std::nullopt);
}

TEST(PrintPagination, PhotosTitlesAndOrientation)
{
    EXPECT_EQ(photosAmong({ "/o/IMG_2.jpg", "/o/clip.MOV", "/o/IMG_1.CR3", "/o/b.m2ts", "/o/notes" }),
        QStringList({ "/o/IMG_2.jpg", "/o/IMG_1.CR3", "/o/notes" }));
    EXPECT_TRUE(photosAmong({ "/o/a.mp4", "/o/b.webm" }).isEmpty());

    EXPECT_EQ(jobTitle({ "/o/IMG_0412.JPG" }), "IMG_0412");
    EXPECT_EQ(jobTitle({ "/o/tirage.final.tif" }), "tirage.final");
    EXPECT_EQ(jobTitle({ "/o/a.jpg", "/o/b.jpg" }), "QUAVEL — 2 photos");
    EXPECT_EQ(jobTitle(QStringList(12, "/o/a.jpg")), "QUAVEL — 12 photos");

    EXPECT_TRUE(landscapeFor(QSize(6000, 4000)));
    EXPECT_FALSE(landscapeFor(QSize(4000, 6000)));
    EXPECT_FALSE(landscapeFor(QSize(5000, 5000)));
    EXPECT_FALSE(landscapeFor(std::nullopt));
}

TEST(PrintPagination, PrintableAreaKeepsAnInsetOnWholeSheets)
{
    const QSizeF a4(595.2755905511812, 841.8897637795276);
    const QRectF inset(8.5, 8.5, a4.width() - 17, a4.height() - 17);
    const struct
    {
        const char* what;
        QRectF imageable;
        QRectF expected;
    } cases[] = {
        { "whole sheet", QRectF(QPointF(), a4), inset },
        { "whole sheet within 1.5 points", QRectF(1.4, -1.4, a4.width() - 1.4, a4.height() + 1.4), inset },
        { "printer margins", QRectF(12, 14, 571, 800), QRectF(12, 14, 571, 800) },
        { "offset by 1.5 points", QRectF(1.5, 0, a4.width(), a4.height()),
            QRectF(1.5, 0, a4.width(), a4.height()) },
        { "10 points wide", QRectF(20, 20, 10, 500), inset },
        { "10 points high", QRectF(20, 20, 500, 10), inset },
        { "nothing", QRectF(), inset },
    };
    for (const auto& c : cases)
        expectRect(printableArea(a4, c.imageable).rect(), c.expected, c.what);

    expectRect(printableArea(QSizeF(10, 20), QRectF()).rect(), QRectF(8.5, 8.5, 1, 3), "tiny sheet");
    expectRect(printableAreaWithoutJob(QSizeF(500, 700)).rect(), QRectF(8.5, 8.5, 483, 683), "frame");
    expectRect(printableAreaWithoutJob(QSizeF(12, 700)).rect(), QRectF(8.5, 8.5, 1, 683), "narrow frame");
    expectRect(printableAreaWithoutJob(QSizeF(1, 700)).rect(),
        QRectF(8.5, 8.5, 402.5275590551181, 578.2755905511812), "no frame");

    EXPECT_EQ(frameSize(a4, QRectF(5, 5, 10, 800)), a4);
    EXPECT_EQ(frameSize(a4, QRectF(5, 5, 11, 800)), QSizeF(11, 800));
}

TEST(PrintPagination, PagesFitAndRenderSize)
{
    EXPECT_EQ(pageCount(0), 1);
    EXPECT_EQ(pageCount(7), 7);
    const struct
    {
        int page, count, index;
    } pages[]
        = { { 0, 3, 0 }, { 1, 3, 0 }, { 2, 3, 1 }, { 3, 3, 2 }, { 9, 3, 2 }, { -4, 3, 0 }, { 1, 0, 0 } };
    for (const auto& p : pages)
        EXPECT_EQ(photoIndexForPage(p.page, p.count), p.index) << p.page << " of " << p.count;

    const QRectF page(8.5, 8.5, 578.28, 824.89);
    expectRect(fittedRect(QSizeF(6000, 4000), page), QRectF(8.5, 8.5 + (824.89 - 385.52) / 2, 578.28, 385.52),
        "landscape photo, white bands above and below");
    expectRect(fittedRect(QSizeF(100, 100), QRectF(0, 0, 200, 400)), QRectF(0, 100, 200, 200), "enlarged");
    expectRect(fittedRect(QSizeF(0, 100), page), page, "no width");
    EXPECT_FALSE(isDrawable(QRectF(0, 0, 0.5, 100)));
    EXPECT_TRUE(isDrawable(QRectF(0, 0, 0.51, 0.51)));

    const struct
    {
        QSizeF points;
        int dpi;
        QSize pixels;
    } renders[] = {
        { QSizeF(578.28, 824.89), 1200, QSize(2410, 3437) },
        { QSizeF(578.28, 824.89), 300, QSize(2410, 3437) },
        { QSizeF(578.28, 824.89), 150, QSize(1205, 1719) },
        { QSizeF(72, 36), 96, QSize(96, 48) },
        { QSizeF(0.6, 0.6), 72, QSize(1, 1) },
    };
    for (const auto& r : renders)
        EXPECT_EQ(renderPixels(r.points, r.dpi), r.pixels) << r.dpi;
}

} // namespace
