// One instance per user: where its socket lies, the hand-off from a later launch, and the refusal of
// another account (uid 65534) on either end of the socket.
#include "common/TestSupport.h"

#include "shell/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

constexpr uid_t kStranger = 65534;

sockaddr_un address(const QString& path)
{
    sockaddr_un a {};
    a.sun_family = AF_UNIX;
    ::strncpy(a.sun_path, QFile::encodeName(path).constData(), sizeof a.sun_path - 1);
    return a;
}

// A socket of another account, listening at `path` or connected to it; -1 when it cannot be made. The
// kernel records that account as the socket's user when it listens or connects, and the socket file it
// binds is that account's. Only the calling thread takes on the account meanwhile: the raw system call
// changes its own user ids (glibc's wrapper would change every thread's).
int strangerSocket(const QString& path, bool listening)
{
    const sockaddr_un a = address(path);
    const auto* to = reinterpret_cast<const sockaddr*>(&a);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    bool made = false;
    if (::syscall(SYS_setresuid, uid_t(-1), kStranger, uid_t(-1)) == 0)
        made = listening ? ::bind(fd, to, sizeof a) == 0 && ::listen(fd, 8) == 0
                         : ::connect(fd, to, sizeof a) == 0;
    ::syscall(SYS_setresuid, uid_t(-1), uid_t(0), uid_t(-1));
    if (made)
        return fd;
    ::close(fd);
    return -1;
}

// Another account's listener: a thread of its own answers « 1 » to whoever connects, as a trap set for
// the launch would, and counts what it is told until stopped.
class StrangerListener
{
public:
    explicit StrangerListener(const QString& path)
        : m_socket(strangerSocket(path, true))
    { }
    ~StrangerListener() { stop(); }
    bool isListening() const { return m_socket >= 0; }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_socket >= 0)
            ::close(std::exchange(m_socket, -1));
    }

    std::atomic<int> connections { 0 };
    std::atomic<qint64> bytes { 0 };

private:
    void serve()
    {
        std::vector<int> clients;
        char buffer[4096];
        // One last round once stopped, for bytes sent just before.
        for (bool last = false; !last; holdThread(std::chrono::milliseconds(5))) {
            last = m_stop;
            if (const int client = ::accept4(m_socket, nullptr, nullptr, SOCK_NONBLOCK); client >= 0) {
                ++connections;
                ::send(client, "1", 1, MSG_NOSIGNAL); // it may have hung up already
                clients.push_back(client);
            }
            for (const int client : clients)
                for (ssize_t n; (n = ::read(client, buffer, sizeof buffer)) > 0;)
                    bytes += n;
        }
        for (const int client : clients)
            ::close(client);
    }

    int m_socket;
    std::atomic<bool> m_stop { false };
    std::thread m_thread { [this] { serve(); } };
};

// Sets an environment variable until the returned guard goes.
auto setEnv(const char* name, const QString& value)
{
    auto restore = qScopeGuard([name, old = qgetenv(name), had = qEnvironmentVariableIsSet(name)] {
        had ? void(qputenv(name, old)) : void(qunsetenv(name));
    });
    qputenv(name, QFile::encodeName(value));
    return restore;
}

// The running instance of the user listens on this thread, and a later launch (a thread, since its
// hand-off blocks) hands it paths; true when the launch says they were taken.
bool handOffFromAnotherLaunch(const QStringList& socketPaths, const QStringList& files)
{
    std::atomic<int> handed { -1 };
    std::thread launch([&] { handed = SingleInstance(socketPaths).handOff(files, 3000) ? 1 : 0; });
    const bool ended = waitUntil([&] { return handed != -1; }, 5000);
    launch.join();
    return ended && handed == 1;
}

// A session without a runtime folder listens in the private folder it makes under the temporary one,
// over the socket a crashed instance left there; a later session, with a runtime folder, finds it there.
TEST(SingleInstanceHandOff, ALaterLaunchHandsItsAbsolutePathsToTheRunningInstance)
{
    TempFolder runtime, temp;
    SingleInstance first(SingleInstance::socketPaths(runtime.file("absent"), temp.path()));
    const QStringList later = SingleInstance::socketPaths(runtime.path(), temp.path());
    ASSERT_EQ(later.size(), 2) << "the folder made under the temporary one is looked at too";
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un a = address(later.last());
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
    ::close(stale);
    EXPECT_FALSE(SingleInstance(later).handOff({ "/a.quavel" }, 200)); // nobody listens yet

    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::pathsReceived);
    EXPECT_TRUE(handOffFromAnotherLaunch(later, { "relatif.quavel", "/abs/b.quavel" }));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.first().first().toStringList(),
        (QStringList { QFileInfo(QStringLiteral("relatif.quavel")).absoluteFilePath(), "/abs/b.quavel" }));

    // Without a private folder, a launch runs on its own: it neither hands off nor listens.
    SingleInstance alone(QStringList {});
    EXPECT_FALSE(alone.handOff({ "/a.quavel" }, 200));
    EXPECT_FALSE(alone.listen());
}

// What stands at the runtime folder the environment names, and at the fallback folder's name under the
// temporary one (another account or an earlier mistake may have left it).
enum class Holds { nothing, privateFolder, openFolder, strangersFolder, linkToPrivate, file };

struct FolderCase
{
    const char* name;
    Holds runtime, fallback;
    bool inRuntime, inFallback; // where the socket paths lie, in that order
};

void PrintTo(const FolderCase& c, std::ostream* os)
{
    *os << c.name;
}

using SingleInstanceFolders = ::testing::TestWithParam<FolderCase>;

// Makes `what` at `path`; false when the case needs root.
bool make(Holds what, const QString& path)
{
    const QByteArray p = QFile::encodeName(path), target = p + "-target";
    switch (what) {
    case Holds::nothing:
        return true;
    case Holds::privateFolder:
    case Holds::openFolder:
    case Holds::strangersFolder:
        return ::mkdir(p.constData(), 0700) == 0
            && ::chmod(p.constData(), what == Holds::openFolder ? 0755 : 0700) == 0
            && (what != Holds::strangersFolder || ::chown(p.constData(), kStranger, kStranger) == 0);
    case Holds::linkToPrivate:
        return ::mkdir(target.constData(), 0700) == 0 && ::symlink(target.constData(), p.constData()) == 0;
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
    if (!make(c.runtime, runtime) || !make(c.fallback, fallback))
        GTEST_SKIP() << "a folder of another account is made by root only";

    QStringList expected;
    if (c.inRuntime)
        expected << runtime + "/quavel.socket";
    if (c.inFallback)
        expected << fallback + "/quavel.socket";
    EXPECT_EQ(SingleInstance::socketPaths(runtime, root.path()), expected);
    // A fallback folder is made only when it is the one to listen in, and private.
    if (c.fallback == Holds::nothing) {
        EXPECT_EQ(modeOf(fallback), c.inRuntime ? 0u : 0700u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SingleInstanceFolders,
    ::testing::Values(FolderCase { "RuntimeFolder", Holds::privateFolder, Holds::nothing, true, false },
        FolderCase { "RuntimeThenEarlierFallback", Holds::privateFolder, Holds::privateFolder, true, true },
        FolderCase { "NoRuntimeFolder", Holds::nothing, Holds::nothing, false, true },
        FolderCase { "OpenRuntimeFolder", Holds::openFolder, Holds::nothing, false, true },
        FolderCase { "StrangersRuntimeFolder", Holds::strangersFolder, Holds::nothing, false, true },
        FolderCase { "LinkedRuntimeFolder", Holds::linkToPrivate, Holds::nothing, false, true },
        FolderCase { "FallbackLeftPrivate", Holds::file, Holds::privateFolder, false, true },
        FolderCase { "FallbackOpen", Holds::nothing, Holds::openFolder, false, false },
        FolderCase { "FallbackOfAStranger", Holds::nothing, Holds::strangersFolder, false, false },
        FolderCase { "FallbackALink", Holds::nothing, Holds::linkToPrivate, false, false },
        FolderCase { "FallbackAFile", Holds::nothing, Holds::file, false, false }),
    [](const auto& info) { return std::string(info.param.name); });

// Another account is played by uid 65534, which only root can take on; it may make names in `shared`,
// as in the shared temporary folder.
class SingleInstanceStranger : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "another account is played by uid 65534, which only root can take on";
        ::chmod(QFile::encodeName(shared.path()).constData(), 01777);
    }

    TempFolder shared;
};

// Listening where the socket used to be, before the user's launch: the launch, as the application makes
// it, starts its own instance and tells it nothing.
TEST_F(SingleInstanceStranger, AListenerAtTheOldNameGetsNothing)
{
    TempFolder runtime;
    const auto runtimeEnv = setEnv("XDG_RUNTIME_DIR", runtime.path());
    const auto tempEnv = setEnv("TMPDIR", shared.path());
    StrangerListener stranger(QDir::tempPath() + QStringLiteral("/quavel-%1").arg(::geteuid()));
    ASSERT_TRUE(stranger.isListening());

    SingleInstance launch;
    EXPECT_FALSE(launch.handOff({ "/photos/client.quavel" }));
    EXPECT_TRUE(launch.listen());
    // Still one instance per user: the user's next launch reaches this one.
    QSignalSpy received(&launch, &SingleInstance::pathsReceived);
    EXPECT_TRUE(handOffFromAnotherLaunch(SingleInstance::userSocketPaths(), { "/b.quavel" }));
    EXPECT_EQ(received.count(), 1);

    stranger.stop();
    EXPECT_EQ(stranger.connections, 0);
    EXPECT_EQ(stranger.bytes, 0);
}

// Listening where the launch looks: the launch sees whose socket it is, sends no path, and leaves that
// socket in place when it then runs on its own.
TEST_F(SingleInstanceStranger, TheLaunchRefusesAListenerOfAnotherUser)
{
    const QString path = shared.file("quavel.socket");
    StrangerListener stranger(path);
    ASSERT_TRUE(stranger.isListening());

    SingleInstance launch({ path });
    EXPECT_FALSE(launch.handOff({ "/photos/client.quavel" }));
    EXPECT_FALSE(launch.listen());
    struct stat st = {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, kStranger);
    stranger.stop();
    EXPECT_EQ(stranger.bytes, 0);
}

// A peer of another account reaches the running instance's socket (opened to everyone here) and sends a
// well-formed frame: the instance reads none of it and answers nothing.
TEST_F(SingleInstanceStranger, TheRunningInstanceRefusesAPeerOfAnotherUser)
{
    const QString path = shared.file("quavel.socket");
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
    const int peer = strangerSocket(path, false);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(::send(peer, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL), frame.size());
    // Until the instance answers or hangs up.
    qint64 answered = 0;
    EXPECT_TRUE(waitUntil([&] {
        char buffer[16];
        const ssize_t n = ::read(peer, buffer, sizeof buffer);
        answered += std::max<ssize_t>(n, 0);
        return n >= 0 || errno != EAGAIN;
    }));
    ::close(peer);
    EXPECT_EQ(answered, 0);
    EXPECT_EQ(received.count(), 0);
}

} // namespace
