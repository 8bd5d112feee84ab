#include "photo/PhotoWork.h"

#include "photo/PhotoWriteQueue.h"
#include "platform/imaging/JobPool.h"

#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace quavel::PhotoWork {

namespace {

std::atomic<bool> g_stopping { false };

// How long a worker that is just ending (the last lines of a write it ran, a thumbnail nearly made) is
// given before it counts as abandoned.
constexpr int graceMs = 250;

} // namespace

bool finishBeforeExit()
{
    g_stopping = true;
    // Nobody is left to see a thumbnail, a preview or a load: what has not started never will. A write
    // dropped from its pool this way is run by the queue below.
    JobPool::dropQueued();
    QThreadPool::globalInstance()->clear();
    PhotoWriteQueue::shared().finishForExit();
    // Qt waits for its global pool when the application object goes: it counts as a photo worker.
    return JobPool::idleWithin(graceMs) && QThreadPool::globalInstance()->waitForDone(graceMs);
}

void endProcess(int status)
{
    std::fflush(nullptr);
    ::_exit(status);
}

bool stopping()
{
    return g_stopping;
}

} // namespace quavel::PhotoWork
