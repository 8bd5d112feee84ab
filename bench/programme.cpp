// Programme import speed against reference work in the same run:
//   programme.xlsx_vs_inflate   a 20,000-row workbook read into a document / inflating its entries alone
//   programme.pdf_vs_pdftotext  a 100-page start list read into a document / pdftotext on the same file
// Each figure is the median of per-round ratios, the side that runs first alternating by round.
#include "BenchSupport.h"

#include "programme/ExcelProgrammeParser.h"
#include "programme/PDFProgrammeParser.h"
#include "programme/ZipArchive.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QString>

#include <zlib.h>

#include <cstdio>

using namespace quavel;

namespace {

// Rounds of each figure; in each, both sides run, the side that runs first alternating.
constexpr int workbookRounds = 15;
constexpr int startListRounds = 3;

void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

QByteArray deflateRaw(const QByteArray& data)
{
    z_stream s {};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&s, uLong(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.truncate(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

QByteArray zipOf(const QList<std::pair<QByteArray, QByteArray>>& entries)
{
    QByteArray out, central;
    for (const auto& [name, data] : entries) {
        const QByteArray body = deflateRaw(data);
        const quint32 offset = quint32(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 8);
        put32(out, 0);
        put32(out, 0);
        put32(out, quint32(body.size()));
        put32(out, quint32(data.size()));
        put16(out, quint32(name.size()));
        put16(out, 0);
        out += name + body;
        put32(central, 0x02014b50);
        put16(central, 20);
        put16(central, 20);
        put16(central, 0);
        put16(central, 8);
        put32(central, 0);
        put32(central, 0);
        put32(central, quint32(body.size()));
        put32(central, quint32(data.size()));
        put16(central, quint32(name.size()));
        for (int i = 0; i < 4; ++i)
            put16(central, 0);
        put32(central, 0);
        put32(central, offset);
        central += name;
    }
    const quint32 at = quint32(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, quint32(central.size()));
    put32(out, at);
    put16(out, 0);
    return out;
}

// A start list as organisers export it: header, bib, family name and given name as shared strings,
// a class column and a cached formula value.
QByteArray largeWorkbook(int rowCount)
{
    static const char* families[]
        = { "DUPONT", "MARTIN", "DE LA TOUR", "LEFÈVRE", "BERNARD", "ROUX", "MOREAU" };
    static const char* givens[] = { "Jean", "Marie Anne", "Luc", "Zoé", "Jean Pierre", "Élodie", "Paul" };
    QByteArray shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst count=\"20\">";
    QList<QByteArray> strings { "Dossard", "Nom", "Prénom", "Club" };
    for (const char* f : families)
        strings.append(f);
    for (const char* g : givens)
        strings.append(g);
    for (const QByteArray& s : strings)
        shared += "<si><t>" + s + "</t></si>";
    shared += "</sst>";
    QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet><sheetData>"
                       "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                       "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>";
    for (int i = 0; i < rowCount; ++i) {
        const QByteArray r = QByteArray::number(i + 2);
        sheet += "<row r=\"" + r + "\" spans=\"1:5\"><c r=\"A" + r + "\"><v>" + QByteArray::number(i + 1)
            + "</v></c><c r=\"B" + r + "\" t=\"s\"><v>" + QByteArray::number(4 + i % 7) + "</v></c><c r=\"C"
            + r + "\" t=\"s\"><v>" + QByteArray::number(11 + (i / 7) % 7) + "</v></c><c r=\"D" + r
            + "\" t=\"inlineStr\"><is><t>Écurie " + QByteArray::number(i % 97) + "</t></is></c><c r=\"E" + r
            + "\" s=\"2\"/></row>";
    }
    sheet += "</sheetData></worksheet>";
    const QByteArray workbook
        = "<workbook><sheets><sheet name=\"Samedi\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
          "</workbook>";
    const QByteArray rels = "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                            "</Relationships>";
    return zipOf({ { "xl/workbook.xml", workbook }, { "xl/_rels/workbook.xml.rels", rels },
        { "xl/sharedStrings.xml", shared }, { "xl/worksheets/sheet1.xml", sheet } });
}

void benchWorkbook()
{
    const QByteArray archive = largeWorkbook(20000);
    const QString path = bench::scratchFolder() + "/engagements.xlsx";
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(archive);
    f.close();

    qsizetype riders = 0;
    const auto ours = [&] {
        const ProgrammeDocument doc = ExcelProgrammeParser::parse(path);
        riders = doc.days.value(0).events.value(0).people.size();
    };
    qint64 inflated = 0;
    const auto reference = [&] {
        QFile in(path);
        in.open(QIODevice::ReadOnly);
        const QByteArray bytes = in.readAll();
        inflated = 0;
        for (const ZipArchive::Entry& e : ZipArchive::listing(bytes))
            inflated += ZipArchive::extract(e, bytes).size();
    };
    // Each side takes a few milliseconds, so a moment of load elsewhere lands on one run of one side:
    // many short rounds, each side the best of three in its round, and the median of the rounds.
    const bench::Comparison c = bench::compareAlternating(workbookRounds, ours, reference, 3);
    std::printf("workbook: %lld bytes, %lld bytes inflated, %lld riders; %.1f ms, inflate %.1f ms (medians "
                "of %d rounds)\n",
        qint64(archive.size()), inflated, qint64(riders), c.ours * 1000, c.reference * 1000, workbookRounds);
    bench::printRatio("programme.xlsx_vs_inflate", c);
}

// A start list of 100 A4 pages: a weekday and a class title on every fifth page, 50 riders a page in
// columns (start order, bib, rider, horse, club).
void writeStartList(const QString& path)
{
    static const char* families[]
        = { "DUPONT", "MARTIN", "DE LA TOUR", "LEFÈVRE", "BERNARD", "ROUX", "MOREAU" };
    static const char* givens[] = { "Jean", "Marie Anne", "Luc", "Zoé", "Jean Pierre", "Élodie", "Paul" };
    static const char* days[] = { "Vendredi 12 juillet", "Samedi 13 juillet", "Dimanche 14 juillet" };
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(8);
    painter.setFont(font);
    int bib = 1;
    for (int page = 0; page < 100; ++page) {
        if (page > 0)
            writer.newPage();
        double y = 40;
        if (page % 5 == 0) {
            painter.drawText(QPointF(40, y), QString::fromUtf8(days[(page / 5) % 3]));
            painter.drawText(QPointF(40, y + 14),
                QStringLiteral("Epreuve %1 - Vitesse 1,%2 m").arg(page / 5 + 1).arg(10 + page % 3 * 5));
            y += 28;
        }
        painter.drawText(QPointF(40, y), QStringLiteral("Ordre"));
        painter.drawText(QPointF(80, y), QStringLiteral("Dossard"));
        painter.drawText(QPointF(130, y), QStringLiteral("Cavalier"));
        painter.drawText(QPointF(300, y), QStringLiteral("Cheval"));
        painter.drawText(QPointF(450, y), QStringLiteral("Club"));
        for (int row = 0; row < 50; ++row, ++bib) {
            const double ry = y + 14 + 14.0 * row;
            painter.drawText(QPointF(40, ry), QString::number(row + 1));
            painter.drawText(QPointF(80, ry), QString::number(bib));
            painter.drawText(QPointF(130, ry),
                QString::fromUtf8(families[bib % 7]) + u' ' + QString::fromUtf8(givens[bib % 5]));
            painter.drawText(QPointF(300, ry), QStringLiteral("QUARTZ DU BOIS %1").arg(bib % 90));
            painter.drawText(QPointF(450, ry), QStringLiteral("Écurie %1").arg(bib % 37));
        }
        painter.drawText(QPointF(40, 820), QStringLiteral("Page %1 / 100").arg(page + 1));
    }
}

void benchStartList()
{
    const QString path = bench::scratchFolder() + "/depart.pdf";
    writeStartList(path);
    qsizetype riders = 0;
    const QString out = bench::scratchFolder() + "/depart.txt";
    const bench::Comparison c = bench::compareAlternating(
        startListRounds,
        [&] {
            const ProgrammeDocument doc = PDFProgrammeParser::parse(path);
            riders = 0;
            for (const ProgrammeDay& day : doc.days)
                for (const ProgrammeEvent& e : day.events)
                    riders += e.people.size();
        },
        [&] {
            QProcess::execute(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), path, out });
        });
    std::printf("start list: 100 pages, %lld riders; %.1f ms, pdftotext -layout %.1f ms (medians of %d "
                "rounds)\n",
        qint64(riders), c.ours * 1000, c.reference * 1000, startListRounds);
    bench::printRatio("programme.pdf_vs_pdftotext", c);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Writing the PDF fixture needs the GUI application (fonts).
    QGuiApplication app(argc, argv);
    benchStartList();
    benchWorkbook();
    return 0;
}
