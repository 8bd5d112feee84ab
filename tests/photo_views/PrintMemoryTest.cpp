// Printing many large photos holds a few decoded photos at a time: the peak resident size of a run of
// ten 24-megapixel photos, measured in a process of its own, stays under 1 GB (holding them all would
// take about 1 GB of pixels alone, and a hundred 9.6 GB).
#include "photo_views/PrintFixture.h"
#include "photo_views/ProbeProcess.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST(PrintMemory, TenPhotosOf24MegapixelsStayUnderOneGigabyte)
{
    PrintFixture f;
    QImage large(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < large.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(large.scanLine(y));
        for (int x = 0; x < large.width(); ++x)
            line[x] = qRgb(x * 255 / 6000, y * 255 / 4000, 128);
    }
    const QString first = writePhoto(f.folder.file("IMG_0001.jpg"), large, 1, 90);
    large = QImage();
    QStringList arguments = { "pdf", f.pdfPath(), "a4", first };
    for (int i = 2; i <= 10; ++i) {
        const QString copy = f.folder.file(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(QFile::copy(first, copy));
        arguments << copy;
    }
    const ProbeRun run = runPrintProbe(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("printed 10")) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("held 3") || run.output.contains("held 2")) << run.output.toStdString();
    EXPECT_LT(run.peakResidentKb, 1024L * 1024L) << run.peakResidentKb / 1024 << " MB";
    std::printf("peak resident size of the run: %ld MB\n", run.peakResidentKb / 1024);
    const auto pdf = PdfDocument::open(f.pdfPath());
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf->pageCount(), 10);
}

} // namespace
