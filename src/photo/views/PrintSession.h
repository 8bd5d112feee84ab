#pragma once

#include "photo/PrintPagination.h"
#include "photo/PrintPaperFormat.h"
#include "photo/views/PhotoPrintView.h"

#include <QPrinter>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quavel {

// One print run: its printer set up from the shared print settings, the pages of its photos, and what
// the job actually printed. Created by PhotoPrinter::print; held until the run ends. GUI thread only.
class PrintSession
{
public:
    // With a paper: that sheet, no margins, turned to landscape when the first photo is wider than high.
    // Without: the paper, margins and orientation of the shared settings.
    PrintSession(QStringList photos, std::optional<PrintPaperFormat> paper, PrintImageCache::Loader loader);

    QPrinter& printer() { return m_printer; }
    PhotoPrintView& view() { return m_view; }
    const QStringList& photos() const { return m_view.photos(); }
    QString title() const { return m_printer.docName(); }

    // Where the pages' photos are drawn on the printer's sheet, and the resolution they are rendered for.
    PrintPagination::Printable printable() const;
    int renderDpi() const;

    // Prints the chosen pages of the job. `progress` is told of each page done (out of all) and returns
    // false to cancel. False when cancelled or when the printer failed.
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
};

} // namespace quavel
