#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quavel::test {

// One text drawn on a PDF page, its baseline starting at (x, y) in points from the top-left corner.
struct PdfText
{
    double x;
    double y;
    QString text;
};

using PdfPage = QList<PdfText>;

// Writes an A4 PDF (595 × 842 points) with the given pages, 9-pixel DejaVu Sans text.
void writePdf(const QString& path, const QList<PdfPage>& pages);

// A small PDF protected by a user password the reader does not know.
QByteArray lockedPdf();

// Lines down a page, one every 14 points from y = 60, each starting at x = 40.
PdfPage linesPage(const QStringList& lines);

} // namespace quavel::test
