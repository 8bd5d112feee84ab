// Compiled into the test programs that run photo work on worker threads: a write still in flight after
// the last test ends before the program does, and the program ends as the application does (at once,
// without destroying its static objects, while an abandoned read still runs).
#include "common/TestSupport.h"
#include "photo/PhotoWork.h"

#include <gtest/gtest.h>

namespace {

const bool registered = (quavel::test::addExitHook([] {
    if (!quavel::PhotoWork::finishBeforeExit())
        quavel::PhotoWork::endProcess(::testing::UnitTest::GetInstance()->Passed() ? 0 : 1);
}),
    true);

} // namespace
