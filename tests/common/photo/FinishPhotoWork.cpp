// Compiled into the test programs that run photo work on worker threads: a write or a batch still in
// flight after the last test ends before the program's static objects go.
#include "common/TestSupport.h"
#include "photo/PhotoWork.h"

namespace {

const bool registered = (quavel::test::addExitHook([] { quavel::PhotoWork::finishBeforeExit(); }), true);

} // namespace
