#include "platform/imaging/JobPool.h"

#include "platform/imaging/UnloweredCompanion.h"

#include <QDeadlineTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace quavel {

namespace {

thread_local bool t_lowered = false;
// The pool whose job the thread runs now.
thread_local JobPool* t_pool = nullptr;

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

JobPool::Running::Running(JobPool* pool)
    : m_previous(std::exchange(t_pool, pool))
{ }

JobPool::Running::~Running()
{
    t_pool = m_previous;
}

JobPool::Waiting::Waiting()
{
    JobPool* pool = t_pool;
    if (!pool)
        return;
    // At most as many threads in place of waiting ones as the pool has of its own: a gallery of photos
    // that all wait does not grow the pool without end.
    int waiting = pool->m_waiting.load();
    do {
        if (waiting >= pool->m_threads.maxThreadCount())
            return;
    } while (!pool->m_waiting.compare_exchange_weak(waiting, waiting + 1));
    m_pool = pool;
    // Without a reservation, this lends the pool one more thread until reserveThread takes it back.
    pool->m_threads.releaseThread();
}

JobPool::Waiting::~Waiting()
{
    if (!m_pool)
        return;
    m_pool->m_threads.reserveThread();
    --m_pool->m_waiting;
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
