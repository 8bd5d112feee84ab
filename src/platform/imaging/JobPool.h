#pragma once

#include "platform/imaging/RowPool.h"

#include <QException>
#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <exception>
#include <memory>
#include <type_traits>
#include <utility>

namespace quavel {

// A small pool for job-level image work (one render, one photo of a batch, one thumbnail per task). The
// rows inside a job run on the shared RowPool at the job pool's priority, so a job pool bounds how many
// photos are in flight, not how many cores they use. Tasks must catch their own exceptions.
//
// The background pool lowers its own threads' scheduling priority, and on Linux a thread cannot raise it
// again without privileges (RLIMIT_NICE is 0 by default); every thread a lowered thread starts inherits
// it. So nothing shared may be started, or run, on one: its tasks never run on the thread that waits for
// them, the row workers exist before the first thread is lowered, and its image work computes its pixels
// itself (VipsSerial), leaving what would start libvips' workers to a companion thread that keeps the
// normal priority (UnloweredCompanion).
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
        if (m_background)
            return runOnOwnThreads(std::forward<Task>(task));
        return QtConcurrent::run(&m_threads, [this, task = std::forward<Task>(task)]() mutable {
            RowPool::ScopedPriority priority(m_rowPriority);
            Running running(this);
            return task();
        });
    }

    QThreadPool& threadPool() { return m_threads; }
    int rowPriority() const { return m_rowPriority; }

    // While one lives on a thread of a job pool, the thread counts as waiting, not working: the pool may
    // start another thread for its queued jobs in its place, up to as many as the pool's own size, so
    // that a job waiting for what other jobs hold (memory to decode in) never keeps the jobs behind it
    // from running. Past that bound, or on any other thread, it changes nothing. Made and destroyed on
    // the same thread.
    class Waiting
    {
    public:
        Waiting();
        ~Waiting();
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

    private:
        JobPool* m_pool = nullptr;
    };

    // The end of the process: the jobs of every pool that have not started are dropped (nobody waits
    // for their results any more), the running ones go on.
    static void dropQueued();
    // Whether every pool's running jobs end within ms milliseconds (waiting at most that long in all).
    static bool idleWithin(int ms);

    JobPool(const JobPool&) = delete;
    JobPool& operator=(const JobPool&) = delete;

private:
    JobPool(int maxThreads, int rowPriority, bool background);
    // Lowers the calling thread (one of the pool's own) once, the row workers started first.
    void enter();

    // Marks the calling thread as running one of this pool's jobs, for Waiting.
    class Running
    {
    public:
        explicit Running(JobPool* pool);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        JobPool* m_previous;
    };

    // A task whose future only waits: QtConcurrent's would let a thread that waits for a task not yet
    // started run it itself, and lower that thread (the GUI thread, say) for good. Cancelled before it
    // starts, the task does not run; a task cleared from the pool finishes its future cancelled, so that
    // nothing waits for it for ever.
    template <typename Task> auto runOnOwnThreads(Task&& task)
    {
        using Result = std::decay_t<std::invoke_result_t<std::decay_t<Task>&>>;
        struct Job
        {
            std::decay_t<Task> task;
            QPromise<Result> promise;
        };
        auto job = std::make_shared<Job>(Job { std::forward<Task>(task), QPromise<Result>() });
        QFuture<Result> future = job->promise.future();
        job->promise.start();
        m_threads.start([this, job] {
            if (!job->promise.isCanceled()) {
                try {
                    enter();
                    RowPool::ScopedPriority priority(m_rowPriority);
                    Running running(this);
                    if constexpr (std::is_void_v<Result>)
                        job->task();
                    else
                        job->promise.addResult(job->task());
                } catch (const QException& e) {
                    job->promise.setException(e);
                } catch (...) {
                    // As QtConcurrent reports it, so that every pool's futures fail alike.
                    job->promise.setException(QUnhandledException(std::current_exception()));
                }
            }
            job->promise.finish();
        });
        return future;
    }

    QThreadPool m_threads;
    int m_rowPriority;
    bool m_background;
    // Threads of the pool waiting now with a thread started in their place.
    std::atomic<int> m_waiting { 0 };
};

} // namespace quavel
