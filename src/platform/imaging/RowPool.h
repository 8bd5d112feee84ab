#pragma once

#include <functional>

namespace quavel {

// The one pool of threads for row-parallel image work in the whole process. A call hands its range of
// rows (or tiles) to the pool and runs slices of it itself until none is left, then waits only for the
// slices other threads are still running. Every caller can therefore finish its own work alone, so a
// row job started from inside another row job, or from any job pool, never deadlocks and never leaves
// its thread idle while its rows wait. Waiting ranges are served by priority, then in arrival order.
namespace RowPool {

// Runs body(begin, end) over consecutive slices of [0, count) and returns when all have run. grain is
// the slice length (0: chosen from count and the number of threads). The first exception a slice
// throws is rethrown here once every claimed slice has finished; the slices not yet claimed are skipped.
void run(int count, const std::function<void(int begin, int end)>& body, int grain = 0);

// Threads that can run slices at once: the pool's workers plus the calling thread. The first call (of
// this or run) starts the workers, which keep the scheduling priority of the thread that made that call:
// JobPool starts them before it lowers a thread of its own.
int concurrency();

// Priority of the row work started on this thread while alive (higher first). Job pools set it for
// their tasks, so that the rows of a thumbnail wait behind those of a preview.
class ScopedPriority
{
public:
    explicit ScopedPriority(int priority);
    ~ScopedPriority();
    ScopedPriority(const ScopedPriority&) = delete;
    ScopedPriority& operator=(const ScopedPriority&) = delete;

private:
    int m_previous;
};

} // namespace RowPool

} // namespace quavel
