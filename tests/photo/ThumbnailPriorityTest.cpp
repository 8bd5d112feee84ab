// Thumbnails run on threads lowered to nice 10, and a thread cannot raise its priority again without
// privileges: whatever such a thread starts (libvips' workers, the row workers) or runs for someone else
// would lower the crop editor's decodes, previews and writes for the rest of the process's life. Checked
// where it matters, in a child that runs as an unprivileged user with RLIMIT_NICE 0 before any pool
// exists; and the background pool's futures, which only wait, still cancel, clear and fail as futures do.
#include "PhotoFixtures.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "photo/MediaThumbnailer.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/crop/CropEditorWork.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/RowPool.h"

#include <QDir>
#include <QException>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace quavel {
namespace {

struct Account
{
    uid_t uid;
    gid_t gid;
};

// Who the child runs as: "nobody" when the test runs as root, else the test's own user.
std::optional<Account> unprivilegedAccount()
{
    if (::geteuid() != 0)
        return Account { ::geteuid(), ::getegid() };
    const passwd* nobody = ::getpwnam("nobody");
    return nobody ? std::optional(Account { nobody->pw_uid, nobody->pw_gid }) : std::nullopt;
}

// Becomes the account for good, with RLIMIT_NICE 0 so that the limit allows no raise either.
bool dropTo(const Account& account)
{
    if (::geteuid() == 0
        && (::setgroups(0, nullptr) != 0 || ::setgid(account.gid) != 0 || ::setuid(account.uid) != 0))
        return false;
    const rlimit none { 0, 0 };
    return ::setrlimit(RLIMIT_NICE, &none) == 0;
}

// Absent for a thread that has ended.
std::optional<int> niceOf(pid_t tid)
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, id_t(tid));
    return nice == -1 && errno != 0 ? std::nullopt : std::optional(nice);
}

// The processor time each thread of this process has had, in nanoseconds, by thread id.
std::map<pid_t, qulonglong> threadTimes()
{
    std::map<pid_t, qulonglong> times;
    for (const QString& tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + tid + "/schedstat");
        if (stat.open(QIODevice::ReadOnly))
            times[tid.toInt()] = stat.readAll().split(' ').value(0).toULongLong();
    }
    return times;
}

// Whether every thread of this process but the calling one is asleep (none running or ready to run).
bool othersAsleep()
{
    for (const QString& tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (tid.toInt() == ::gettid())
            continue;
        QFile stat("/proc/self/task/" + tid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        // The state follows the name, which is in parentheses and may hold any character.
        const QByteArray line = stat.readAll();
        const qsizetype state = line.lastIndexOf(')') + 2;
        if (state < 2 || state >= line.size() || line[state] == 'R')
            return false;
    }
    return true;
}

QString threadName(pid_t tid)
{
    QFile comm(QString("/proc/self/task/%1/comm").arg(tid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

// The child's work, as the unprivileged account: a batch of thumbnails, then the crop editor's. What
// went wrong; empty when nothing did.
QStringList editorWorkAfterThumbnails(const QString& folder)
{
    QStringList thumbnails;
    for (int i = 0; i < 8; ++i)
        thumbnails << folder + QString("/DSC_%1.JPG").arg(i);
    thumbnails << folder + "/alpha.png" << folder + "/turned.tif" << folder + "/small.webp"
               << folder + "/phone.heic";
    const QString photo = folder + "/full.jpg";
    // Made by a process of their own: libvips started here would start its workers at normal priority
    // before the thumbnails do, and hide what the thumbnails' threads start.
    const pid_t maker = test::forkChild([&] {
        const int orientations[] = { 1, 6, 3, 8 };
        for (int i = 0; i < 8; ++i)
            test::writePhoto(thumbnails[i], test::sized(1600, 1200, orientations[i % 4]));
        test::writePhoto(thumbnails[8], test::sized(1200, 800, 1, true));
        test::writePhoto(thumbnails[9], test::sized(800, 1200, 6));
        test::writePhoto(thumbnails[10], test::sized(1000, 700));
        test::writePhoto(thumbnails[11], test::sized(320, 240));
        test::writePhoto(photo, test::sized(3000, 2000));
    });
    if (!test::waitChild(maker))
        return { "the photos could not be made" };

    QStringList faults;
    // A thread that expired mid-check would run at nice 10 and be counted below.
    JobPool::thumbnails().threadPool().setExpiryTimeout(-1);
    // A thumbnail job that asks for rows before anything else has: the row workers it would start must
    // not take its priority.
    const std::function<void(int, int)> nothing = [](int, int) {};
    JobPool::thumbnails().run([&] { RowPool::run(64, nothing, 1); }).waitForFinished();
    QList<QFuture<QImage>> requests;
    for (const QString& path : thumbnails)
        requests.append(MediaThumbnailer::thumbnail(path, false, 480));
    // Waited for from the last, still queued: the waiting thread must not run it, lowered, itself.
    for (auto request = requests.rbegin(); request != requests.rend(); ++request)
        if (request->result().isNull())
            faults << "a thumbnail could not be made";
    const int lowered = JobPool::thumbnails().run([] { return niceOf(::gettid()).value_or(-1); }).result();
    if (lowered != 10)
        faults << QString("thumbnails ran at nice %1 instead of 10").arg(lowered);
    if (niceOf(::gettid()) != 0)
        faults << "the thread that waited for thumbnails was lowered";
    // Idle and asleep before the count begins (waitForDone would end them, and a thread ending runs).
    QThreadPool& pool = JobPool::thumbnails().threadPool();
    if (!test::pollUntil([&] { return pool.activeThreadCount() == 0 && othersAsleep(); }, 30000))
        faults << "the thumbnail workers did not come to rest";

    // The crop editor's work: its working image, a preview, then the full-size decode and write.
    const std::map<pid_t, qulonglong> before = threadTimes();
    std::atomic<pid_t> jobThread { 0 };
    const auto editorWork = [&] {
        jobThread = ::gettid();
        PhotoRetouchSettings settings;
        settings.shadows = 40;
        settings.contrast = 20;
        settings.optimizedSharpness = true;
        const std::optional<FloatImage> working = ImageIO::decode(photo, CropEditorModel::workingMaxPixel);
        if (!working || !CropEditorWork::renderPreview(settings, *working))
            return false;
        const std::optional<FloatImage> full = ImageIO::decode(photo);
        return full && ImageIO::encode(*full, folder + "/written.tif", ImageIO::Format::Tiff);
    };
    const bool done = JobPool::interactive().run(editorWork).result();
    if (!done)
        faults << "the editor's work failed";
    int helpers = 0;
    for (const auto& [tid, time] : threadTimes()) {
        const auto earlier = before.find(tid);
        if (earlier != before.end() && earlier->second == time)
            continue;
        if (tid != ::gettid() && tid != jobThread)
            ++helpers;
        if (const std::optional<int> nice = niceOf(tid); nice && *nice != 0)
            faults << QString("thread %1 (%2) did the editor's work at nice %3")
                          .arg(tid)
                          .arg(threadName(tid))
                          .arg(*nice);
    }
    if (helpers == 0)
        faults << "no worker thread took part in the editor's work: nothing was checked";
    return faults;
}

[[noreturn]] void runUnprivileged(const Account& account, const QString& base)
{
    // A hang ends the child by SIGALRM, which fails the test.
    ::alarm(240);
    // Left by _exit, and unremovable once the account changes.
    test::removeUserFolders();
    if (!dropTo(account)) {
        std::fprintf(stderr, "could not drop to the unprivileged user\n");
        ::_exit(2);
    }
    QTemporaryDir folder(base + "/quavel-priority-XXXXXX");
    const QStringList faults
        = folder.isValid() ? editorWorkAfterThumbnails(folder.path()) : QStringList { "no folder" };
    folder.remove();
    for (const QString& fault : faults)
        std::fprintf(stderr, "%s\n", qPrintable(fault));
    ::_exit(faults.isEmpty() ? 0 : 1);
}

// Why a child cannot become the account, be held by the limit and work in the folder; empty when it
// can. Each step that fails is told apart by the probe's exit status.
QString unfitBecause(const Account& account, const QString& base)
{
    const QByteArray folder = QFile::encodeName(base);
    const pid_t probe = test::forkChild([&] {
        if (!dropTo(account))
            ::_exit(10);
        if (::setpriority(PRIO_PROCESS, 0, 1) != 0)
            ::_exit(11);
        if (::setpriority(PRIO_PROCESS, 0, 0) == 0)
            ::_exit(12);
        if (::access(folder.constData(), W_OK | X_OK) != 0)
            ::_exit(13);
        if (::access("/proc/self/schedstat", R_OK) != 0)
            ::_exit(14);
    });
    int status = 0;
    if (probe < 0 || ::waitpid(probe, &status, 0) != probe || !WIFEXITED(status))
        return "the probe child did not run or end";
    switch (WEXITSTATUS(status)) {
    case 0:
        return {};
    case 10:
        return QString("a child cannot become user %1 with RLIMIT_NICE 0").arg(account.uid);
    case 11:
        // A test run started under nice already sits below the priority the probe asks for.
        return QString("a child cannot lower its priority (this process runs at nice %1)")
            .arg(::getpriority(PRIO_PROCESS, 0));
    case 12:
        return "a child held by RLIMIT_NICE 0 can still raise its priority (privileged: CAP_SYS_NICE?)";
    case 13:
        return QString("user %1 cannot write in %2").arg(account.uid).arg(base);
    case 14:
        return "/proc/self/schedstat cannot be read (no scheduler statistics in this kernel)";
    default:
        return QString("the probe child ended with status %1").arg(WEXITSTATUS(status));
    }
}

TEST(ThumbnailPriorityDeathTest, TheEditorsWorkAfterThumbnailsRunsAtNormalPriority)
{
    const std::optional<Account> account = unprivilegedAccount();
    if (!account)
        GTEST_SKIP() << "no user nobody to run as";
    // The child works in the temporary folder when the account can reach it; a private one (a runner's
    // TMPDIR of mode 0700 owned by root) is closed to nobody, and /tmp then serves.
    QString base = QDir::tempPath();
    QString unfit = unfitBecause(*account, base);
    if (!unfit.isEmpty() && base != "/tmp") {
        const QString there = unfitBecause(*account, "/tmp");
        if (there.isEmpty())
            base = "/tmp";
        unfit = there.isEmpty() ? QString() : unfit + "; in /tmp: " + there;
    }
    if (!unfit.isEmpty())
        GTEST_SKIP() << qPrintable(unfit);
    // A fresh process, started before any pool of this one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runUnprivileged(*account, base), testing::ExitedWithCode(0), "");
}

// Every thread of the thumbnail pool held until release(), so that what is queued meanwhile waits.
class HeldThumbnailPool
{
public:
    HeldThumbnailPool()
        : m_threads(JobPool::thumbnails().threadPool().maxThreadCount())
    {
        for (int i = 0; i < m_threads; ++i)
            JobPool::thumbnails().run([gates = m_gates] {
                gates->started.release();
                gates->open.tryAcquire(1, 60000);
            });
        m_held = m_gates->started.tryAcquire(m_threads, 30000);
    }
    ~HeldThumbnailPool() { release(); }
    bool held() const { return m_held; }
    void release() { m_gates->open.release(std::exchange(m_threads, 0)); }

private:
    // Shared with the holding tasks, which may still be leaving them when this object goes.
    struct Gates
    {
        QSemaphore started;
        QSemaphore open;
    };
    std::shared_ptr<Gates> m_gates = std::make_shared<Gates>();
    int m_threads;
    bool m_held = false;
};

TEST(BackgroundJobs, QueuedTasksCancelClearAndFailLikeFutures)
{
    std::atomic<int> ran { 0 };
    HeldThumbnailPool held;
    ASSERT_TRUE(held.held());
    QFuture<void> cancelled = JobPool::thumbnails().run([&] { ++ran; });
    cancelled.cancel();
    QFuture<int> failing = JobPool::thumbnails().run([]() -> int { throw std::runtime_error("unreadable"); });
    held.release();
    cancelled.waitForFinished();
    EXPECT_TRUE(cancelled.isCanceled());
    EXPECT_THROW(failing.result(), QUnhandledException);

    // Cleared from the pool (as at exit): its waiters are let go at once.
    HeldThumbnailPool again;
    ASSERT_TRUE(again.held());
    QFuture<int> cleared = JobPool::thumbnails().run([&] { return ++ran; });
    JobPool::thumbnails().threadPool().clear();
    EXPECT_TRUE(cleared.isFinished());
    EXPECT_TRUE(cleared.isCanceled());
    again.release();
    JobPool::thumbnails().threadPool().waitForDone(30000);
    EXPECT_EQ(ran.load(), 0);
}

} // namespace
} // namespace quavel
