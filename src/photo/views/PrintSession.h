#pragma once

#include "photo/print/PrintPagination.h"
#include "photo/print/PrintPaperFormat.h"
#include "photo/views/PhotoPrintView.h"

#include <QList>
#include <QPageLayout>
#include <QPrinter>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quavel {

// One print run: its printer set up from the shared print settings, the pages of its photos, and what
// the job actually printed. Created by PhotoPrinter::print; held until the run ends. Used from the GUI
// thread, but for the sheets of a run, which are painted on a print worker thread of the run's own.
//
// Which way the sheets turn: with a paper chosen from the menu each page takes its own photo's
// orientation (landscape for a photo wider than high); once the panel's orientation is chosen, or
// without a paper (the shared settings'), one orientation holds for every page. Outside a run the
// printer keeps the orientation the panel shows (the first page's, when each page has its own), and that
// is the one remembered after a run.
class PrintSession
{
public:
    // With a paper: that sheet, no margins, each page turned for its photo. Without: the paper, margins
    // and orientation of the shared settings.
    PrintSession(QStringList photos, std::optional<PrintPaperFormat> paper, PrintImageCache::Loader loader);

    QPrinter& printer() { return m_printer; }
    PhotoPrintView& view() { return m_view; }
    const QStringList& photos() const { return m_view.photos(); }
    QString title() const { return m_printer.docName(); }

    // Whether each page takes its photo's orientation (until one is held for all).
    bool orientationPerPhoto() const { return m_perPhoto; }
    // One orientation for every page from now on (the user chose it in the panel).
    void holdOrientation(QPageLayout::Orientation orientation);
    // The orientation the panel shows: the held one, or the first page's.
    QPageLayout::Orientation orientation() const;
    // Gives the printer back that orientation (choosing a queue may reset its layout).
    void restoreOrientation();
    // A page's sheet: the printer's layout turned as that page prints.
    QPageLayout::Orientation orientationForPage(int page) const;
    QPageLayout pageLayout(int page) const;

    // Where the pages' photos are drawn on the printer's sheet as it is now, or on a page's own sheet;
    // and the resolution they are rendered for.
    PrintPagination::Printable printable() const;
    PrintPagination::Printable printable(int page) const;
    int renderDpi() const;

    // Prints the chosen pages of the job, painted on the run's print worker while the calling thread
    // keeps serving its events; returns when the job has ended. `progress` runs on the calling thread,
    // told of each page done (out of all) before the next sheet begins, and returns false to cancel.
    // False when cancelled or when the printer failed.
    bool run(const std::function<bool(int done, int total)>& progress = {});
    // Whether the last run was cancelled (rather than failed).
    bool cancelled() const { return m_cancelled; }

    // The photos drawn into the last run's job, in page order (an unreadable photo printed white is not
    // among them); empty until a run succeeds.
    const QStringList& printedPhotos() const { return m_printed; }

    // The running session, kept alive until its run ends; a new run replaces it.
    static std::shared_ptr<PrintSession>& current();

private:
    QPrinter m_printer;
    PhotoPrintView m_view;
    QStringList m_printed;
    bool m_cancelled = false;
    bool m_perPhoto = false;
    QPageLayout::Orientation m_held = QPageLayout::Portrait;
    // Per photo, once its size was read: whether it prints landscape.
    mutable QList<std::optional<bool>> m_landscape;
};

} // namespace quavel
