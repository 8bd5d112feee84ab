#pragma once

#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;
class QPrinter;

// The system's printers over QtPrintSupport (CUPS queues on Linux) and the paginated painting of a job.
// Lengths are in points (1/72 inch) on the sheet as it prints (its orientation applied), origin at its
// top-left corner. GUI thread only.
namespace quavel::Printer {

// The print queues CUPS knows now, and the default one (empty when there is none).
QStringList names();
QString defaultName();
bool exists(const QString& name);

// Sends the job to a known queue; false, leaving the printer as it was, for any other name (Qt would
// silently turn the job into a PDF file without a name).
bool select(QPrinter& printer, const QString& name);

// The papers the printer offers, and whether it takes sizes of its own.
QList<QPageSize> papers(const QPrinter& printer);

// A paper given in portrait, in points; its name is what menus show.
void setPaper(QPrinter& printer, const QSizeF& portraitPoints, const QString& name);

// The sheet as it prints, and the part of it the printer can reach (the sheet less the printer's own
// margins; the whole sheet for a PDF file or a borderless printer). The same of a page layout: the
// printer's, turned for one page.
QSizeF sheet(const QPrinter& printer);
QRectF imageableBounds(const QPrinter& printer);
QSizeF sheet(const QPageLayout& layout);
QRectF imageableBounds(const QPageLayout& layout);

// Every page of the job, a page count not limiting it (no range chosen).
void includeAllPages(QPrinter& printer);

// The pages a job prints, in order, from its range (1 … pageCount when it has none), within 1 … pageCount.
QList<int> chosenPages(const QPrinter& printer, int pageCount);

// The pages as they are painted: copies the printer does not make itself (a PDF file) are painted
// pages, collated when asked.
QList<int> pageSequence(const QPrinter& printer, const QList<int>& pages);

// Paints the sequence on the printer, one sheet per entry, the painter in points on the sheet. `draw`
// gets the position in the sequence and returns false to stop: the job is then aborted. `turn`, when
// given, sets the orientation of the sheet at a position before that sheet begins, so that the sheets
// of one job may turn each its own way. True when the job was completed and handed to the printer (or
// written to its file).
bool paint(QPrinter& printer, const QList<int>& sequence,
    const std::function<bool(QPainter&, int position)>& draw,
    const std::function<QPageLayout::Orientation(int position)>& turn = {});

} // namespace quavel::Printer
