#include "platform/UserDefaults.h"
#include "shell/ApplicationEnding.h"
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

#include <memory>

// The desktop application: one window per user session. A later launch hands its ".quavel" files to
// the running one and ends.
int main(int argc, char** argv)
{
    auto app = std::make_unique<QApplication>(argc, argv);
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

    // Owned by the application object: still listening while the photo work finishes at the end, so
    // that a later launch does not take over meanwhile.
    auto* instance = new quavel::SingleInstance(quavel::SingleInstance::userSocketPaths(), app.get());
    if (instance->handOff(files))
        return 0;
    instance->listen();
    // Only now, as the one instance running: what a killed earlier process left is nobody's any more.
    quavel::StartupSweep::run();

    quavel::Symbols::installIconTheme();
    auto desktop = std::make_unique<quavel::DesktopSettings>();
    auto services = quavel::ShellServices::standard();
    auto application
        = std::make_unique<quavel::QuavelApplication>(*services, quavel::UserDefaults::standard(), *desktop);

    quavel::QuavelApplication* shown = application.get();
    QObject::connect(
        instance, &quavel::SingleInstance::pathsReceived, shown, [shown](const QStringList& paths) {
            shown->openFiles(paths);
            shown->window().showNormal();
            shown->window().raise();
            shown->window().activateWindow();
        });

    // Owned by the application object: a second signal while the photo work finishes is not the
    // default action's (an end mid-write with the signal's status).
    shown->followQuitRequests(*new quavel::TerminationSignals(app.get()));

    shown->openFiles(files);
    shown->window().show();
    const int status = app->exec();
    return quavel::ApplicationEnding::finish(
        std::move(app),
        [&] {
            application.reset();
            services.reset();
            desktop.reset();
        },
        status);
}
