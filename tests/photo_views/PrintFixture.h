#pragma once

// The fixture builder of the printing tests: photos written as real JPEG files (with an EXIF
// orientation when asked), print runs into real PDF files through QtPrintSupport, and the PDF read
// back with poppler and its command-line tools.
#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "photo/print/PrintInfoMemory.h"
#include "photo/views/PhotoPrinter.h"
#include "photo/views/PrintSession.h"
#include "platform/pdf/PdfDocument.h"

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <optional>

namespace quavel::test {

// A JPEG with an EXIF orientation (1 to 8).
inline QByteArray jpegBytes(const QImage& image, int orientation = 1)
{
    return photoBytes(QStringLiteral("jpg"), image, orientation, 90);
}

struct PrintFixture
{
    TempFolder folder;

    PrintFixture() { PrintInfoMemory::resetForTesting(); }
    ~PrintFixture() { PrintInfoMemory::resetForTesting(); }

    // A photo of one colour, `size` as stored in the file.
    QString photo(
        const QString& name, QSize size, QColor colour = QColor(200, 40, 40), int orientation = 1) const
    {
        PhotoRecipe recipe = filled(size.width(), size.height(), colour);
        recipe.orientation = orientation;
        recipe.quality = 90;
        return writePhoto(folder.file(name), recipe);
    }

    QString pdfPath(const QString& name = QStringLiteral("job.pdf")) const { return folder.file(name); }

    // A run set up as print() sets it up, written to a PDF file instead of a queue.
    std::unique_ptr<PrintSession> session(
        const QStringList& files, std::optional<PrintPaperFormat> paper, const QString& pdf) const
    {
        auto s = std::make_unique<PrintSession>(files, paper, &PhotoPrinter::loadPhoto);
        s->printer().setOutputFormat(QPrinter::PdfFormat);
        s->printer().setOutputFileName(pdf);
        return s;
    }
};

// A command-line tool's output; empty when it fails.
inline QString tool(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QString pdfTitle(const QString& pdf)
{
    for (const QString& line : tool(QStringLiteral("pdfinfo"), { pdf }).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Title:")))
            return line.mid(6).trimmed();
    return {};
}

// A page of the PDF as a picture at 36 dots per inch (half a pixel per point).
inline QImage pdfPage(const QString& pdf, int page, const QString& folder)
{
    const QString out = folder + QStringLiteral("/page");
    tool(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("36"), QStringLiteral("-f"), QString::number(page),
            QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
            QStringLiteral("-png"), pdf, out });
    return QImage(out + QStringLiteral(".png"));
}

} // namespace quavel::test
