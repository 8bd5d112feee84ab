#include "shell/StartupSweep.h"

#include "library/AppSupport.h"
#include "photo/crop/CropSessionFolder.h"
#include "platform/files/TemporarySweep.h"
#include "workspace/ProgrammeStorage.h"
#include "workspace/WorkspaceStore.h"

namespace quavel::StartupSweep {

int run()
{
    // One line per subsystem with temporary files.
    AppSupport::registerTemporaryFiles();
    ProgrammeStorage::registerTemporaryFiles();
    CropSessionFolder::registerTemporaryFiles();
    WorkspaceStore::registerTemporaryFiles();
    return TemporarySweep::sweep();
}

} // namespace quavel::StartupSweep
