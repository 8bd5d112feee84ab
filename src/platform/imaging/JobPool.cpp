#include "platform/imaging/JobPool.h"

#include "platform/imaging/UnloweredCompanion.h"

#include <QDeadlineTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace quavel {

namespace {

thread_local bool t_lowered = false;

int cores()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace

JobPool::JobPool(int maxThreads, int rowPriority, bool background)
    : m_rowPriority(rowPriority)
    , m_background(background)
{
    m_threads.setMaxThreadCount(std::max(1, maxThreads));
}

JobPool& JobPool::interactive()
{
    // A preview and a write of the crop editor may overlap; the newest preview wins anyway.
    static JobPool* pool = new JobPool(2, 2, false);
    return *pool;
}

JobPool& JobPool::batch()
{
    static JobPool* pool = new JobPool(2, 1, false);
    return *pool;
}

JobPool& JobPool::thumbnails()
{
    static JobPool* pool = new JobPool(std::clamp(cores() / 2, 2, 4), 0, true);
    return *pool;
}

void JobPool::dropQueued()
{
    for (JobPool* pool : { &interactive(), &batch(), &thumbnails() })
        pool->m_threads.clear();
}

bool JobPool::idleWithin(int ms)
{
    QDeadlineTimer deadline(ms);
    bool idle = true;
    for (JobPool* pool : { &interactive(), &batch(), &thumbnails() })
        idle = pool->m_threads.waitForDone(int(std::max<qint64>(deadline.remainingTime(), 0))) && idle;
    return idle;
}

void JobPool::enter()
{
    if (!m_background || t_lowered)
        return;
    t_lowered = true;
    // The row workers are started by whichever thread first asks for rows, and inherit its priority:
    // started now, from a thread not lowered yet, they never run the editor's rows at this one's. The
    // companion, too, keeps the priority this thread has now.
    RowPool::concurrency();
    UnloweredCompanion::start();
    // Linux keeps a nice value per thread: this one alone gives way to the photographer's work.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
}

} // namespace quavel
