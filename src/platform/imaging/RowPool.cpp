#include "platform/imaging/RowPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include <pthread.h>

namespace quavel::RowPool {

namespace {

thread_local int t_priority = 0;

struct Range
{
    const std::function<void(int, int)>* body = nullptr;
    int count = 0;
    int grain = 1;
    int slices = 0;
    int priority = 0;
    std::atomic<int> next { 0 }; // next slice to claim
    std::atomic<bool> failed { false };

    std::mutex mutex; // guards finished and error
    std::condition_variable allFinished;
    int finished = 0;
    std::exception_ptr error;

    // Claims and runs slices until none is left; false when there was none to claim.
    bool runSlices()
    {
        bool ranAny = false;
        for (;;) {
            const int slice = next.fetch_add(1, std::memory_order_relaxed);
            if (slice >= slices)
                return ranAny;
            ranAny = true;
            std::exception_ptr thrown;
            if (!failed.load(std::memory_order_relaxed)) {
                const int begin = slice * grain;
                try {
                    (*body)(begin, std::min(count, begin + grain));
                } catch (...) {
                    thrown = std::current_exception();
                    failed.store(true, std::memory_order_relaxed);
                }
            }
            std::lock_guard lock(mutex);
            if (thrown && !error)
                error = thrown;
            if (++finished == slices)
                allFinished.notify_all();
        }
    }
};

class Pool
{
public:
    Pool()
    {
        const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 1; i < hardware; ++i)
            std::thread([this] {
                // Named, or they would carry the name of whichever thread first asked for rows.
                pthread_setname_np(pthread_self(), "quavel rows");
                work();
            }).detach();
        m_workers = int(hardware) - 1;
    }

    int workers() const { return m_workers; }

    void offer(const std::shared_ptr<Range>& range)
    {
        {
            std::lock_guard lock(m_mutex);
            // Highest priority first, arrival order within a priority.
            auto at = std::find_if(m_waiting.begin(), m_waiting.end(),
                [&](const std::shared_ptr<Range>& r) { return r->priority < range->priority; });
            m_waiting.insert(at, range);
        }
        if (range->slices - 1 >= m_workers)
            m_wake.notify_all();
        else
            for (int i = 1; i < range->slices; ++i)
                m_wake.notify_one();
    }

    void withdraw(const std::shared_ptr<Range>& range)
    {
        std::lock_guard lock(m_mutex);
        m_waiting.remove(range);
    }

private:
    void work()
    {
        for (;;) {
            std::shared_ptr<Range> range;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_waiting.empty(); });
                range = m_waiting.front();
                // Once every slice is claimed the range has nothing left to give: drop it from the list.
                if (range->next.load(std::memory_order_relaxed) >= range->slices - 1)
                    m_waiting.pop_front();
            }
            // Rows that the slices start themselves keep the priority of the range they serve.
            t_priority = range->priority;
            range->runSlices();
            t_priority = 0;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::list<std::shared_ptr<Range>> m_waiting;
    int m_workers = 0;
};

Pool& pool()
{
    // Never destroyed: its detached workers may still be waiting when the process exits.
    static Pool* instance = new Pool;
    return *instance;
}

} // namespace

void run(int count, const std::function<void(int, int)>& body, int grain)
{
    if (count <= 0)
        return;
    Pool& p = pool();
    if (grain <= 0)
        grain = std::max(1, count / (4 * (p.workers() + 1)));
    const int slices = (count + grain - 1) / grain;
    if (slices == 1 || p.workers() == 0) {
        body(0, count);
        return;
    }
    auto range = std::make_shared<Range>();
    range->body = &body;
    range->count = count;
    range->grain = grain;
    range->slices = slices;
    range->priority = t_priority;
    p.offer(range);
    range->runSlices();
    p.withdraw(range);
    std::unique_lock lock(range->mutex);
    range->allFinished.wait(lock, [&] { return range->finished == range->slices; });
    if (range->error)
        std::rethrow_exception(range->error);
}

int concurrency()
{
    return pool().workers() + 1;
}

ScopedPriority::ScopedPriority(int priority)
    : m_previous(t_priority)
{
    t_priority = priority;
}

ScopedPriority::~ScopedPriority()
{
    t_priority = m_previous;
}

} // namespace quavel::RowPool
