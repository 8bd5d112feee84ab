#include "photo/PhotoWriteQueue.h"

#include "platform/Error.h"
#include "platform/files/PathKey.h"

#include <QHash>
#include <QPromise>
#include <QSet>
#include <QThreadPool>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace quavel {

namespace {

enum class JobState { queued, running, skipped };

struct Job
{
    bool supersedable = false;
    PhotoWriteQueue::SupersededBy supersededBy = PhotoWriteQueue::SupersededBy::anyNewer;
    JobState state = JobState::queued;
    // An asynchronous write whose turn has come is begun once, by a worker of its pool or by the thread
    // that finishes the queue for the exit, whichever comes first (guarded by the queue's mutex).
    bool begun = false;
    // Asynchronous writes only: what runs, where, and who hears the outcome.
    std::function<void()> work;
    QThreadPool* pool = nullptr;
    std::shared_ptr<QPromise<PhotoWriteQueue::Result>> promise;
};

struct Lane
{
    std::deque<std::shared_ptr<Job>> waiting;
    bool busy = false;
};

// Whether a newer write queued behind a supersedable one (taken off the lane) carries what it would have.
bool overtaken(const Job& job, const Lane& lane)
{
    if (job.supersededBy == PhotoWriteQueue::SupersededBy::anyNewer)
        return !lane.waiting.empty();
    return std::any_of(lane.waiting.cbegin(), lane.waiting.cend(),
        [](const std::shared_ptr<Job>& newer) { return newer->supersedable; });
}

// The photos whose turn this thread holds. A write holds its photo's turn once: asking for the turn
// again from inside it would wait for itself, and is refused instead.
thread_local QSet<QString> t_held;

PhotoWriteQueue::Result failure(const QString& message)
{
    return { PhotoWriteQueue::Status::failed, message };
}

const QString closedMessage = QStringLiteral("L’application se ferme : la photo n’a pas été modifiée.");
const QString nestedMessage
    = QStringLiteral("La photo est déjà en cours d’écriture : elle n’a pas été modifiée.");

} // namespace

struct PhotoWriteQueue::Private
{
    std::mutex mutex;
    std::condition_variable turn;
    QHash<QString, Lane> lanes;
    // Asynchronous writes whose turn has come and that nobody has begun yet, in that order.
    std::deque<std::pair<QString, std::shared_ptr<Job>>> ready;
    // Set by finishForExit: new writes are refused.
    bool closed = false;

    // With the mutex held: gives the lane's turn to its next write, skipping superseded ones. Returns
    // the asynchronous writes to start and the skipped ones to answer, both outside the mutex.
    void advance(const QString& key, QList<std::shared_ptr<Job>>& start, QList<std::shared_ptr<Job>>& skip)
    {
        auto it = lanes.find(key);
        if (it == lanes.end())
            return;
        Lane& lane = *it;
        while (!lane.busy && !lane.waiting.empty()) {
            std::shared_ptr<Job> job = lane.waiting.front();
            lane.waiting.pop_front();
            if (job->supersedable && overtaken(*job, lane)) {
                job->state = JobState::skipped;
                skip.append(job);
                continue;
            }
            job->state = JobState::running;
            lane.busy = true;
            if (job->promise) {
                start.append(job);
                ready.emplace_back(key, job);
            }
        }
        if (!lane.busy && lane.waiting.empty())
            lanes.erase(it);
    }

    // False when the queue is closed: the write is not taken.
    bool enqueue(const QString& key, const std::shared_ptr<Job>& job)
    {
        QList<std::shared_ptr<Job>> start;
        QList<std::shared_ptr<Job>> skip;
        {
            std::lock_guard lock(mutex);
            if (closed)
                return false;
            lanes[key].waiting.push_back(job);
            advance(key, start, skip);
        }
        dispatch(key, start, skip);
        return true;
    }

    // With the mutex held: whether this thread is the one to begin the write.
    bool claim(const std::shared_ptr<Job>& job)
    {
        if (job->begun)
            return false;
        job->begun = true;
        for (auto it = ready.begin(); it != ready.end(); ++it) {
            if (it->second == job) {
                ready.erase(it);
                break;
            }
        }
        return true;
    }

    void finish(const QString& key)
    {
        QList<std::shared_ptr<Job>> start;
        QList<std::shared_ptr<Job>> skip;
        {
            std::lock_guard lock(mutex);
            lanes[key].busy = false;
            advance(key, start, skip);
        }
        dispatch(key, start, skip);
    }

    void dispatch(
        const QString& key, const QList<std::shared_ptr<Job>>& start, const QList<std::shared_ptr<Job>>& skip)
    {
        // Blocking writers wait on the condition; the state they wait for was set under the mutex.
        turn.notify_all();
        for (const auto& job : skip) {
            if (job->promise) {
                job->promise->addResult(Result { Status::skipped, {} });
                job->promise->finish();
            }
        }
        for (const auto& job : start)
            job->pool->start([this, key, job] {
                bool mine = false;
                {
                    std::lock_guard lock(mutex);
                    mine = claim(job);
                }
                if (mine)
                    runAsync(key, job);
            });
    }

    void runAsync(const QString& key, const std::shared_ptr<Job>& job)
    {
        Result result;
        t_held.insert(key);
        try {
            job->work();
        } catch (const Error& e) {
            result = failure(e.message());
        } catch (const std::exception& e) {
            result = failure(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            result = failure(QString());
        }
        t_held.remove(key);
        job->work = nullptr;
        finish(key);
        job->promise->addResult(result);
        job->promise->finish();
    }
};

PhotoWriteQueue& PhotoWriteQueue::shared()
{
    static PhotoWriteQueue queue;
    return queue;
}

PhotoWriteQueue::PhotoWriteQueue()
    : d(std::make_unique<Private>())
{ }

PhotoWriteQueue::~PhotoWriteQueue() = default;

bool PhotoWriteQueue::run(const QString& photoPath, const std::function<void()>& work, bool supersedable)
{
    const QString k = PathKey::of(photoPath);
    if (t_held.contains(k))
        throw Error(nestedMessage);
    auto job = std::make_shared<Job>();
    job->supersedable = supersedable;
    if (!d->enqueue(k, job))
        throw Error(closedMessage);
    {
        std::unique_lock lock(d->mutex);
        d->turn.wait(lock, [&] { return job->state != JobState::queued; });
    }
    if (job->state == JobState::skipped)
        return false;

    t_held.insert(k);
    try {
        work();
    } catch (...) {
        t_held.remove(k);
        d->finish(k);
        throw;
    }
    t_held.remove(k);
    d->finish(k);
    return true;
}

QFuture<PhotoWriteQueue::Result> PhotoWriteQueue::submit(const QString& photoPath, std::function<void()> work,
    bool supersedable, QThreadPool* pool, SupersededBy supersededBy)
{
    auto job = std::make_shared<Job>();
    job->supersedable = supersedable;
    job->supersededBy = supersededBy;
    job->work = std::move(work);
    job->pool = pool ? pool : QThreadPool::globalInstance();
    job->promise = std::make_shared<QPromise<Result>>();
    job->promise->start();
    QFuture<Result> future = job->promise->future();
    if (!d->enqueue(PathKey::of(photoPath), job)) {
        job->promise->addResult(failure(closedMessage));
        job->promise->finish();
    }
    return future;
}

int PhotoWriteQueue::waiting(const QString& photoPath) const
{
    std::lock_guard lock(d->mutex);
    const auto it = d->lanes.constFind(PathKey::of(photoPath));
    return it == d->lanes.cend() ? 0 : int(it->waiting.size());
}

void PhotoWriteQueue::waitFor(const QString& photoPath)
{
    run(photoPath, [] {});
}

void PhotoWriteQueue::waitForAll()
{
    // A lane is erased once it is idle and empty, and every change of a lane notifies the condition.
    std::unique_lock lock(d->mutex);
    d->turn.wait(lock, [this] { return d->lanes.isEmpty(); });
}

void PhotoWriteQueue::finishForExit()
{
    std::unique_lock lock(d->mutex);
    d->closed = true;
    for (;;) {
        if (d->lanes.isEmpty())
            return;
        if (!d->ready.empty()) {
            const auto [key, job] = d->ready.front();
            d->claim(job);
            lock.unlock();
            d->runAsync(key, job);
            lock.lock();
            continue;
        }
        // Writes running on other threads (a batch's, or one a worker has begun) tell when they end.
        d->turn.wait(lock);
    }
}

bool PhotoWriteQueue::idle() const
{
    std::lock_guard lock(d->mutex);
    return d->lanes.isEmpty();
}

} // namespace quavel
