#include "PdfWriter.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace quavel::test {

void writePdf(const QString& path, const QList<PdfPage>& pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    painter.setFont(font);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const PdfText& t : pages[i])
            painter.drawText(QPointF(t.x, t.y), t.text);
    }
}

QByteArray lockedPdf()
{
    // A one-page document with a standard security handler (revision 2) whose owner and user keys
    // match no password, written with exact cross-reference offsets.
    QList<QByteArray> objects { "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
        "<< /Length 0 >>\nstream\n\nendstream",
        "<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + QByteArray(64, 'a') + "> /U <" + QByteArray(64, 'b')
            + "> >>" };
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1)
        + " /Root 1 0 R /Encrypt 5 0 R /ID [<0123456789abcdef0123456789abcdef> "
          "<0123456789abcdef0123456789abcdef>] >>\n";
    out += "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

PdfPage linesPage(const QStringList& lines)
{
    PdfPage page;
    for (qsizetype i = 0; i < lines.size(); ++i)
        page.append({ 40, 60 + 14.0 * double(i), lines[i] });
    return page;
}

} // namespace quavel::test
