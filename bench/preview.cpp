// What a rebuild of the sorting preview costs the GUI thread, against planning alone, in the same run:
//   preview.rebuild_vs_plan  PhotoOrganizer::plan of a 600-row spreadsheet over a folder of 10,000
//                            photos, then the preview's lines of every row (duplicate sets, riders,
//                            hand-typed names, remembered transfers) / PhotoOrganizer::plan alone
// The figure is the median of per-round ratios, the side that runs first alternating by round.
#include "BenchSupport.h"

#include "workspace/PhotoOrganizer.h"
#include "workspace/PreviewContext.h"
#include "workspace/WorkspaceStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace quavel;

namespace {

constexpr int photoCount = 10000;
constexpr int rowCount = 600;

SpreadsheetRecord spreadsheet()
{
    SpreadsheetRecord sheet;
    sheet.id = QUuid::createUuid();
    sheet.title = QStringLiteral("Grand Prix");
    for (int r = 0; r < rowCount; ++r) {
        // A few bibs typed twice and a few without a rider, as in a real day.
        const int bib = r % 97 == 5 ? 100 + r - 1 : (r % 53 == 7 ? 9000 + r : 100 + r);
        sheet.rows.append(RowRecord { QUuid::createUuid(),
            QStringLiteral("%1").arg(1 + r * photoCount / rowCount, 4, 10, QChar(u'0')),
            r % 11 == 3 ? QStringLiteral("%1 HC").arg(bib) : QString::number(bib) });
    }
    sheet.rows.append(RowRecord::blank());
    return sheet;
}

ProgrammeDocument programme()
{
    QList<ImportedPerson> riders;
    for (int r = 0; r < rowCount; ++r)
        riders.append(ImportedPerson { QString::number(100 + r), QStringLiteral("Jeanne"),
            QStringLiteral("Cavalière %1").arg(r), r + 1 });
    return ProgrammeDocument { QStringLiteral("programme.pdf"),
        { ProgrammeDay { QStringLiteral("Samedi"),
            { ProgrammeEvent { QStringLiteral("Samedi|1"), QStringLiteral("Grand Prix"), riders } } } } };
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString root = bench::scratchFolder();
    const QString folder = root + QStringLiteral("/shoot");
    QDir().mkpath(folder);
    for (int i = 1; i <= photoCount; ++i) {
        QFile file(folder + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QChar(u'0')));
        if (!file.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName()));
    }

    const SpreadsheetRecord sheet = spreadsheet();
    WorkspaceStore store(root + QStringLiteral("/app"));
    store.setProgramme(programme());
    store.selectDay(QStringLiteral("Samedi"), sheet.id);
    store.selectEvent(QStringLiteral("Samedi|1"), sheet.id);
    for (int r = 0; r < 20; ++r)
        store.setManualRider(sheet.id, QString::number(9000 + r * 53 + 7), QStringLiteral("Nom %1").arg(r),
            QStringLiteral("Prénom"));
    const QList<ImportedPerson> riders = store.selectedEvent(sheet.id)->people;
    store.rememberTransfers(PhotoOrganizer::plan(sheet, riders, folder).mid(0, 100), sheet.id);

    qsizetype lines = 0;
    qsizetype planned = 0;
    // Each side the best of five in its round: a side takes a few milliseconds, so a moment of load
    // elsewhere lands on one run of it.
    const bench::Comparison c = bench::compareAlternating(
        10,
        [&] {
            const QList<PhotoGroup> groups = PhotoOrganizer::plan(sheet, riders, folder);
            const PreviewContext context(store, sheet.id);
            lines = context.rowsForTable(sheet.rows, groups).size();
        },
        [&] { planned = PhotoOrganizer::plan(sheet, riders, folder).size(); }, 5);
    std::printf(
        "preview: %lld lines over %lld groups in %.2f ms, plan alone %.2f ms (medians of 10 rounds)\n",
        (long long)lines, (long long)planned, c.ours * 1000, c.reference * 1000);
    bench::printRatio("preview.rebuild_vs_plan", c);
    QDir(root).removeRecursively();
    return 0;
}
