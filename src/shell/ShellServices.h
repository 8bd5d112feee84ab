#pragma once

#include <memory>

namespace quavel {

class LibraryStore;
class RiderFoldersSource;
class SyncStatusSource;
class ViewFactory;
class WorkspaceSource;

// Makes the stores and screens that the application holds. The libraries of device sync, of the
// spreadsheet workspace and of the orders plug in here; what is not available yet comes back empty
// (sync idle, no workspace store, empty panes).
class ShellServices
{
public:
    virtual ~ShellServices() = default;

    virtual std::unique_ptr<LibraryStore> makeLibrary() = 0;
    // Device sync with role "mac".
    virtual std::unique_ptr<SyncStatusSource> makeSync() = 0;
    virtual std::unique_ptr<WorkspaceSource> makeWorkspace() = 0;
    // Reads its settings file and loads its programme when it is made.
    virtual std::unique_ptr<RiderFoldersSource> makeRiderFolders() = 0;
    virtual std::unique_ptr<ViewFactory> makeViews() = 0;

    // The services of the application as built.
    static std::unique_ptr<ShellServices> standard();
};

} // namespace quavel
