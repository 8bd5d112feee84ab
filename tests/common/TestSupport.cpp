#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace quavel::test {

namespace {

QTemporaryDir& userFoldersRoot()
{
    static QTemporaryDir root;
    return root;
}

} // namespace

void isolateUserFolders()
{
    QTemporaryDir& root = userFoldersRoot();
    root.setAutoRemove(true);
    QDir(root.path()).mkpath("data");
    QDir(root.path()).mkpath("config");
    QDir(root.path()).mkpath("home");
    QDir(root.path()).mkpath("cache");
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    qputenv("HOME", QFile::encodeName(root.filePath("home")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath("cache")));
}

void removeUserFolders()
{
    userFoldersRoot().remove();
}

TempFolder::TempFolder() = default;

TempFolder::TempFolder(const QString& base)
    : m_dir(base + QStringLiteral("/quavel-test-XXXXXX"))
{ }

TempFolder::~TempFolder()
{
    if (!m_dir.isValid())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(
        std::filesystem::path(QFile::encodeName(m_dir.path()).toStdString()), ignored);
}

QString memoryFolderBase()
{
    struct statfs fs
    {
    };
    if (::statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC && ::access("/dev/shm", W_OK) == 0)
        return QStringLiteral("/dev/shm");
    return QDir::tempPath();
}

QString TempFolder::write(const QString& name, const QByteArray& bytes) const
{
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray TempFolder::read(const QString& name) const
{
    return readFile(file(name));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

unsigned modeOf(const QString& path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

void writeRaw(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

bool waitUntil(const std::function<bool()>& predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool pollUntil(const std::function<bool()>& predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void runPostedWork()
{
    // Posted after everything already posted to this thread, so it runs after it. Shared: a call that
    // gave up waiting leaves it behind.
    auto ran = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [ran] { *ran = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(waitUntil([&] { return *ran; })) << "the event loop did not reach the work posted";
}

void letTimePass(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void holdThread(std::chrono::microseconds duration)
{
    std::this_thread::sleep_for(duration);
}

bool timeBoundsApply()
{
    if (kBuiltWithSanitizers)
        return false;
    static const bool disabled = [] {
        const QByteArray value = qgetenv("QUAVEL_TEST_NO_TIME_BOUNDS");
        return !value.isEmpty() && value != "0";
    }();
    return !disabled;
}

EventLoopGaps eventLoopGapsWhile(const std::function<void()>& work)
{
    EventLoopGaps gaps;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        gaps.longestMs = std::max(gaps.longestMs, now - last);
        last = now;
        ++gaps.ticks;
    });
    ticks.start(10);
    work();
    ticks.stop();
    gaps.longestMs = std::max(gaps.longestMs, clock.elapsed() - last);
    return gaps;
}

QString screenshotsFolder()
{
    const QByteArray env = qgetenv("QUAVEL_SCREENSHOTS");
    const QString folder = env.isEmpty() ? QDir::current().absoluteFilePath(QStringLiteral("screenshots"))
                                         : QString::fromLocal8Bit(env);
    QDir().mkpath(folder);
    return folder;
}

bool returnsWithin(int timeoutMs, std::function<void()> fn)
{
    struct Done
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };
    auto state = std::make_shared<Done>();
    std::thread([state, fn = std::move(fn)] {
        fn();
        std::lock_guard lock(state->mutex);
        state->done = true;
        state->changed.notify_all();
    }).detach();
    std::unique_lock lock(state->mutex);
    return state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return state->done; });
}

struct HangGuard::State
{
    std::mutex mutex;
    std::condition_variable changed;
    bool disarmed = false;
};

HangGuard::HangGuard(int timeoutMs, QString what)
    : m_state(std::make_shared<State>())
{
    std::thread([state = m_state, timeoutMs, what = std::move(what)] {
        std::unique_lock lock(state->mutex);
        if (state->changed.wait_for(
                lock, std::chrono::milliseconds(timeoutMs), [&] { return state->disarmed; }))
            return;
        std::fprintf(stderr, "%s has not ended within %d ms: the test hangs\n", qPrintable(what), timeoutMs);
        std::fflush(stderr);
        std::abort();
    }).detach();
}

HangGuard::~HangGuard()
{
    std::lock_guard lock(m_state->mutex);
    m_state->disarmed = true;
    m_state->changed.notify_all();
}

namespace {

QList<std::function<void()>>& exitHooks()
{
    static QList<std::function<void()>> hooks;
    return hooks;
}

} // namespace

void addExitHook(std::function<void()> hook)
{
    exitHooks().append(std::move(hook));
}

void runExitHooks()
{
    for (const auto& hook : exitHooks())
        hook();
}

} // namespace quavel::test
