#pragma once

#include <memory>

namespace quavel {

class LibraryStore;
class OrdersSource;
class RiderFoldersSource;
class SyncStatusSource;
class ViewFactory;
class WorkspaceSource;

// Makes the stores and screens that the application holds, in the order the application asks for
// them: the library, device sync, the workspace store, the rider-folders store, the orders store, then
// the screens, which read the stores made before them. Tests hand in their own.
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
    // Reads its settings file when it is made; lists nothing yet.
    virtual std::unique_ptr<OrdersSource> makeOrders() = 0;
    // Called last; the screens it makes must not outlive the stores.
    virtual std::unique_ptr<ViewFactory> makeViews() = 0;

    // The services of the application as built: the real stores in the user's folders, sync on the
    // local network.
    static std::unique_ptr<ShellServices> standard();
};

} // namespace quavel
