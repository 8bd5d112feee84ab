#pragma once

#include "shell/OpenHandler.h"

#include <QObject>

#include <memory>

namespace quavel {

class AppearanceController;
class DesktopSettings;
class LibraryStore;
class MainWindow;
class OrdersSource;
class RiderFoldersSource;
class RootController;
class ShellServices;
class SyncStatusSource;
class TerminationSignals;
class UserDefaults;
class ViewFactory;
class WorkspaceSource;

// The application: the stores, created once in their order and held for the life of the process, the
// one window, the opened ".quavel" files, and what happens as the application gains and loses the
// focus. GUI thread only.
class QuavelApplication : public QObject
{
    Q_OBJECT

public:
    QuavelApplication(
        ShellServices& services, UserDefaults& defaults, DesktopSettings& desktop, QObject* parent = nullptr);
    ~QuavelApplication() override;

    LibraryStore& library() const { return *m_library; }
    SyncStatusSource& sync() const { return *m_sync; }
    WorkspaceSource* workspace() const { return m_workspace.get(); }
    RiderFoldersSource* riderFolders() const { return m_riderFolders.get(); }
    OrdersSource* orders() const { return m_orders.get(); }
    RootController& root() const { return *m_root; }
    MainWindow& window() const { return *m_window; }
    OpenHandler& openHandler() { return m_openHandler; }
    AppearanceController& appearance() const { return *m_appearance; }

    // Files the desktop asks the application to open (command line, a later launch).
    void openFiles(const QStringList& paths);
    // Runs when the window's content is shown: the open handler, the library callback, sync started.
    void contentShown();
    // The application became active, inactive, hidden...; ignored until the content was first shown.
    void applicationStateChanged(Qt::ApplicationState state);
    // Saves the window's frame, then every store, in order: library, workspace, rider folders, orders.
    void flushStores();
    // The ways out of the event loop: the stores are saved as it ends (a session can end without the
    // window ever going inactive), and SIGTERM or SIGINT saves them and ends it as the quit command does.
    void followQuitRequests(TerminationSignals& termination);
    bool hasShownContent() const { return m_shown; }

private:
    void pointSyncAtLibrary();

    UserDefaults& m_defaults;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<SyncStatusSource> m_sync;
    std::unique_ptr<WorkspaceSource> m_workspace;
    std::unique_ptr<RiderFoldersSource> m_riderFolders;
    std::unique_ptr<OrdersSource> m_orders;
    std::unique_ptr<ViewFactory> m_views;
    std::unique_ptr<AppearanceController> m_appearance;
    std::unique_ptr<RootController> m_root;
    std::unique_ptr<MainWindow> m_window;
    OpenHandler m_openHandler;
    bool m_shown = false;
    bool m_leftSinceShown = false;
};

} // namespace quavel
