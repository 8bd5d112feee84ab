#include "shell/ApplicationEnding.h"

#include "photo/PhotoWork.h"
#include "photo/views/PrintSession.h"

#include <QApplication>

namespace quavel::ApplicationEnding {

int finish(std::unique_ptr<QApplication> app, const std::function<void()>& destroyWindowAndStores, int status)
{
    // Within the exit's bound from here: the window and its screens go (a crop editor open at quit asks
    // for its look's write), then the stores, and a print session a panel still held at quit; their
    // destructors may wait for the reads they started. Then every photo write asked for reaches the disk,
    // unless one outlasts the bound (a decode that never ends), which is then abandoned before it
    // publishes and the process ends from there. Reads still running (a thumbnail, a preview) are not
    // waited for; while one runs, the static objects it may use are not destroyed under it: the process
    // ends at once instead.
    const bool idle = PhotoWork::finishBeforeExit(status, [&] {
        destroyWindowAndStores();
        PrintSession::current().reset();
    });
    if (!idle)
        PhotoWork::endProcess(status);
    // No photo worker runs, and nothing left holds a queued call whose destruction would post an event:
    // the application object can go, with what it owns, and after it the static objects.
    app.reset();
    return status;
}

} // namespace quavel::ApplicationEnding
