#include "photo/PhotoWork.h"

#include "photo/PhotoWriteQueue.h"
#include "platform/Error.h"
#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/JobPool.h"

#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

#include <pthread.h>

namespace quavel::PhotoWork {

namespace {

std::atomic<bool> g_stopping { false };

// How long a worker that is just ending (the last lines of a write it ran, a thumbnail nearly made) is
// given before it counts as abandoned.
constexpr int graceMs = 250;

// The writes' side of the bound: how many hold a Publishing, and whether new ones are refused.
struct Gate
{
    std::mutex mutex;
    std::condition_variable changed;
    int publishing = 0;
    bool closed = false;
    // The exit's watch: disarmed when finishBeforeExit returns within the bound.
    bool disarmed = false;
};

// Never destroyed: a worker abandoned at the exit may still pass through it.
Gate& gate()
{
    static Gate* g = new Gate;
    return *g;
}

std::atomic<DecodeHook*> g_decodeHook { nullptr };

// The watch over finishBeforeExit: when the writes outlast their bound, it closes the gate, lets the
// writes that are publishing finish (within their own bound), and ends the process itself. It runs on a
// thread of its own because the exit's thread may be the one stuck: finishForExit runs a write nobody
// had begun on the calling thread, and that write may be decoding a file that costs minutes.
void watch(int exitStatus)
{
    pthread_setname_np(pthread_self(), "quavel exit");
    Gate& g = gate();
    std::unique_lock lock(g.mutex);
    if (g.changed.wait_for(lock, std::chrono::milliseconds(writesBoundMs), [&] { return g.disarmed; }))
        return;
    g.closed = true;
    g.changed.wait_for(lock, std::chrono::milliseconds(publishBoundMs), [&] { return g.publishing == 0; });
    // The workers still running are reading or rendering (or stuck in the file system): none has a file
    // under a final name half written, and none may begin to publish now that the gate is closed.
    endProcess(exitStatus);
}

} // namespace

bool finishBeforeExit(int exitStatus, const std::function<void()>& first)
{
    g_stopping = true;
    {
        Gate& g = gate();
        const std::lock_guard lock(g.mutex);
        g.disarmed = false;
    }
    std::thread watcher(watch, exitStatus);
    // Nobody is left to see a thumbnail, a preview or a load: what waits for memory to decode in gives up
    // now, before the screens go, so that no destructor waits for it.
    DecodeBudget::previews().abandonWaits();
    if (first)
        first();
    // What has not started never will. A write dropped from its pool this way is run by the queue below.
    JobPool::dropQueued();
    QThreadPool::globalInstance()->clear();
    PhotoWriteQueue::shared().finishForExit();
    // Qt waits for its global pool when the application object goes: it counts as a photo worker.
    const bool idle = JobPool::idleWithin(graceMs) && QThreadPool::globalInstance()->waitForDone(graceMs);
    {
        Gate& g = gate();
        const std::lock_guard lock(g.mutex);
        g.disarmed = true;
        g.changed.notify_all();
    }
    // At once when disarmed in time; when the watch has fired, it ends the process meanwhile.
    watcher.join();
    return idle;
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

Publishing::Publishing()
{
    Gate& g = gate();
    const std::lock_guard lock(g.mutex);
    if (g.closed)
        throw Error(QStringLiteral("L’application se ferme : la photo n’a pas été modifiée."));
    ++g.publishing;
}

Publishing::~Publishing()
{
    Gate& g = gate();
    const std::lock_guard lock(g.mutex);
    if (--g.publishing == 0)
        g.changed.notify_all();
}

void setDecodeHookForTesting(DecodeHook hook)
{
    // The earlier hook is leaked: a thread may still be inside it.
    g_decodeHook = hook ? new DecodeHook(std::move(hook)) : nullptr;
}

void beforeDecode(const QString& path)
{
    if (const DecodeHook* hook = g_decodeHook.load())
        (*hook)(path);
}

} // namespace quavel::PhotoWork
