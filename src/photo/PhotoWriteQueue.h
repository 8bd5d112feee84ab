#pragma once

#include <QFuture>
#include <QString>

#include <functional>
#include <memory>

class QThreadPool;

namespace quavel {

// One write queue per photo (one lane for every spelling of its path: PathKey), shared by every writer
// of a photo (PhotoWriter: the in-place edits, the crop editor, the orders' batch edits, restores), so
// that writes of one photo happen one at a time and in the order they were asked for, while writes of
// different photos run side by side.
//
// A write marked supersedable is skipped when, at its turn, a newer write of the same photo is queued
// behind it (that one carries the newer look), or, when it says so, a newer supersedable one (a write that
// carries what other writes do not, such as the crop editor's journal, is overtaken only by its like);
// every other write always runs. A write takes its photo's
// turn once (PhotoWriter): a thread that holds a photo's turn and asks for it again (run, waitFor) is
// refused with an Error, where it would wait for itself. Thread-safe.
class PhotoWriteQueue
{
public:
    enum class Status { written, skipped, failed };
    // Which newer writes of the photo skip a supersedable one.
    enum class SupersededBy { anyNewer, newerSupersedable };
    struct Result
    {
        Status status = Status::written;
        QString errorMessage; // the French text of a failure
    };

    static PhotoWriteQueue& shared();

    PhotoWriteQueue();
    ~PhotoWriteQueue();
    PhotoWriteQueue(const PhotoWriteQueue&) = delete;
    PhotoWriteQueue& operator=(const PhotoWriteQueue&) = delete;

    // Waits for the earlier writes of this photo only (never for other photos), then runs work on the
    // calling thread; its exception reaches the caller. False when the write was skipped. Throws an Error
    // when the queue is closed, or when this thread already holds the photo's turn.
    bool run(const QString& photoPath, const std::function<void()>& work, bool supersedable = false);

    // Takes the write's place in the queue now and runs it on pool (the global pool when none) when its
    // turn comes. The future gives the outcome; work's exception becomes a failed result.
    QFuture<Result> submit(const QString& photoPath, std::function<void()> work, bool supersedable = false,
        QThreadPool* pool = nullptr, SupersededBy supersededBy = SupersededBy::anyNewer);

    // Returns once every write of this photo asked for before the call has finished.
    void waitFor(const QString& photoPath);
    // Returns once no write of any photo is queued or in flight (writes asked for meanwhile included).
    void waitForAll();

    // The end of the process: from now on a write asked for outside a write in flight is refused (run()
    // throws an Error, submit() gives a failed result), and this returns once every write asked for
    // before has finished. A write whose turn has come but that no worker has begun (its pool may be
    // busy with other work, or no longer run anything) runs on the calling thread, so the wait never
    // depends on anything but the writes themselves.
    void finishForExit();
    // True when no write of any photo is queued or in flight.
    bool idle() const;

    // How many writes of this photo wait for their turn (the one in flight not counted); for tests.
    int waiting(const QString& photoPath) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quavel
