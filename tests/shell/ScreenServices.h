#pragma once

// The application's services for the tests that show its window with its real screens: the library,
// workspace, rider-folder and orders stores made for real in a temporary folder, the real screen
// factory, device sync faked.

#include "Fakes.h"

#include "orders/OrdersStore.h"
#include "shell/OrdersStoreSource.h"
#include "shell/RiderFoldersStoreSource.h"
#include "shell/ScreenFactory.h"
#include "shell/WorkspaceStoreSource.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"

namespace quavel::test {

// Real stores in a temporary folder, the real screen factory, sync faked.
class ScreenServices : public ShellServices
{
public:
    ScreenServices(const QString& folder, UserDefaults& defaults)
        : m_folder(folder)
        , m_defaults(defaults)
    { }
    FakeSync* sync = nullptr;
    WorkspaceStore* workspace = nullptr;
    RiderFoldersStore* riderFolders = nullptr;
    LibraryStore* library = nullptr;
    OrdersStore* orders = nullptr;

    std::unique_ptr<LibraryStore> makeLibrary() override
    {
        auto l = std::make_unique<LibraryStore>(m_folder, m_defaults);
        library = l.get();
        return l;
    }
    std::unique_ptr<SyncStatusSource> makeSync() override
    {
        auto s = std::make_unique<FakeSync>();
        sync = s.get();
        return s;
    }
    std::unique_ptr<WorkspaceSource> makeWorkspace() override
    {
        auto w = std::make_unique<WorkspaceStoreSource>(std::make_unique<WorkspaceStore>(m_folder));
        workspace = &w->store();
        return w;
    }
    std::unique_ptr<RiderFoldersSource> makeRiderFolders() override
    {
        auto r = std::make_unique<RiderFoldersStoreSource>(
            std::make_unique<RiderFoldersStore>(m_folder + QStringLiteral("/RiderFolders")));
        riderFolders = &r->store();
        return r;
    }
    std::unique_ptr<OrdersSource> makeOrders() override
    {
        auto o = std::make_unique<OrdersStoreSource>(
            std::make_unique<OrdersStore>(m_folder + QStringLiteral("/Orders")));
        orders = &o->store();
        return o;
    }
    std::unique_ptr<ViewFactory> makeViews() override
    {
        return std::make_unique<ScreenFactory>(*library, *workspace, *riderFolders, *orders);
    }

private:
    QString m_folder;
    UserDefaults& m_defaults;
};

} // namespace quavel::test
