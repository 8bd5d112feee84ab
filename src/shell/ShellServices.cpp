#include "shell/ShellServices.h"

#include "library/LibraryStore.h"
#include "shell/SyncStatusSource.h"
#include "shell/ViewFactory.h"
#include "shell/WorkspaceSource.h"

namespace quavel {

namespace {

// The application as this build has it: the library only. Device sync, the workspace stores and the
// workspace screens are adapted here once their libraries are part of the build.
class StandardServices : public ShellServices
{
public:
    std::unique_ptr<LibraryStore> makeLibrary() override { return std::make_unique<LibraryStore>(); }
    std::unique_ptr<SyncStatusSource> makeSync() override { return std::make_unique<IdleSyncSource>(); }
    std::unique_ptr<WorkspaceSource> makeWorkspace() override { return nullptr; }
    std::unique_ptr<RiderFoldersSource> makeRiderFolders() override { return nullptr; }
    std::unique_ptr<ViewFactory> makeViews() override { return std::make_unique<EmptyViewFactory>(); }
};

} // namespace

std::unique_ptr<ShellServices> ShellServices::standard()
{
    return std::make_unique<StandardServices>();
}

} // namespace quavel
