#include "photo/views/PrinterSettings.h"

#include "ui/print/Printer.h"

#include <QPageLayout>
#include <QPrinter>

namespace quavel::PrinterSettings {

void apply(const PrintSettings& s, QPrinter& printer)
{
    // The queue first: choosing one resets the paper to what it offers.
    if (!s.printerName.isEmpty())
        Printer::select(printer, s.printerName);
    if (s.paperSize.width() > 0 && s.paperSize.height() > 0)
        Printer::setPaper(printer, s.paperSize, s.paperName);
    printer.setPageOrientation(s.orientation == PrintSettings::Orientation::landscape
            ? QPageLayout::Landscape
            : QPageLayout::Portrait);
    printer.setPageMargins(s.margins, QPageLayout::Point);
    printer.setCopyCount(s.copies);
    switch (s.duplex) {
    case PrintSettings::Duplex::none:
        printer.setDuplex(QPrinter::DuplexNone);
        break;
    case PrintSettings::Duplex::longSide:
        printer.setDuplex(QPrinter::DuplexLongSide);
        break;
    case PrintSettings::Duplex::shortSide:
        printer.setDuplex(QPrinter::DuplexShortSide);
        break;
    }
    printer.setColorMode(s.color ? QPrinter::Color : QPrinter::GrayScale);
}

PrintSettings capture(const QPrinter& printer)
{
    PrintSettings s;
    if (printer.outputFormat() == QPrinter::NativeFormat)
        s.printerName = printer.printerName();
    const QPageLayout layout = printer.pageLayout();
    s.paperName = layout.pageSize().name();
    s.paperSize = layout.pageSize().size(QPageSize::Point);
    s.orientation = layout.orientation() == QPageLayout::Landscape ? PrintSettings::Orientation::landscape
                                                                   : PrintSettings::Orientation::portrait;
    s.margins = layout.margins(QPageLayout::Point);
    s.copies = printer.copyCount();
    switch (printer.duplex()) {
    case QPrinter::DuplexLongSide:
        s.duplex = PrintSettings::Duplex::longSide;
        break;
    case QPrinter::DuplexShortSide:
        s.duplex = PrintSettings::Duplex::shortSide;
        break;
    default:
        s.duplex = PrintSettings::Duplex::none;
        break;
    }
    s.color = printer.colorMode() == QPrinter::Color;
    return s;
}

} // namespace quavel::PrinterSettings
