#pragma once

#include <functional>
#include <memory>

class QApplication;

// The end of the application, once its event loop has returned: the one way out of `main`, whichever
// way the quit came (the quit command, the window closed, SIGTERM or SIGINT, the end of the desktop
// session), and whatever still runs or is still posted at that moment.
namespace quavel::ApplicationEnding {

// `destroyWindowAndStores` destroys the window with its screens, then the stores: a crop editor open at
// quit asks for its look's write as it goes. Every photo and journal write asked for then reaches the
// disk (PhotoWork::finishBeforeExit, whose bound of about 9 s counts from here, so that a destructor
// waiting for a read that never ends cannot hold the exit either); when that gives up, or when a photo
// worker still runs, the process ends here at once with `status`. Otherwise the application object goes
// last, with what it still owns (the single-instance socket, the termination signals), and `status` is
// returned for `main` to return, the static objects destroyed after it. GUI thread only; called once.
int finish(
    std::unique_ptr<QApplication> app, const std::function<void()>& destroyWindowAndStores, int status);

} // namespace quavel::ApplicationEnding
