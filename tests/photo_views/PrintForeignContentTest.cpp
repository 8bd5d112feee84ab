// Documents under photo names in a print job (SVG with an <image href> to a private image, PDF,
// PostScript, ImageMagick and XPM text, matrix text, each named .jpg, .png and .tif): each page prints
// white and is not reported printed, the private image on no page, while the photo among them prints.
#include "photo/print/PrintPaperFormat.h"
#include "photo_views/PrintFixture.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST(PrintForeignContent, DocumentsPrintWhiteAndAreNotReportedPrinted)
{
    PrintFixture f;
    const QString privateImage
        = writePhoto(f.folder.file(QStringLiteral("Images/famille.png")), filled(64, 48, Qt::magenta));
    QStringList files = { f.photo(QStringLiteral("IMG_0001.jpg"), QSize(60, 90), Qt::red) };
    int n = 1;
    for (ForeignContent content : { ForeignContent::svg, ForeignContent::pdf, ForeignContent::postscript,
             ForeignContent::magickText, ForeignContent::xpm, ForeignContent::matrixText })
        for (const char* extension : { "jpg", "png", "tif" })
            files.append(
                f.folder.write(QStringLiteral("IMG_%1.%2").arg(++n, 4, 10, QLatin1Char('0')).arg(extension),
                    foreignBytes(content, privateImage)));
    auto s = f.session(files, PrintPaperFormat::a5, f.pdfPath());
    ASSERT_TRUE(s->run());
    ASSERT_EQ(PdfDocument::open(f.pdfPath())->pageCount(), files.size());
    for (int page = 1; page <= files.size(); ++page) {
        const QImage shown = pdfPage(f.pdfPath(), page, f.folder.path());
        ASSERT_FALSE(shown.isNull()) << page;
        const QColor centre = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        if (page == 1)
            EXPECT_TRUE(near(centre, Qt::red, 60)) << "the photo prints";
        else
            EXPECT_EQ(centre, QColor(Qt::white)) << files[page - 1].toStdString();
    }
    EXPECT_EQ(s->printedPhotos(), QStringList({ files[0] }));
}

} // namespace
