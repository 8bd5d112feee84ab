// The process ends only after the photo work in flight: a crop editor closed just before quitting has its
// look written, and the program leaves cleanly however far the write had got. Yet it always ends: a write
// whose decode never ends, an editor destroyed while its photo is still decoded, a teardown that waits for
// good, or the editor's continuations still queued when the application object goes do not hold it; and
// every photo, original and journal stays as it was, a write let go after the bound included.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWork.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/crop/CropEditorSession.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/Error.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/JobPool.h"

#include <QDirIterator>
#include <QFile>
#include <QFutureWatcher>
#include <QMap>
#include <QPromise>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace quavel {
namespace {

using test::meanRed;

const char* const exitChildVariable = "QUAVEL_EXIT_CHILD_PHOTO";

// The child: opens the photo, brightens it, closes the editor and ends the program at once.
TEST(PhotoWorkExitChild, ClosesTheEditorAndQuits)
{
    const char* photo = std::getenv(exitChildVariable);
    if (!photo)
        GTEST_SKIP() << "the child of the exit test";
    const QString path = QString::fromLocal8Bit(photo);
    auto* model = new CropEditorModel; // still alive while the program ends, as a window's would be
    model->open(path, std::nullopt, {});
    if (!test::waitUntil([&] { return model->loadedURL() == path; }, 20000))
        std::_Exit(2);
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    model->setRetouchPreview(brighter);
    model->close();
    // As the application ends.
    if (!PhotoWork::finishBeforeExit())
        PhotoWork::endProcess(0);
    std::exit(0); // static objects go now: no worker may still be running
}

TEST(PhotoWorkExit, AnEditorClosedAtQuitHasItsLookWrittenBeforeTheProgramEnds)
{
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0412.png"));
    // Large enough that the write is still running when the child asks to end.
    ASSERT_TRUE(ImageIO::encode(test::grey(2400, 1600, 0.25f), photo, ImageIO::formatForPath(photo), 0.97));

    const QByteArray self = QFile::encodeName(QFile::symLinkTarget("/proc/self/exe"));
    const QByteArray filter = "--gtest_filter=PhotoWorkExitChild.ClosesTheEditorAndQuits";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(exitChildVariable, QFile::encodeName(photo).constData(), 1);
        char* argv[]
            = { const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr };
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(PhotoOriginals::hasBackup(photo));
    EXPECT_NEAR(meanRed(photo), 0.5f, 0.02f) << "the look given just before quitting is on disk";
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch.exposure, 1);
}

const char* const stuckChildVariable = "QUAVEL_EXIT_CHILD_FOLDER";

// The child: the crop editor's write is captured at close while every worker that could run it is held by
// a read that never ends (a FIFO opened the blocking way, as a file system that stopped answering would
// hold it), and thumbnails of pipes are asked for; then the program ends as the application does.
TEST(PhotoWorkExitChild, QuitsWithReadsStuckAndAWriteQueued)
{
    const char* folderName = std::getenv(stuckChildVariable);
    if (!folderName)
        GTEST_SKIP() << "the child of the exit test";
    const QString folder = QString::fromLocal8Bit(folderName);
    const QString photo = folder + QStringLiteral("/IMG_0412.png");
    const QByteArray pipe = QFile::encodeName(folder + QStringLiteral("/IMG_0413.jpg"));
    auto* model = new CropEditorModel;
    model->open(photo, std::nullopt, {});
    if (!test::waitUntil([&] { return model->loadedURL() == photo; }, 20000))
        std::_Exit(2);
    const auto stuck = [pipe] { ::close(::open(pipe.constData(), O_RDONLY)); };
    for (JobPool* pool : { &JobPool::interactive(), &JobPool::thumbnails() })
        for (int i = 0; i < pool->threadPool().maxThreadCount(); ++i)
            pool->run(stuck);
    for (int i = 0; i < 4; ++i)
        MediaThumbnailer::thumbnail(QFile::decodeName(pipe), false, 480);
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    model->setRetouchPreview(brighter);
    model->close();
    if (!PhotoWork::finishBeforeExit())
        PhotoWork::endProcess(0);
    std::_Exit(3); // the reads above cannot have ended
}

TEST(PhotoWorkExit, ReadsThatNeverEndAreAbandonedAndTheQueuedWriteStillReachesTheDisk)
{
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0412.png"));
    ASSERT_TRUE(ImageIO::encode(test::grey(1200, 800, 0.25f), photo, ImageIO::formatForPath(photo), 0.97));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file(QStringLiteral("IMG_0413.jpg"))).constData(), 0644), 0);
    // A few seconds at most: the bound only keeps a hang from holding the run.
    EXPECT_EQ(test::runTestInChild("PhotoWorkExitChild.QuitsWithReadsStuckAndAWriteQueued",
                  stuckChildVariable, QFile::encodeName(folder.path()), 30000),
        0);
    EXPECT_NEAR(meanRed(photo), 0.5f, 0.02f) << "the write captured at close is on disk";
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch.exposure, 1);
}

const char* const heldChildVariable = "QUAVEL_EXIT_HELD_DECODE";

enum class Held { batchWrites, editorLoad };

// What the children of the held-decode tests do, by name: "<case> <folder>".
struct HeldCase
{
    const char* name;
    Held held;
};

void PrintTo(const HeldCase& c, std::ostream* os)
{
    *os << c.name;
}

qint64 monotonicNs()
{
    timespec t {};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Every file under the folder, hidden ones and the originals folder included, with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size()), test::readFile(path));
    }
    return files;
}

// The child: every decode is held for good (a decode that never ends), the work starts, and once it is
// held the program ends as the application does. It writes when finishBeforeExit was called.
TEST(PhotoWorkExitChild, QuitsWhileADecodeIsHeld)
{
    const char* value = std::getenv(heldChildVariable);
    if (!value)
        GTEST_SKIP() << "the child of the exit test";
    const QStringList args = QString::fromLocal8Bit(value).split(QLatin1Char('|'));
    const Held held = args[0] == QLatin1String("editor") ? Held::editorLoad : Held::batchWrites;
    const QString folder = args[1];
    const QString fresh = folder + QStringLiteral("/IMG_0001.png");
    const QString edited = folder + QStringLiteral("/IMG_0002.png");
    static std::atomic<int> reached { 0 };
    PhotoWork::setDecodeHookForTesting([](const QString&) {
        ++reached;
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    });
    int expected = 0;
    if (held == Held::batchWrites) {
        // Two batches side by side on the batch pool, each held inside its photo's write: one photo never
        // edited, one with its original and journal.
        for (const QString& photo : { fresh, edited })
            JobPool::batch().run([photo] {
                try {
                    PhotoEdits::applyRetouch(photo, test::brighter(), std::nullopt);
                } catch (...) { }
            });
        expected = 2;
    } else {
        // The editor's working image is being decoded when the editor goes, as when the window closes.
        auto* model = new CropEditorModel;
        model->open(edited, std::nullopt, {});
        if (!test::waitUntil([] { return reached.load() == 1; }, 20000))
            std::_Exit(2);
        const qint64 before = monotonicNs();
        delete model;
        if (monotonicNs() - before > 1000000000)
            std::_Exit(4); // waited for the decode
        expected = 1;
    }
    if (!test::waitUntil([&] { return reached.load() == expected; }, 20000))
        std::_Exit(2);
    QFile asked(folder + QStringLiteral("/../asked"));
    if (!asked.open(QIODevice::WriteOnly) || asked.write(QByteArray::number(monotonicNs())) <= 0)
        std::_Exit(5);
    asked.close();
    if (!PhotoWork::finishBeforeExit())
        PhotoWork::endProcess(0);
    std::_Exit(3); // the decodes above cannot have ended
}

class PhotoWorkExitHeld : public ::testing::TestWithParam<HeldCase>
{
};

TEST_P(PhotoWorkExitHeld, TheProcessEndsWithinTheBoundAndLeavesEveryFileAsItWas)
{
    test::TempFolder base;
    const QString folder = base.file(QStringLiteral("Commande"));
    const QString fresh = folder + QStringLiteral("/IMG_0001.png");
    const QString edited = folder + QStringLiteral("/IMG_0002.png");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& photo : { fresh, edited })
        ASSERT_TRUE(ImageIO::encode(test::grey(600, 400, 0.25f), photo, ImageIO::formatForPath(photo), 0.97));
    PhotoEdits::applyRetouch(edited, test::brighter(), std::nullopt);
    ASSERT_TRUE(PhotoOriginals::hasBackup(edited));
    const QMap<QString, QByteArray> before = snapshot(folder);

    const QByteArray value = QByteArray(GetParam().held == Held::editorLoad ? "editor" : "batch") + "|"
        + QFile::encodeName(folder);
    // The bound in the child is 10 s; the timeout only keeps a hang from holding the run.
    EXPECT_EQ(
        test::runTestInChild("PhotoWorkExitChild.QuitsWhileADecodeIsHeld", heldChildVariable, value, 60000),
        0);
    const qint64 ended = monotonicNs();
    const QByteArray asked = test::readFile(base.file(QStringLiteral("asked")));
    ASSERT_FALSE(asked.isEmpty()) << "the child never asked to end";
    const qint64 tookMs = (ended - asked.toLongLong()) / 1000000;
    std::printf(
        "%s: ended %lld ms after finishBeforeExit\n", GetParam().name, static_cast<long long>(tookMs));
    EXPECT_LT(tookMs, 10000);
    EXPECT_EQ(snapshot(folder), before) << "every photo, original and journal as it was, and nothing added";
}

INSTANTIATE_TEST_SUITE_P(Held, PhotoWorkExitHeld,
    ::testing::Values(
        HeldCase { "batch writes", Held::batchWrites }, HeldCase { "editor load", Held::editorLoad }),
    [](const ::testing::TestParamInfo<HeldCase>& info) {
        return info.param.held == Held::editorLoad ? std::string("EditorLoad") : std::string("BatchWrites");
    });

const char* const gateChildVariable = "QUAVEL_EXIT_GATE_FOLDER";

// The child: a write is held in its decode past the writes' bound while another one publishes (so the
// exit waits for that one's file steps), then let go once the bound has passed; the program ends as the
// application does.
TEST(PhotoWorkExitChild, LetsGoOfAWriteAfterTheBound)
{
    const char* folder = std::getenv(gateChildVariable);
    if (!folder)
        GTEST_SKIP() << "the child of the exit test";
    const QString photo = QString::fromLocal8Bit(folder) + QStringLiteral("/IMG_0001.png");
    static std::atomic<bool> release { false };
    static std::atomic<int> reached { 0 };
    static std::atomic<bool> ended { false };
    PhotoWork::setDecodeHookForTesting([](const QString&) {
        ++reached;
        test::pollUntil([] { return release.load(); }, 60000);
    });
    JobPool::batch().run([photo] {
        try {
            PhotoEdits::applyRetouch(photo, test::brighter(), std::nullopt);
        } catch (...) { }
        ended = true;
    });
    if (!test::waitUntil([] { return reached.load() == 1; }, 20000))
        std::_Exit(2);
    std::thread([] {
        const PhotoWork::Publishing publishing;
        // Until the exit refuses to let a write begin to publish, or a little past the bound.
        const auto deadline = std::chrono::steady_clock::now()
            + std::chrono::milliseconds(PhotoWork::writesBoundMs + PhotoWork::publishBoundMs / 2);
        for (bool refused = false; !refused && std::chrono::steady_clock::now() < deadline;) {
            try {
                // A publishing write holds its steps a moment: the exit waits for it meanwhile.
                const PhotoWork::Publishing probe;
                test::holdThread(std::chrono::milliseconds(10));
            } catch (const Error&) {
                refused = true;
            }
        }
        release = true;
        test::pollUntil([] { return ended.load(); }, 1000);
    }).detach();
    if (!PhotoWork::finishBeforeExit())
        PhotoWork::endProcess(0);
    std::_Exit(3); // the write held past the bound cannot have ended in time
}

// Once the exit has given up on the writes still running, a write that had not begun to publish leaves
// its photo as it was, even when it is let go while another write still publishes.
TEST(PhotoWorkExit, AWriteLetGoAfterTheBoundDoesNotBeginToPublish)
{
    test::TempFolder base;
    const QString folder = base.file(QStringLiteral("Commande"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString photo = folder + QStringLiteral("/IMG_0001.png");
    ASSERT_TRUE(ImageIO::encode(test::grey(600, 400, 0.25f), photo, ImageIO::formatForPath(photo), 0.97));
    const QMap<QString, QByteArray> before = snapshot(folder);
    EXPECT_EQ(test::runTestInChild("PhotoWorkExitChild.LetsGoOfAWriteAfterTheBound", gateChildVariable,
                  QFile::encodeName(folder), 60000),
        0);
    const QMap<QString, QByteArray> after = snapshot(folder);
    EXPECT_EQ(after.keys(), before.keys()) << "no original or journal kept";
    EXPECT_TRUE(after == before) << "the photo as it was";
}

const char* const queuedChildVariable = "QUAVEL_EXIT_QUEUED_CONTINUATIONS";

// The child: a chain of the editor's continuations, the first queued from a worker and never run, and a
// watcher still on the chain's end when the program ends.
TEST(PhotoWorkExitChild, EndsWithTheEditorsContinuationsQueued)
{
    if (!std::getenv(queuedChildVariable))
        GTEST_SKIP() << "the child of the exit test";
    QPromise<int> source;
    source.start();
    const QFuture<int> chain = source.future()
                                   .then(CropEditorSession::continuations(), [](int v) { return v + 1; })
                                   .then(CropEditorSession::continuations(), [](int v) { return v + 1; });
    auto* watcher = new QFutureWatcher<int>; // never deleted: an observer of the chain at the end
    watcher->setFuture(chain);
    std::thread([&source] {
        source.addResult(1);
        source.finish();
    }).join();
    // The program then ends as the application does: its photo work finished, the application object
    // destroyed with what is still posted, then the static objects.
}

// A continuation of the editor's work still queued when the application object goes is destroyed
// before Qt deletes the posted events under its lock: ending its promise there would run the rest of
// the chain and tell the watcher, posting under that lock, and the process would never end.
TEST(PhotoWorkExit, TheEditorsContinuationsStillQueuedDoNotHoldTheEnd)
{
    EXPECT_EQ(test::runTestInChild("PhotoWorkExitChild.EndsWithTheEditorsContinuationsQueued",
                  queuedChildVariable, "1", 30000),
        0);
}

const char* const teardownChildVariable = "QUAVEL_EXIT_HELD_TEARDOWN";

// The child: what the application destroys first at the exit (its window and stores) waits for good, as
// a destructor waiting for a read from a disk that stopped answering would.
TEST(PhotoWorkExitChild, QuitsWhileTheTeardownWaits)
{
    if (!std::getenv(teardownChildVariable))
        GTEST_SKIP() << "the child of the exit test";
    PhotoWork::finishBeforeExit(0, [] {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    });
    std::_Exit(3); // the teardown cannot have ended
}

// The exit's bound counts from its start, the teardown included.
TEST(PhotoWorkExit, ATeardownThatNeverEndsDoesNotHoldTheEnd)
{
    const qint64 start = monotonicNs();
    EXPECT_EQ(test::runTestInChild(
                  "PhotoWorkExitChild.QuitsWhileTheTeardownWaits", teardownChildVariable, "1", 60000),
        0);
    const qint64 tookMs = (monotonicNs() - start) / 1000000;
    if (test::timeBoundsApply()) {
        EXPECT_LT(tookMs, 15000);
    }
}

} // namespace
} // namespace quavel
