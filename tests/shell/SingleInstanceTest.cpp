// One instance per user: where its socket lies, the hand-off from a later launch, and the refusal of
// another account on either end of the socket (that account played by a child process as uid 65534).
#include "common/ChildProcess.h"
#include "common/TestSupport.h"

#include "shell/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

constexpr uid_t kStranger = 65534;

// Sets an environment variable for the test's length and puts back what was there.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QString& value)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnv() { m_had ? (void)qputenv(m_name, m_old) : (void)qunsetenv(m_name); }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

// A folder every account may make names in, as the shared temporary folder is.
QString sharedFolder(const TempFolder& folder)
{
    ::chmod(QFile::encodeName(folder.path()).constData(), 01777);
    return folder.path();
}

sockaddr_un address(const QByteArray& path)
{
    sockaddr_un a {};
    a.sun_family = AF_UNIX;
    ::strncpy(a.sun_path, path.constData(), sizeof a.sun_path - 1);
    return a;
}

// Another account on this machine, in a child process dropped to uid 65534. It speaks raw system calls
// only: the child of a threaded parent must not touch a lock another thread held at the fork.
// Whatever it learns (connections, bytes, answers) comes back over a pipe when it is stopped.
class Stranger
{
public:
    struct Report
    {
        int ready = 0; // 1 once set up
        int boundElsewhere = 0; // the second socket path could be made too
        int connections = 0;
        qint64 bytesReceived = 0;
        qint64 bytesAnswered = 0; // what a running instance answered the stranger's frame
    };

    // Listens at `path` (open to everyone) and answers « 1 » to whoever connects, as a trap set for
    // the launch would; also tries to make a socket at `elsewhere`.
    static std::optional<Stranger> listening(const QByteArray& path, const QByteArray& elsewhere = {})
    {
        return start([path, elsewhere](int report, int stop) { listen(path, elsewhere, report, stop); });
    }
    // Connects to `path` and sends `frame`, then keeps what comes back.
    static std::optional<Stranger> sending(const QByteArray& path, const QByteArray& frame)
    {
        return start([path, frame](int report, int stop) { send(path, frame, report, stop); });
    }

    Stranger(Stranger&& other) noexcept
        : m_pid(std::exchange(other.m_pid, -1))
        , m_report(std::exchange(other.m_report, -1))
        , m_stop(std::exchange(other.m_stop, -1))
    { }
    ~Stranger() { finish(); }

    // Stops the child and returns what it saw.
    Report finish()
    {
        Report r;
        if (m_stop >= 0)
            ::close(std::exchange(m_stop, -1));
        if (m_report >= 0) {
            ::read(m_report, &r, sizeof r);
            ::close(std::exchange(m_report, -1));
        }
        // It has written its last word: whether it has left yet or not, it is done.
        if (const pid_t pid = std::exchange(m_pid, -1); pid > 0)
            killChild(pid);
        return r;
    }
    // Waits (serving the event loop) until the child has done its part.
    bool waitDone(int timeoutMs = 5000)
    {
        return waitUntil(
            [&] {
                pollfd p { m_report, POLLIN, 0 };
                return ::poll(&p, 1, 0) > 0;
            },
            timeoutMs);
    }

private:
    Stranger(pid_t pid, int report, int stop)
        : m_pid(pid)
        , m_report(report)
        , m_stop(stop)
    { }

    template <typename Work> static std::optional<Stranger> start(Work work)
    {
        int report[2], stop[2];
        if (::pipe(report) != 0 || ::pipe(stop) != 0)
            return std::nullopt;
        const pid_t pid = forkChild([&] {
            ::close(report[0]);
            ::close(stop[1]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(kStranger) != 0 || ::setuid(kStranger) != 0)
                ::_exit(3);
            work(report[1], stop[0]);
        });
        ::close(report[1]);
        ::close(stop[0]);
        Stranger s(pid, report[0], stop[1]);
        Report ready {};
        // The child says it is set up by a first report; the last one follows when it is stopped.
        if (::read(s.m_report, &ready, sizeof ready) != sizeof ready || !ready.ready)
            return std::nullopt;
        return s;
    }

    static void listen(const QByteArray& path, const QByteArray& elsewhere, int report, int stop)
    {
        Report r { 1, 0, 0, 0, 0 };
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a = address(path);
        if (::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(server, 8) != 0)
            ::_exit(4);
        ::chmod(path.constData(), 0777);
        if (!elsewhere.isEmpty()) {
            const int other = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un b = address(elsewhere);
            r.boundElsewhere = ::bind(other, reinterpret_cast<sockaddr*>(&b), sizeof b) == 0 ? 1 : 0;
        }
        ::write(report, &r, sizeof r);
        pollfd fds[10] = { { stop, POLLIN, 0 }, { server, POLLIN, 0 } };
        nfds_t count = 2;
        while (::poll(fds, count, -1) > 0 && !(fds[0].revents & (POLLIN | POLLHUP))) {
            if ((fds[1].revents & POLLIN) && count < 10) {
                const int client = ::accept(server, nullptr, nullptr);
                ++r.connections;
                ::write(client, "1", 1);
                fds[count++] = { client, POLLIN, 0 };
            }
            char buffer[4096];
            for (nfds_t i = 2; i < count; ++i)
                if (fds[i].revents & POLLIN) {
                    const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                    r.bytesReceived += n > 0 ? n : 0;
                    if (n <= 0)
                        fds[i].fd = -1;
                }
        }
        ::write(report, &r, sizeof r);
    }

    static void send(const QByteArray& path, const QByteArray& frame, int report, int stop)
    {
        Report r { 1, 0, 0, 0, 0 };
        ::write(report, &r, sizeof r);
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a = address(path);
        if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            r.connections = 1;
            ::write(s, frame.constData(), size_t(frame.size()));
            char buffer[16];
            pollfd p { s, POLLIN, 0 };
            ssize_t n = 0;
            // Until the running instance answers or hangs up.
            while (::poll(&p, 1, 3000) > 0 && (n = ::read(s, buffer, sizeof buffer)) > 0)
                r.bytesAnswered += n;
        }
        ::write(report, &r, sizeof r);
        char none;
        ::read(stop, &none, 1);
    }

    pid_t m_pid;
    int m_report;
    int m_stop;
};

const char* const kNeedsRoot = "another account is played by dropping to uid 65534, which only root can do";

// The running instance of the user: it listens, and a later launch (a thread, since its hand-off blocks)
// hands it paths; true when the launch says they were taken.
bool handOffFromAnotherLaunch(const QStringList& socketPaths, const QStringList& files)
{
    std::atomic<int> handed { -1 };
    std::thread launch([&] { handed = SingleInstance(socketPaths).handOff(files, 3000) ? 1 : 0; });
    const bool ended = waitUntil([&] { return handed != -1; }, 5000);
    launch.join();
    return ended && handed == 1;
}

TEST(SingleInstanceHandOff, SecondLaunchHandsItsAbsolutePathsToTheFirst)
{
    TempFolder folder;
    const QStringList paths = SingleInstance::socketPaths(folder.path(), folder.path());
    ASSERT_EQ(paths, QStringList { folder.file("quavel.socket") });
    EXPECT_FALSE(SingleInstance(paths).handOff({ "x.quavel" }, 200)); // nobody listens yet

    SingleInstance first(paths);
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::pathsReceived);
    EXPECT_TRUE(handOffFromAnotherLaunch(paths, { "relatif.quavel", "/abs/b.quavel" }));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.first().first().toStringList(),
        (QStringList { QFileInfo(QStringLiteral("relatif.quavel")).absoluteFilePath(), "/abs/b.quavel" }));
}

// A session without a runtime folder listens in the private folder under the temporary one; a later
// session with a runtime folder still finds it there.
TEST(SingleInstanceHandOff, ASessionWithARuntimeFolderFindsTheInstanceOfOneWithout)
{
    TempFolder runtime, temp;
    SingleInstance first(SingleInstance::socketPaths(runtime.file("absent"), temp.path()));
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::pathsReceived);
    EXPECT_TRUE(
        handOffFromAnotherLaunch(SingleInstance::socketPaths(runtime.path(), temp.path()), { "/a.quavel" }));
    EXPECT_EQ(received.count(), 1);
}

TEST(SingleInstanceHandOff, AStaleSocketIsReplaced)
{
    TempFolder folder;
    const QString path = folder.file("quavel.socket");
    {
        // A socket file with nobody behind it, as a crashed instance leaves.
        QLocalServer leftover;
        ASSERT_TRUE(leftover.listen(path));
        leftover.close();
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a = address(QFile::encodeName(path));
        ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(s);
    }
    SingleInstance instance({ path });
    EXPECT_TRUE(instance.listen());
}

// The fallback folder under the temporary one, as another account or an earlier mistake may have left
// its name; and the runtime folder as the environment names it.
enum class Holds { nothing, privateFolder, openFolder, strangersFolder, linkToPrivate, file };

struct FolderCase
{
    const char* name;
    Holds runtime;
    Holds fallback;
    QStringList expected; // "runtime", "fallback"
};

void PrintTo(const FolderCase& c, std::ostream* os)
{
    *os << c.name;
}

class SingleInstanceFolders : public ::testing::TestWithParam<FolderCase>
{
};

// Makes `what` at `path`; false when the case needs root.
bool make(Holds what, const QString& path, const QString& target)
{
    const QByteArray p = QFile::encodeName(path);
    switch (what) {
    case Holds::nothing:
        return true;
    case Holds::privateFolder:
    case Holds::openFolder:
    case Holds::strangersFolder:
        ::mkdir(p.constData(), 0700);
        ::chmod(p.constData(), what == Holds::openFolder ? 0755 : 0700);
        return what != Holds::strangersFolder
            || (::geteuid() == 0 && ::chown(p.constData(), kStranger, kStranger) == 0);
    case Holds::linkToPrivate:
        ::mkdir(QFile::encodeName(target).constData(), 0700);
        return ::symlink(QFile::encodeName(target).constData(), p.constData()) == 0;
    case Holds::file:
        return QFile(path).open(QIODevice::WriteOnly);
    }
    return false;
}

TEST_P(SingleInstanceFolders, OnlyAFolderOfTheUsersOwnHoldsTheSocket)
{
    const FolderCase& c = GetParam();
    TempFolder root;
    const QString runtime = root.file("runtime");
    const QString fallback = root.file(QStringLiteral("quavel-runtime-%1").arg(::geteuid()));
    if (!make(c.runtime, runtime, root.file("elsewhere-a"))
        || !make(c.fallback, fallback, root.file("elsewhere-b")))
        GTEST_SKIP() << "a folder of another account is made by root only";

    QStringList expected;
    for (const QString& which : c.expected)
        expected << (which == "runtime" ? runtime : fallback) + "/quavel.socket";
    const QStringList paths = SingleInstance::socketPaths(runtime, root.path());
    EXPECT_EQ(paths, expected);
    // A fallback folder is made only when it is the one to listen in, and is then private.
    struct stat st = {};
    const bool made = ::lstat(QFile::encodeName(fallback).constData(), &st) == 0;
    EXPECT_EQ(made, c.fallback != Holds::nothing || !c.expected.contains("runtime"));
    if (c.fallback == Holds::nothing && made) {
        EXPECT_EQ(st.st_mode & 07777, 0700u) << "the folder made is private";
    }
    if (expected.isEmpty()) {
        // The launch runs on its own: it neither hands off nor listens.
        SingleInstance instance(paths);
        EXPECT_FALSE(instance.handOff({ "/a.quavel" }, 200));
        EXPECT_FALSE(instance.listen());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SingleInstanceFolders,
    ::testing::Values(FolderCase { "RuntimeFolder", Holds::privateFolder, Holds::nothing, { "runtime" } },
        FolderCase { "RuntimeThenEarlierFallback", Holds::privateFolder, Holds::privateFolder,
            { "runtime", "fallback" } },
        FolderCase { "NoRuntimeFolder", Holds::nothing, Holds::nothing, { "fallback" } },
        FolderCase { "OpenRuntimeFolder", Holds::openFolder, Holds::nothing, { "fallback" } },
        FolderCase { "StrangersRuntimeFolder", Holds::strangersFolder, Holds::nothing, { "fallback" } },
        FolderCase { "LinkedRuntimeFolder", Holds::linkToPrivate, Holds::nothing, { "fallback" } },
        FolderCase { "FallbackLeftPrivate", Holds::file, Holds::privateFolder, { "fallback" } },
        FolderCase { "FallbackOpen", Holds::nothing, Holds::openFolder, {} },
        FolderCase { "FallbackOfAStranger", Holds::nothing, Holds::strangersFolder, {} },
        FolderCase { "FallbackALink", Holds::nothing, Holds::linkToPrivate, {} },
        FolderCase { "FallbackAFile", Holds::nothing, Holds::file, {} }),
    [](const auto& info) { return std::string(info.param.name); });

// Another account listens where the socket used to be, in the shared temporary folder, before the
// user's launch: the launch, as the application makes it, starts its own instance and tells it
// nothing; the stranger cannot make a socket where the launch listens either.
TEST(SingleInstanceStranger, AListenerAtTheOldNameGetsNothing)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << kNeedsRoot;
    TempFolder runtimeFolder, tempFolder;
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeFolder.path());
    ScopedEnv temp("TMPDIR", sharedFolder(tempFolder));
    const QString oldName = QDir::tempPath() + QStringLiteral("/quavel-%1").arg(::geteuid());
    auto stranger = Stranger::listening(
        QFile::encodeName(oldName), QFile::encodeName(runtimeFolder.file("quavel.socket")));
    ASSERT_TRUE(stranger);

    SingleInstance launch;
    EXPECT_FALSE(launch.handOff({ "/photos/client.quavel" }));
    EXPECT_TRUE(launch.listen());
    // Still one instance per user: the user's next launch reaches this one.
    QSignalSpy received(&launch, &SingleInstance::pathsReceived);
    EXPECT_TRUE(handOffFromAnotherLaunch(SingleInstance::userSocketPaths(), { "/b.quavel" }));
    EXPECT_EQ(received.count(), 1);

    const Stranger::Report seen = stranger->finish();
    EXPECT_EQ(seen.connections, 0);
    EXPECT_EQ(seen.bytesReceived, 0);
    EXPECT_EQ(seen.boundElsewhere, 0);
}

// A listener of another account where the launch looks (a folder it can reach): the launch connects,
// sees whose it is, sends no path, and leaves that socket in place when it then runs on its own.
TEST(SingleInstanceStranger, TheLaunchRefusesAListenerOfAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << kNeedsRoot;
    TempFolder folder;
    const QString path = QDir(sharedFolder(folder)).filePath("quavel.socket");
    auto stranger = Stranger::listening(QFile::encodeName(path));
    ASSERT_TRUE(stranger);

    SingleInstance launch({ path });
    EXPECT_FALSE(launch.handOff({ "/photos/client.quavel" }));
    EXPECT_FALSE(launch.listen());
    struct stat st = {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, kStranger);

    const Stranger::Report seen = stranger->finish();
    EXPECT_EQ(seen.bytesReceived, 0);
}

// A peer of another account reaches the running instance's socket (opened to everyone here) and sends a
// well-formed frame: the instance reads none of it and answers nothing.
TEST(SingleInstanceStranger, TheRunningInstanceRefusesAPeerOfAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << kNeedsRoot;
    TempFolder folder;
    const QString path = QDir(sharedFolder(folder)).filePath("quavel.socket");
    SingleInstance running({ path });
    ASSERT_TRUE(running.listen());
    ::chmod(QFile::encodeName(path).constData(), 0777);
    QSignalSpy received(&running, &SingleInstance::pathsReceived);

    QByteArray body, frame;
    QDataStream bodyOut(&body, QIODevice::WriteOnly);
    bodyOut << QByteArrayLiteral("QUAVEL-OPEN-1") << QStringList { "/x.quavel" };
    QDataStream frameOut(&frame, QIODevice::WriteOnly);
    frameOut << qint64(body.size());
    frame += body;
    auto stranger = Stranger::sending(QFile::encodeName(path), frame);
    ASSERT_TRUE(stranger);
    ASSERT_TRUE(stranger->waitDone());
    const Stranger::Report seen = stranger->finish();
    EXPECT_EQ(seen.connections, 1);
    EXPECT_EQ(seen.bytesAnswered, 0);
    EXPECT_EQ(received.count(), 0);
}

} // namespace
