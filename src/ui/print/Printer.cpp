#include "ui/print/Printer.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace quavel::Printer {

QStringList names()
{
    return QPrinterInfo::availablePrinterNames();
}

QString defaultName()
{
    return QPrinterInfo::defaultPrinterName();
}

bool exists(const QString& name)
{
    return !name.isEmpty() && names().contains(name);
}

bool select(QPrinter& printer, const QString& name)
{
    if (!exists(name))
        return false;
    // A job sent to a queue goes to the queue, not to a file named earlier.
    printer.setOutputFileName(QString());
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(name);
    return printer.printerName() == name;
}

QList<QPageSize> papers(const QPrinter& printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return {};
    return QPrinterInfo(printer).supportedPageSizes();
}

void setPaper(QPrinter& printer, const QSizeF& portraitPoints, const QString& name)
{
    printer.setPageSize(QPageSize(portraitPoints, QPageSize::Point, name, QPageSize::FuzzyMatch));
}

QSizeF sheet(const QPrinter& printer)
{
    return sheet(printer.pageLayout());
}

QRectF imageableBounds(const QPrinter& printer)
{
    return imageableBounds(printer.pageLayout());
}

QSizeF sheet(const QPageLayout& layout)
{
    return layout.fullRectPoints().size();
}

QRectF imageableBounds(const QPageLayout& pageLayout)
{
    QPageLayout layout = pageLayout;
    layout.setUnits(QPageLayout::Point);
    const QRectF full = layout.fullRectPoints();
    return full.marginsRemoved(layout.minimumMargins());
}

void includeAllPages(QPrinter& printer)
{
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
}

QList<int> chosenPages(const QPrinter& printer, int pageCount)
{
    int first = 1;
    int last = pageCount;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(printer.fromPage(), 1);
        last = std::min(printer.toPage() > 0 ? printer.toPage() : pageCount, pageCount);
    }
    QList<int> pages;
    for (int p = first; p <= last; ++p)
        pages.append(p);
    return pages;
}

QList<int> pageSequence(const QPrinter& printer, const QList<int>& pages)
{
    // Copies the printer makes itself (a CUPS queue) are its business.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(printer.copyCount(), 1);
    QList<int> sequence;
    if (printer.collateCopies() || copies == 1) {
        for (int c = 0; c < copies; ++c)
            sequence += pages;
    } else {
        for (int p : pages)
            for (int c = 0; c < copies; ++c)
                sequence.append(p);
    }
    return sequence;
}

bool paint(QPrinter& printer, const QList<int>& sequence,
    const std::function<bool(QPainter&, int position)>& draw,
    const std::function<QPageLayout::Orientation(int position)>& turn)
{
    if (sequence.isEmpty())
        return false;

    // The painter's origin is the sheet's corner, whatever the margins.
    printer.setFullPage(true);
    // A sheet takes the layout the printer has when it begins: before the painter for the first, before
    // newPage() for the others (the PDF engine that both file and CUPS jobs go through allows it).
    if (turn)
        printer.setPageOrientation(turn(0));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double toDevice = printer.resolution() / 72.0;
    for (int position = 0; position < sequence.size(); ++position) {
        if (position > 0 && turn)
            printer.setPageOrientation(turn(position));
        if (position > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        painter.save();
        painter.scale(toDevice, toDevice);
        const bool go = draw(painter, position);
        painter.restore();
        if (!go) {
            printer.abort();
            painter.end();
            return false;
        }
    }
    return painter.end() && printer.printerState() != QPrinter::Error
        && printer.printerState() != QPrinter::Aborted;
}

} // namespace quavel::Printer
