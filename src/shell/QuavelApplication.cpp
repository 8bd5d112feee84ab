#include "shell/QuavelApplication.h"

#include "library/LibraryStore.h"
#include "shell/MainWindow.h"
#include "shell/OrdersSource.h"
#include "shell/RootController.h"
#include "shell/ShellServices.h"
#include "shell/SyncStatusSource.h"
#include "shell/TerminationSignals.h"
#include "shell/ViewFactory.h"
#include "shell/WorkspaceSource.h"
#include "ui/AppearanceController.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace quavel {

QuavelApplication::QuavelApplication(
    ShellServices& services, UserDefaults& defaults, DesktopSettings& desktop, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
{
    // The stores, in this order, for the life of the process.
    m_library = services.makeLibrary();
    m_sync = services.makeSync();
    m_workspace = services.makeWorkspace();
    m_riderFolders = services.makeRiderFolders();
    m_orders = services.makeOrders();
    m_views = services.makeViews();

    m_appearance = std::make_unique<AppearanceController>(*m_library, desktop);
    m_appearance->apply();

    m_root = std::make_unique<RootController>(*m_library, defaults);
    m_root->setProgrammeStores(m_workspace.get(), m_riderFolders.get());
    m_window
        = std::make_unique<MainWindow>(*m_root, *m_library, *m_sync, m_workspace.get(), *m_views, defaults);
    connect(m_window.get(), &MainWindow::contentShown, this, &QuavelApplication::contentShown);
    connect(
        qApp, &QGuiApplication::applicationStateChanged, this, &QuavelApplication::applicationStateChanged);
}

QuavelApplication::~QuavelApplication()
{
    m_window.reset();
}

void QuavelApplication::openFiles(const QStringList& paths)
{
    m_openHandler.open(paths);
}

void QuavelApplication::pointSyncAtLibrary()
{
    LibraryStore* library = m_library.get();
    m_sync->setLibraryReceiver(
        [library](const LibrarySnapshot& snapshot) { library->replaceFromRemote(snapshot); });
}

void QuavelApplication::contentShown()
{
    m_root->restoreSelection();
    LibraryStore* library = m_library.get();
    // The returned text is dropped: the store's banner reports the import.
    m_openHandler.setHandler([library](const QString& path) { library->importQuavelFile(path); });
    pointSyncAtLibrary();
    m_sync->start(false);
    m_shown = true;
}

void QuavelApplication::applicationStateChanged(Qt::ApplicationState state)
{
    // Changes before the first showing, and the activation that follows it, are the launch itself:
    // only a return to the application after leaving it restarts sync.
    if (!m_shown)
        return;
    switch (state) {
    case Qt::ApplicationActive:
        if (!m_leftSinceShown)
            return;
        pointSyncAtLibrary();
        m_sync->start(true);
        break;
    case Qt::ApplicationInactive:
    case Qt::ApplicationHidden:
    case Qt::ApplicationSuspended:
        m_leftSinceShown = true;
        flushStores();
        break;
    }
}

void QuavelApplication::flushStores()
{
    // The window's frame goes with the stores: on leaving the application and on the way out.
    m_window->saveFrame();
    m_root->flushSelection();
    m_library->flush();
    if (m_workspace)
        m_workspace->persist();
    if (m_riderFolders)
        m_riderFolders->persist();
    if (m_orders)
        m_orders->persist();
}

void QuavelApplication::followQuitRequests(TerminationSignals& termination)
{
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QuavelApplication::flushStores);
    connect(&termination, &TerminationSignals::terminationRequested, this, [this] {
        flushStores();
        QCoreApplication::quit();
    });
}

} // namespace quavel
