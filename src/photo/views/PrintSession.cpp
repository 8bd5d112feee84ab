#include "photo/views/PrintSession.h"

#include "photo/print/PrintInfoMemory.h"
#include "photo/views/PhotoPrinter.h"
#include "photo/views/PrinterSettings.h"
#include "ui/print/Printer.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include <pthread.h>

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

namespace {

// The GUI thread's side of a run painted on the print worker: it keeps the event loop turning (timers,
// repaints, the progress window) and answers the worker's question before each sheet, so that a
// progress callback that cancels is heard before the next sheet begins, as when the GUI thread painted.
class RunSupervisor
{
public:
    explicit RunSupervisor(const std::function<bool(int done, int total)>& progress, int total)
        : m_progress(progress)
        , m_total(total)
    { }

    // On the worker: whether to paint the sheet at this position (the GUI thread's progress callback
    // says so); true at once when there is no callback.
    bool askToContinue(int position)
    {
        if (!m_progress)
            return true;
        std::unique_lock lock(m_mutex);
        m_answered = false;
        QMetaObject::invokeMethod(
            &m_relay,
            [this, position] {
                const bool go = m_progress(position, m_total);
                const std::lock_guard answerLock(m_mutex);
                m_go = go;
                m_answered = true;
                m_answer.notify_all();
            },
            Qt::QueuedConnection);
        m_answer.wait(lock, [this] { return m_answered; });
        return m_go;
    }

    // On the worker, last: the run is over.
    void finished()
    {
        m_finished = true;
        // Wakes the GUI thread's wait for events.
        QMetaObject::invokeMethod(
            &m_relay, [] {}, Qt::QueuedConnection);
    }

    // On the calling thread: serves events until the worker has finished. Not a nested exec(): a quit
    // asked meanwhile must not end the wait while the worker still paints and may wait for an answer.
    void serve()
    {
        while (!m_finished)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

private:
    const std::function<bool(int, int)>& m_progress;
    const int m_total;
    QObject m_relay; // lives on the calling thread: the callback runs there
    std::mutex m_mutex;
    std::condition_variable m_answer;
    bool m_answered = false;
    bool m_go = true;
    std::atomic<bool> m_finished { false };
};

} // namespace

bool PrintSession::run(const std::function<bool(int done, int total)>& progress)
{
    m_printed.clear();
    m_cancelled = false;
    const QList<int> sequence
        = Printer::pageSequence(m_printer, Printer::chosenPages(m_printer, m_view.pageCount()));
    const int total = int(sequence.size());
    const int dpi = renderDpi();
    QList<int> drawn;
    bool ok = false;
    RunSupervisor supervisor(progress, total);
    // The sheets are painted on a print worker of their own: the print engine compresses each page's
    // image inside drawImage, and the photos are scaled there too, seconds per sheet that would otherwise
    // hold the GUI thread. From here until the join, the printer, the view and its cache belong to the
    // worker alone (the panel, which shares them, is closed during a run).
    std::exception_ptr failure;
    std::thread worker([&] {
        pthread_setname_np(pthread_self(), "quavel print");
        // A failure of the painting (memory running out while a sheet is composed) reaches the caller
        // as it did on the GUI thread, after the supervisor is told the run is over.
        try {
            ok = Printer::paint(
                m_printer, sequence,
                [&](QPainter& painter, int position) {
                    if (!supervisor.askToContinue(position)) {
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
        } catch (...) {
            failure = std::current_exception();
        }
        supervisor.finished();
    });
    supervisor.serve();
    worker.join();
    // The printer is left turned as the last sheet: the settings remembered are the panel's.
    restoreOrientation();
    if (failure)
        std::rethrow_exception(failure);
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
