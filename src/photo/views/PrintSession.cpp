#include "photo/views/PrintSession.h"

#include "photo/print/PrintInfoMemory.h"
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
    m_landscape.resize(m_view.photos().size());
    if (paper) {
        m_printer.setPageMargins(QMarginsF(), QPageLayout::Point);
        Printer::setPaper(m_printer, PrintPaperFormats::points(*paper), PrintPaperFormats::title(*paper));
        m_perPhoto = true;
    } else {
        m_held = m_printer.pageLayout().orientation();
    }
    restoreOrientation();
    m_printer.setFullPage(true);
    m_printer.setDocName(PrintPagination::jobTitle(m_view.photos()));
}

void PrintSession::holdOrientation(QPageLayout::Orientation orientation)
{
    m_perPhoto = false;
    m_held = orientation;
    restoreOrientation();
}

QPageLayout::Orientation PrintSession::orientation() const
{
    return m_perPhoto ? orientationForPage(1) : m_held;
}

void PrintSession::restoreOrientation()
{
    m_printer.setPageOrientation(orientation());
}

QPageLayout::Orientation PrintSession::orientationForPage(int page) const
{
    if (!m_perPhoto)
        return m_held;
    const int count = int(m_view.photos().size());
    if (count == 0)
        return QPageLayout::Portrait;
    // The size comes from the photo's header, read once per run.
    const int index = PrintPagination::photoIndexForPage(page, count);
    std::optional<bool>& landscape = m_landscape[index];
    if (!landscape)
        landscape = PrintPagination::landscapeFor(PhotoPrinter::pixelSize(m_view.photos()[index]));
    return *landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QPageLayout PrintSession::pageLayout(int page) const
{
    QPageLayout layout = m_printer.pageLayout();
    layout.setOrientation(orientationForPage(page));
    return layout;
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

PrintPagination::Printable PrintSession::printable(int page) const
{
    const QPageLayout layout = pageLayout(page);
    return PrintPagination::printableArea(Printer::sheet(layout), Printer::imageableBounds(layout));
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
    const int dpi = renderDpi();
    QList<int> drawn;
    const bool ok = Printer::paint(
        m_printer, sequence,
        [&](QPainter& painter, int position) {
            if (progress && !progress(position, total)) {
                m_cancelled = true;
                return false;
            }
            const int page = sequence[position];
            // Decode the next sheet's photo while this one is written.
            if (position + 1 < total)
                m_view.prepare(sequence[position + 1], printable(sequence[position + 1]), dpi);
            if (m_view.drawPage(painter, page, printable(), dpi) && !drawn.contains(page))
                drawn.append(page);
            return true;
        },
        [&](int position) { return orientationForPage(sequence[position]); });
    // The printer is left turned as the last sheet: the settings remembered are the panel's.
    restoreOrientation();
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
