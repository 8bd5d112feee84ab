#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>

// Readable failures: texts printed as text, lists as [a|b|c].
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral("|")).toStdString() << ']';
}

// Text written in the source as UTF-8.
inline QString u8(const char* s)
{
    return QString::fromUtf8(s);
}

namespace quavel::test {

// Points XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and HOME at a fresh temporary tree for the whole
// program.
void isolateUserFolders();
// Removes them now: for a child process that gives up the right to remove them or leaves by _exit.
void removeUserFolders();

// A temporary folder removed at the end of the test.
class TempFolder
{
public:
    TempFolder();
    // Inside `base` instead of the temporary folder of the environment.
    explicit TempFolder(const QString& base);
    // Removes everything by the names' bytes: Qt's own removal cannot reach a name that is not UTF-8.
    ~TempFolder();
    QString path() const { return m_dir.path(); }
    // Absolute path of a name inside the folder.
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Writes bytes to name (parents created); returns the absolute path.
    QString write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

// A folder on a memory file system (/dev/shm when it is a writable tmpfs), else the temporary folder:
// for tests that flush the file system many times, a flush of tmpfs costing nothing.
QString memoryFolderBase();

// True in the sanitizer build, whose runtime has needs of its own (address space, descriptors) and puts
// its bookkeeping on every allocation: bounds on memory are not checked there, and what cannot run
// beside that runtime is skipped. Time bounds are timeBoundsApply()'s.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
inline constexpr bool kBuiltWithSanitizers = true;
#else
inline constexpr bool kBuiltWithSanitizers = false;
#endif

// Whether bounds on time are checked: a longest pause of the GUI thread, a frame budget, work done
// within so many seconds. Not in the sanitizer build, where every step runs many times slower, nor when
// QUAVEL_TEST_NO_TIME_BOUNDS is set to anything but 0 (a machine loaded by other work): a bound that
// fails there says nothing of the code. Each test still does its work and checks what it delivers.
// Deadlines that only keep a hang from holding the run (waitUntil's, await's, HangGuard's) are not time
// bounds and always hold.
bool timeBoundsApply();

// Runs the event loop until the predicate holds or the time runs out; true when it held.
bool waitUntil(const std::function<bool()>& predicate, int timeoutMs = 5000);
// The same without running any event loop: for a thread of the test's own, or a forked child (whose
// event loop shares its wake-ups with the parent's).
bool pollUntil(const std::function<bool()>& predicate, int timeoutMs = 5000);
// Runs the event loop until the work posted to it before the call (queued calls, zero timers) has run.
void runPostedWork();

// Fixed waits, for the few cases where the time itself is the case: a period in which nothing may
// happen, or time that must pass between two steps (events spread over a burst). Never to wait for
// something to happen: waitUntil, a signal or a gate waits for the event itself.
// Runs the event loop for ms.
void letTimePass(int ms);
// Holds the calling thread for that long without running any event loop (a worker kept in its work a
// while, a process killed at a chosen moment).
void holdThread(std::chrono::microseconds duration);

// Spins the event loop until the future is done, then gives its result (rethrowing its error). A future
// that does not finish in time fails the test with an exception instead of holding it.
template <typename T> T await(QFuture<T> future, int timeoutMs = 30000)
{
    if (!waitUntil([&] { return future.isFinished(); }, timeoutMs))
        throw std::runtime_error("the future did not finish");
    return future.result();
}

// How freely the calling thread's event loop ran while `work` ran (work runs the loop itself, as
// waitUntil does): a 10-ms timer of the thread is served, and the longest time between two of its ticks,
// or between the last tick and the end, is how long the thread was held at most.
struct EventLoopGaps
{
    qint64 longestMs = 0;
    int ticks = 0;
};
EventLoopGaps eventLoopGapsWhile(const std::function<void()>& work);

// Reads a whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);

// The names in a folder, hidden and special files (pipes, sockets, broken links) included, sorted.
QStringList entries(const QString& folder);

// The permission bits of a file.
unsigned modeOf(const QString& path);

// Writes a file named by its bytes (names that are not UTF-8 included) in an existing folder.
void writeRaw(const QByteArray& path, const QByteArray& bytes = {});

// Where the picture tests write their PNG files: QUAVEL_SCREENSHOTS when set, else "screenshots" in the
// current folder; created when missing.
QString screenshotsFolder();

// Runs fn on a thread of its own; true when it returned within timeoutMs. A call that hangs (a read
// waiting for ever) fails the test instead of holding the program: its thread is left behind.
bool returnsWithin(int timeoutMs, std::function<void()> fn);

// Guards work of the calling thread that could hang (a batch run on the GUI thread): when it has not
// ended within timeoutMs of the guard's creation, the program reports what hung and aborts, so that a
// hang fails instead of holding CI. Disarmed when destroyed.
class HangGuard
{
public:
    HangGuard(int timeoutMs, QString what);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Work to do after the last test and before the program ends (worker threads to let finish while the
// program's objects still exist). Hooks run in the order they were added.
void addExitHook(std::function<void()> hook);
void runExitHooks();

} // namespace quavel::test
