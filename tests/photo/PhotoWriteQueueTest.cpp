// The per-photo write queue: request order within a photo, no waiting across photos, superseded writes
// skipped only when a newer one is behind them, nested turns refused, failures that do not stall the queue.
#include "photo/PhotoWriteQueue.h"

#include "platform/Error.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"

#include "common/TestSupport.h"

#include <QThreadPool>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace quavel {
namespace {

using namespace std::chrono_literals;
using Status = PhotoWriteQueue::Status;

// A one-shot signal between threads.
class Gate
{
public:
    void open() { m_promise.set_value(); }
    bool wait(std::chrono::milliseconds timeout = 5s) const
    {
        return m_future.wait_for(timeout) == std::future_status::ready;
    }

private:
    std::promise<void> m_promise;
    std::shared_future<void> m_future = m_promise.get_future().share();
};

class PhotoWriteQueueTest : public testing::Test
{
protected:
    PhotoWriteQueueTest() { m_pool.setMaxThreadCount(4); }
    ~PhotoWriteQueueTest() override { m_pool.waitForDone(); }

    void record(const QString& what)
    {
        std::lock_guard lock(m_mutex);
        m_log.append(what);
    }
    QStringList log()
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }

    PhotoWriteQueue m_queue;
    QThreadPool m_pool;
    std::mutex m_mutex;
    QStringList m_log;
};

// One queue per photo, whatever its name: two names that differ only in bytes that are not UTF-8 are two
// photos (a write of one must never be skipped for a write of the other), and the forms of one path
// share a queue.
TEST(PhotoWriteQueueKeys, NamesThatAreNotUtf8KeepTheirOwnQueue)
{
    const struct
    {
        QByteArray a;
        QByteArray b;
        bool same;
    } cases[] = {
        { "/photos/IMG_\xE9.jpg", "/photos/IMG_\xE8.jpg", false },
        { "/photos/IMG_\xE9.jpg", "/photos/IMG_\xC3\xA9.jpg", false },
        { "/photos/IMG_\xE9.jpg", "/photos/./x/../IMG_\xE9.jpg", true },
        { "/photos/e\xCC\x81\xFF.jpg", "/photos/\xC3\xA9\xFF.jpg", true },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathKey::of(NativeName::decode(c.a)) == PathKey::of(NativeName::decode(c.b)), c.same)
            << c.a.toHex().toStdString() << " " << c.b.toHex().toStdString();
}

// A listing gives a name decomposed where a typed or stored path has it composed: every way into the
// queue takes the one lane of the photo, so a write under either spelling waits for the other's.
TEST_F(PhotoWriteQueueTest, TwoSpellingsOfOnePhotoShareOneLane)
{
    const struct
    {
        const char* held;
        const char* other;
    } cases[] = {
        { "/photos/C\u00e9line.jpg", "/photos/Ce\u0301line.jpg" },
        { "/photos/Ce\u0301line.jpg", "/photos/C\u00e9line.jpg" },
        { "/photos/x/../C\u00e9line.jpg", "/photos/./Ce\u0301line.jpg" },
    };
    for (const auto& c : cases) {
        const QString held = QString::fromUtf8(c.held);
        const QString other = QString::fromUtf8(c.other);
        m_log.clear();
        Gate started;
        Gate release;
        auto first = m_queue.submit(
            held,
            [&] {
                started.open();
                release.wait();
                record("held");
            },
            false, &m_pool);
        ASSERT_TRUE(started.wait());
        auto submitted = m_queue.submit(
            other, [&] { record("submitted"); }, false, &m_pool);
        std::thread running([&] { m_queue.run(other, [&] { record("run"); }); });
        std::thread waiting([&] {
            m_queue.waitFor(other);
            record("waited");
        });
        EXPECT_TRUE(test::waitUntil([&] { return m_queue.waiting(held) >= 3; })) << c.other;
        EXPECT_EQ(m_queue.waiting(other), 3) << c.other;
        test::letTimePass(20); // none of them runs meanwhile
        EXPECT_TRUE(log().isEmpty()) << c.other << " did not wait for " << c.held;
        release.open(); // whatever happened: the threads end
        running.join();
        waiting.join();
        EXPECT_EQ(first.result().status, Status::written);
        EXPECT_EQ(submitted.result().status, Status::written);
        EXPECT_EQ(log().first(), "held") << c.held;
        EXPECT_EQ(log().size(), 4);
    }
}

TEST_F(PhotoWriteQueueTest, WritesOfOnePhotoRunInRequestOrderOneAtATime)
{
    std::atomic<int> inside { 0 };
    std::atomic<bool> overlapped { false };
    QList<QFuture<PhotoWriteQueue::Result>> futures;
    for (int i = 0; i < 20; ++i) {
        // Two spellings of one path share the queue.
        const QString path = i % 2 ? "/photos/a/../a/IMG.JPG" : "/photos/a/IMG.JPG";
        futures.append(m_queue.submit(
            path,
            [&, i] {
                if (inside.fetch_add(1) != 0)
                    overlapped = true;
                test::holdThread(200us); // the turn held a while: an overlap would show
                record(QString::number(i));
                inside.fetch_sub(1);
            },
            false, &m_pool));
    }
    for (auto& f : futures)
        EXPECT_EQ(f.result().status, Status::written);
    QStringList expected;
    for (int i = 0; i < 20; ++i)
        expected.append(QString::number(i));
    EXPECT_EQ(log(), expected);
    EXPECT_FALSE(overlapped);
}

TEST_F(PhotoWriteQueueTest, AWriterWaitsForItsOwnPhotoOnly)
{
    Gate aStarted;
    Gate releaseA;
    auto a = m_queue.submit(
        "/photos/A.JPG",
        [&] {
            aStarted.open();
            releaseA.wait();
            record("A");
        },
        false, &m_pool);
    ASSERT_TRUE(aStarted.wait());
    // The calling thread (as the GUI thread would) writes another photo while A is in flight.
    EXPECT_TRUE(m_queue.run("/photos/B.JPG", [&] { record("B"); }));
    EXPECT_EQ(log(), QStringList { "B" });

    // A write of A itself waits for the one in flight.
    std::thread second([&] { m_queue.run("/photos/A.JPG", [&] { record("A2"); }); });
    EXPECT_TRUE(test::waitUntil([&] { return m_queue.waiting("/photos/A.JPG") == 1; })) << "A2 never queued";
    EXPECT_EQ(log(), QStringList { "B" });
    releaseA.open();
    second.join();
    EXPECT_EQ(log(), (QStringList { "B", "A", "A2" }));
    EXPECT_EQ(a.result().status, Status::written);
}

TEST_F(PhotoWriteQueueTest, ASupersedableWriteIsSkippedOnlyWithANewerOneBehindIt)
{
    Gate started;
    Gate release;
    auto first = m_queue.submit(
        "/p.jpg",
        [&] {
            started.open();
            release.wait();
            record("first");
        },
        false, &m_pool);
    ASSERT_TRUE(started.wait());
    auto look1 = m_queue.submit(
        "/p.jpg", [&] { record("look1"); }, true, &m_pool);
    auto look2 = m_queue.submit(
        "/p.jpg", [&] { record("look2"); }, true, &m_pool);
    auto kept = m_queue.submit(
        "/p.jpg", [&] { record("kept"); }, false, &m_pool);
    auto look3 = m_queue.submit(
        "/p.jpg", [&] { record("look3"); }, true, &m_pool);
    release.open();
    EXPECT_EQ(first.result().status, Status::written);
    EXPECT_EQ(look1.result().status, Status::skipped);
    EXPECT_EQ(look2.result().status, Status::skipped);
    EXPECT_EQ(kept.result().status, Status::written);
    // The last look has nothing behind it: it is written.
    EXPECT_EQ(look3.result().status, Status::written);
    EXPECT_EQ(log(), (QStringList { "first", "kept", "look3" }));

    // A blocking supersedable write is skipped the same way and says so.
    Gate started2;
    Gate release2;
    auto busy = m_queue.submit(
        "/p.jpg",
        [&] {
            started2.open();
            release2.wait();
        },
        false, &m_pool);
    ASSERT_TRUE(started2.wait());
    std::promise<bool> skippedRan;
    std::thread blocking([&] {
        skippedRan.set_value(m_queue.run(
            "/p.jpg", [&] { record("blocking"); }, true));
    });
    EXPECT_TRUE(test::waitUntil([&] { return m_queue.waiting("/p.jpg") > 0; })) << "never queued";
    auto newer = m_queue.submit(
        "/p.jpg", [&] { record("newer"); }, false, &m_pool);
    release2.open();
    blocking.join();
    EXPECT_FALSE(skippedRan.get_future().get());
    EXPECT_EQ(newer.result().status, Status::written);
    EXPECT_EQ(busy.result().status, Status::written);
    EXPECT_EQ(log().last(), "newer");
}

// A write takes its photo's turn once: asked for again from inside it, the turn would wait for itself.
TEST_F(PhotoWriteQueueTest, ANestedWriteIsRefusedAndFailuresDoNotStallTheQueue)
{
    EXPECT_TRUE(m_queue.run("/n.jpg", [&] {
        record("outer");
        EXPECT_THROW(m_queue.run("/n/../n.jpg", [&] { record("inner"); }), Error);
        EXPECT_THROW(m_queue.waitFor("/n.jpg"), Error);
        // Another photo's turn is its own.
        EXPECT_TRUE(m_queue.run("/m.jpg", [&] { record("other"); }));
    }));
    EXPECT_EQ(log(), (QStringList { "outer", "other" }));

    EXPECT_THROW(m_queue.run("/n.jpg", [] { throw Error("Échec"); }), Error);
    auto failed = m_queue.submit(
        "/n.jpg", [] { throw Error("Échec d’écriture"); }, false, &m_pool);
    auto after = m_queue.submit(
        "/n.jpg", [&] { record("after"); }, false, &m_pool);
    EXPECT_EQ(failed.result().status, Status::failed);
    EXPECT_EQ(failed.result().errorMessage, QString("Échec d’écriture"));
    EXPECT_EQ(after.result().status, Status::written);
    m_queue.waitFor("/n.jpg");
    EXPECT_EQ(log().last(), "after");
}

} // namespace
} // namespace quavel

namespace quavel {
namespace {

TEST_F(PhotoWriteQueueTest, TheExitRunsEveryWriteAskedForEvenWhenItsPoolIsTakenAndRefusesLaterOnes)
{
    // The pool's only thread is held by a read that will not end before the exit does.
    QThreadPool busy;
    busy.setMaxThreadCount(1);
    Gate release;
    busy.start([&] { release.wait(30s); });
    // A write running elsewhere (a batch's), with one of the same photo and one of another queued on the
    // held pool.
    Gate batchStarted, batchGoOn;
    std::thread batch([&] {
        m_queue.run("/a.jpg", [&] {
            batchStarted.open();
            batchGoOn.wait();
            record("batch a");
        });
    });
    ASSERT_TRUE(batchStarted.wait());
    QFuture<PhotoWriteQueue::Result> behind = m_queue.submit(
        "/a.jpg", [&] { record("editor a"); }, false, &busy);
    QFuture<PhotoWriteQueue::Result> other = m_queue.submit(
        "/b.jpg", [&] { record("editor b"); }, false, &busy);

    Gate exited;
    std::thread exiting([&] {
        m_queue.finishForExit();
        exited.open();
    });
    // The exit has begun once it has run the write of b, whose turn had come.
    EXPECT_TRUE(test::waitUntil([&] { return log().contains("editor b"); }, 10000));
    batchGoOn.open();
    const bool ended = exited.wait(10s);
    release.open(); // whatever happened, the held pool goes on
    exiting.join();
    batch.join();
    ASSERT_TRUE(ended) << "the exit waited for the pool instead of running the writes";
    EXPECT_EQ(log(), QStringList({ "editor b", "batch a", "editor a" }));
    EXPECT_TRUE(m_queue.idle());
    EXPECT_EQ(behind.result().status, Status::written);
    EXPECT_EQ(other.result().status, Status::written);

    // Asked for once the exit has begun: refused.
    EXPECT_EQ(m_queue
                  .submit(
                      "/c.jpg", [&] { record("late"); }, false, &m_pool)
                  .result()
                  .status,
        Status::failed);
    EXPECT_THROW(m_queue.run("/c.jpg", [&] { record("late"); }), Error);
    EXPECT_EQ(log().size(), 3);
    busy.waitForDone();
}

} // namespace
} // namespace quavel
