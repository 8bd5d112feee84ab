#include "photo/PhotoWork.h"
#include "platform/UserDefaults.h"
#include "shell/MainWindow.h"
#include "shell/QuavelApplication.h"
#include "shell/ShellServices.h"
#include "shell/SingleInstance.h"
#include "shell/StartupSweep.h"
#include "shell/TerminationSignals.h"
#include "ui/DesktopSettings.h"
#include "ui/QtFrench.h"
#include "ui/Symbols.h"

#include <QApplication>
#include <QUrl>

// The desktop application: one window per user session. A later launch hands its ".quavel" files to
// the running one and ends.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QUAVEL"));
    QApplication::setApplicationDisplayName(QStringLiteral("QUAVEL"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quavel"));

    // Qt's own dialogs (file panels, message boxes) speak French like the rest of the application.
    quavel::QtFrench::install();

    QStringList files = QApplication::arguments().mid(1);
    files.removeIf([](const QString& a) { return a.startsWith(QLatin1Char('-')); });
    // A file manager may hand over "file://" addresses rather than paths.
    for (QString& f : files)
        if (f.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            f = QUrl(f).toLocalFile();

    quavel::SingleInstance instance;
    if (instance.handOff(files))
        return 0;
    instance.listen();
    // Only now, as the one instance running: what a killed earlier process left is nobody's any more.
    quavel::StartupSweep::run();

    quavel::Symbols::installIconTheme();
    int status = 0;
    {
        quavel::DesktopSettings desktop;
        auto services = quavel::ShellServices::standard();
        quavel::QuavelApplication quavel(*services, quavel::UserDefaults::standard(), desktop);

        QObject::connect(
            &instance, &quavel::SingleInstance::pathsReceived, &quavel, [&quavel](const QStringList& paths) {
                quavel.openFiles(paths);
                quavel.window().showNormal();
                quavel.window().raise();
                quavel.window().activateWindow();
            });

        // A session can end without the window ever going inactive: save on the way out as well.
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &quavel, [&quavel] { quavel.flushStores(); });
        quavel::TerminationSignals termination;
        QObject::connect(&termination, &quavel::TerminationSignals::terminationRequested, &quavel, [&quavel] {
            quavel.flushStores();
            QCoreApplication::quit();
        });

        quavel.openFiles(files);
        quavel.window().show();
        status = app.exec();
    }
    // The window and its screens are gone, so a crop editor open at quit has had its look's write
    // asked for: it and every other photo write asked for reach the disk before the process ends, unless
    // one outlasts the exit's bound (a decode that never ends), which is then abandoned before it
    // publishes and the process ends from there. Reads still running (a thumbnail, a preview) are not
    // waited for; while one runs, the static objects it may use are not destroyed under it: the process
    // ends at once instead.
    if (!quavel::PhotoWork::finishBeforeExit(status))
        quavel::PhotoWork::endProcess(status);
    return status;
}
