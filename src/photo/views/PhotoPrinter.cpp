#include "photo/views/PhotoPrinter.h"

#include "photo/print/PrintInfoMemory.h"
#include "photo/print/PrintPagination.h"
#include "photo/views/PrintPanel.h"
#include "photo/views/PrintSession.h"
#include "photo/views/PrinterSettings.h"
#include "platform/UserDefaults.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "ui/print/Printer.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

namespace quavel::PhotoPrinter {

namespace {

// The window the panel is a sheet of: the active one, else the main window on screen.
QWidget* hostWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<QMainWindow*>(w))
            return w;
    return nullptr;
}

// Runs the job with a progress panel that can cancel it. The sheets are painted on the run's print
// worker; the panel and its callback stay on the GUI thread, which serves its events meanwhile.
bool runWithProgress(PrintSession& session, QWidget* window)
{
    QProgressDialog progress(window);
    progress.setWindowTitle(QStringLiteral("Impression"));
    progress.setCancelButtonText(QStringLiteral("Annuler"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const bool ok = session.run([&progress, &session](int done, int total) {
        progress.setMaximum(total);
        progress.setLabelText(done < total
                ? QStringLiteral("Impression de « %1 » : page %2 sur %3…")
                      .arg(session.title())
                      .arg(done + 1)
                      .arg(total)
                : QStringLiteral("Impression de « %1 » terminée.").arg(session.title()));
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.close();
    // A cancelled run says nothing; a printer that failed is told.
    if (!ok && !session.cancelled())
        QMessageBox::warning(window, QStringLiteral("Impression"),
            QStringLiteral("L’impression de « %1 » a échoué. Vérifiez l’imprimante, puis réessayez.")
                .arg(session.title()));
    return ok;
}

PrintSettings currentPlatformSettings()
{
    QPrinter printer(QPrinter::HighResolution);
    return PrinterSettings::capture(printer);
}

} // namespace

PrintedHandler& onPrintSucceeded()
{
    static PrintedHandler handler;
    return handler;
}

FinishedHandler& onPrintFinished()
{
    static FinishedHandler handler;
    return handler;
}

std::optional<QSize> pixelSize(const QString& file)
{
    const std::optional<QSize> size = ImageIO::orientedPixelSize(file);
    if (!size || size->isEmpty())
        return std::nullopt;
    return size;
}

QImage loadPhoto(const QString& file, int maxPixel)
{
    // A damaged photo prints as an unreadable one (a white page, never marked delivered), not with the
    // grey that libjpeg makes up for its missing part.
    return ImageThumbnail::fromFile(file, maxPixel, ImageThumbnail::Damage::refused);
}

void finishRun(PrintSession& session, bool success, bool later)
{
    if (!success)
        return;
    PrintInfoMemory::remember(UserDefaults::standard(), PrinterSettings::capture(session.printer()));
    const QStringList printed = session.printedPhotos();
    // The pages of the run that are not among those drawn were printed white.
    QStringList blank;
    for (const int page : Printer::chosenPages(session.printer(), session.view().pageCount())) {
        if (page < 1 || page > session.photos().size())
            continue;
        const QString& photo = session.photos()[page - 1];
        if (!printed.contains(photo) && !blank.contains(photo))
            blank.append(photo);
    }
    auto hand = [printed, blank] {
        if (const FinishedHandler& handler = onPrintFinished())
            handler(printed, blank);
        if (const PrintedHandler& handler = onPrintSucceeded(); handler && !printed.isEmpty())
            handler(printed);
    };
    if (later)
        QTimer::singleShot(0, qApp, hand);
    else
        hand();
}

void print(const QStringList& files, std::optional<PrintPaperFormat> paper)
{
    const QStringList photos = PrintPagination::photosAmong(files);
    if (photos.isEmpty())
        return;
    PrintInfoMemory::restoreSharedIfNeeded(
        UserDefaults::standard(), &currentPlatformSettings, &Printer::exists);

    auto session = std::make_shared<PrintSession>(photos, paper, &loadPhoto);
    PrintSession::current() = session;
    auto end = [session](bool ok, bool later) {
        finishRun(*session, ok, later);
        if (PrintSession::current() == session)
            PrintSession::current().reset();
    };

    QWidget* window = hostWindow();
    if (window) {
        auto* panel = new PrintPanel(*session, window);
        panel->setAttribute(Qt::WA_DeleteOnClose);
        panel->setWindowModality(Qt::WindowModal);
        // The job runs once the panel has gone, in a later turn of the event loop. Queued to the window
        // the panel was a sheet of (alive while its panel is): when the application ends first, the
        // queued job and its hold on the session go with the window, not with the application object.
        QObject::connect(
            panel, &QDialog::finished, qApp, [session, end, window = QPointer<QWidget>(window)](int result) {
                const bool accepted = result == QDialog::Accepted;
                if (!window) {
                    end(false, true);
                    return;
                }
                QTimer::singleShot(0, window.data(), [session, end, window, accepted] {
                    end(accepted && runWithProgress(*session, window), true);
                });
            });
        panel->open();
        return;
    }
    PrintPanel panel(*session);
    const bool accepted = panel.exec() == QDialog::Accepted;
    end(accepted && runWithProgress(*session, nullptr), false);
}

} // namespace quavel::PhotoPrinter
