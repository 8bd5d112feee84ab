#pragma once

#include "platform/imaging/RowPool.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace quavel {

// A small pool for job-level image work (one render, one photo of a batch, one thumbnail per task). The
// rows inside a job run on the shared RowPool at the job pool's priority, so a job pool bounds how many
// photos are in flight, not how many cores they use. Tasks must catch their own exceptions.
class JobPool
{
public:
    // The crop editor: loading its working image, live previews and the renderings it writes.
    static JobPool& interactive();
    // Batch edits of order photos: a few in flight, so the next decode overlaps the current retouch.
    static JobPool& batch();
    // Thumbnails, below everything else, also for the operating system's scheduler.
    static JobPool& thumbnails();

    template <typename Task> auto run(Task&& task)
    {
        return QtConcurrent::run(&m_threads, [this, task = std::forward<Task>(task)]() mutable {
            enter();
            RowPool::ScopedPriority priority(m_rowPriority);
            return task();
        });
    }

    QThreadPool& threadPool() { return m_threads; }
    int rowPriority() const { return m_rowPriority; }

    // The end of the process: the jobs of every pool that have not started are dropped (nobody waits
    // for their results any more), the running ones go on.
    static void dropQueued();
    // Whether every pool's running jobs end within ms milliseconds (waiting at most that long in all).
    static bool idleWithin(int ms);

    JobPool(const JobPool&) = delete;
    JobPool& operator=(const JobPool&) = delete;

private:
    JobPool(int maxThreads, int rowPriority, bool background);
    // Lowers the calling thread's scheduling priority once, for a background pool.
    void enter();

    QThreadPool m_threads;
    int m_rowPriority;
    bool m_background;
};

} // namespace quavel
