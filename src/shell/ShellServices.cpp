#include "shell/ShellServices.h"

#include "library/LibraryStore.h"
#include "orders/OrdersStore.h"
#include "shell/OrdersStoreSource.h"
#include "shell/RiderFoldersStoreSource.h"
#include "shell/ScreenFactory.h"
#include "shell/SyncServiceSource.h"
#include "shell/ViewFactory.h"
#include "shell/WorkspaceStoreSource.h"
#include "sync/SyncService.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"

#include <cassert>

namespace quavel {

namespace {

// The application's own stores, each adapted to what the window reads of it. The screens get the real
// stores: the ones made here, which the application holds for the life of the process.
class StandardServices : public ShellServices
{
public:
    std::unique_ptr<LibraryStore> makeLibrary() override
    {
        auto library = std::make_unique<LibraryStore>();
        m_library = library.get();
        return library;
    }
    std::unique_ptr<SyncStatusSource> makeSync() override
    {
        return std::make_unique<SyncServiceSource>(std::make_unique<SyncService>(QStringLiteral("mac")));
    }
    std::unique_ptr<WorkspaceSource> makeWorkspace() override
    {
        auto workspace = std::make_unique<WorkspaceStoreSource>(std::make_unique<WorkspaceStore>());
        m_workspace = &workspace->store();
        return workspace;
    }
    std::unique_ptr<RiderFoldersSource> makeRiderFolders() override
    {
        auto riderFolders = std::make_unique<RiderFoldersStoreSource>(std::make_unique<RiderFoldersStore>());
        m_riderFolders = &riderFolders->store();
        return riderFolders;
    }
    std::unique_ptr<OrdersSource> makeOrders() override
    {
        auto orders = std::make_unique<OrdersStoreSource>(std::make_unique<OrdersStore>());
        m_orders = &orders->store();
        return orders;
    }
    std::unique_ptr<ViewFactory> makeViews() override
    {
        assert(m_library && m_workspace && m_riderFolders && m_orders);
        return std::make_unique<ScreenFactory>(*m_library, *m_workspace, *m_riderFolders, *m_orders);
    }

private:
    LibraryStore* m_library = nullptr;
    WorkspaceStore* m_workspace = nullptr;
    RiderFoldersStore* m_riderFolders = nullptr;
    OrdersStore* m_orders = nullptr;
};

} // namespace

std::unique_ptr<ShellServices> ShellServices::standard()
{
    return std::make_unique<StandardServices>();
}

} // namespace quavel
