#include "photo/views/PrintSession.h"

#include "photo/PrintInfoMemory.h"
#include "photo/views/PhotoPrinter.h"
#include "photo/views/PrinterSettings.h"
#include "ui/print/Printer.h"

#include <QPainter>

#include <algorithm>

namespace quavel {

PrintSession::PrintSession(
    QStringList photos, std::optional<PrintPaperFormat> paper, PrintImageCache::Loader loader)
    : m_printer(QPrinter::HighResolution)
    , m_view(std::move(photos), std::move(loader))
{
    if (const auto& shared = PrintInfoMemory::shared())
        PrinterSettings::apply(*shared, m_printer);
    Printer::includeAllPages(m_printer);
    if (paper) {
        m_printer.setPageMargins(QMarginsF(), QPageLayout::Point);
        Printer::setPaper(m_printer, PrintPaperFormats::points(*paper), PrintPaperFormats::title(*paper));
        const bool landscape = !m_view.photos().isEmpty()
            && PrintPagination::landscapeFor(PhotoPrinter::pixelSize(m_view.photos().first()));
        m_printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    m_printer.setFullPage(true);
    m_printer.setDocName(PrintPagination::jobTitle(m_view.photos()));
}

std::shared_ptr<PrintSession>& PrintSession::current()
{
    static std::shared_ptr<PrintSession> session;
    return session;
}

PrintPagination::Printable PrintSession::printable() const
{
    return PrintPagination::printableArea(Printer::sheet(m_printer), Printer::imageableBounds(m_printer));
}

int PrintSession::renderDpi() const
{
    return std::min(m_printer.resolution(), PrintPagination::kMaxRenderDpi);
}

bool PrintSession::run(const std::function<bool(int done, int total)>& progress)
{
    m_printed.clear();
    m_cancelled = false;
    const QList<int> sequence
        = Printer::pageSequence(m_printer, Printer::chosenPages(m_printer, m_view.pageCount()));
    const int total = int(sequence.size());
    const PrintPagination::Printable area = printable();
    const int dpi = renderDpi();
    QList<int> drawn;
    const bool ok = Printer::paint(m_printer, sequence, [&](QPainter& painter, int position) {
        if (progress && !progress(position, total)) {
            m_cancelled = true;
            return false;
        }
        const int page = sequence[position];
        // Decode the next sheet's photo while this one is written.
        if (position + 1 < total)
            m_view.prepare(sequence[position + 1], area, dpi);
        if (m_view.drawPage(painter, page, area, dpi) && !drawn.contains(page))
            drawn.append(page);
        return true;
    });
    if (!ok)
        return false;
    if (progress)
        progress(total, total);
    std::sort(drawn.begin(), drawn.end());
    for (int page : drawn)
        m_printed.append(m_view.photos()[page - 1]);
    return true;
}

} // namespace quavel
