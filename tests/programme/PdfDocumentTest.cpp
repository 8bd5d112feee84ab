#include "PdfWriter.h"

#include "platform/pdf/PdfDocument.h"
#include "platform/text/Regex.h"

#include "ProgrammeTestSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;

TEST(PdfDocument, readsPageTextInThePhysicalLayout)
{
    test::TempFolder folder;
    const QString path = folder.file("liste.pdf");
    test::writePdf(path,
        { { { 40, 60, "Ordre" }, { 120, 60, "Cheval" }, { 330, 60, "Nom du cavalier" },
              { 40, 74, "A AB 12 1234567X" }, { 330, 74, "DUPONT Jean-Éric" } },
            {}, test::linesPage({ "SAMEDI 14 JUIN" }) });
    const auto doc = PdfDocument::open(path);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->pageCount(), 3);
    const QString first = doc->pageText(0).value_or("?");
    // A table row stays on one line, and the page's form feed and last line feed are gone.
    EXPECT_TRUE(Regex("^Ordre +Cheval +Nom du cavalier\nA AB 12 1234567X +DUPONT Jean-Éric$").contains(first))
        << first.toStdString();
    EXPECT_EQ(doc->pageText(1), "");
    EXPECT_EQ(doc->pageText(2), "SAMEDI 14 JUIN");
    EXPECT_EQ(doc->pageText(3), std::nullopt);
    EXPECT_EQ(doc->mediaBox(0), QRectF(0, 0, 595, 842));
    EXPECT_EQ(doc->text(0, QRectF(0.54 * 595, 0, 0.46 * 595, 842)), "Nom du cavalier\nDUPONT Jean-Éric");
    // Characters are taken by where their glyphs stand, even within a word.
    EXPECT_EQ(doc->text(0, QRectF(0, 0, 100, 842)), "Ordre\nA AB 12 1234");
}

// The vertical gaps between a page's blocks make no empty lines.
TEST(PdfDocument, gapsBetweenLinesAreNoLines)
{
    test::TempFolder folder;
    const QString path = folder.file("gaps.pdf");
    test::writePdf(
        path, { { { 40, 60, "Samedi" }, { 40, 300, "Grand Prix" }, { 40, 700, "12 DUPONT Jean" } } });
    const auto doc = PdfDocument::open(path);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->pageText(0), "Samedi\nGrand Prix\n12 DUPONT Jean");
}

TEST(PdfDocument, refusesWhatIsNoReadablePdf)
{
    test::TempFolder folder;
    EXPECT_FALSE(PdfDocument::open(folder.file("absent.pdf")));
    EXPECT_FALSE(PdfDocument::fromData(QByteArray()));
    EXPECT_FALSE(PdfDocument::fromData("%PDF-1.4\n garbage \x01\x02"));
    EXPECT_FALSE(PdfDocument::fromData(test::lockedPdf()));
}
