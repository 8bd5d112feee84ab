#include "common/ChildProcess.h"

#include "common/TestSupport.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quavel::test {

namespace {

int reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return status;
}

} // namespace

pid_t forkChild(const std::function<void()>& fn)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 0;
        try {
            fn();
        } catch (...) {
            code = 1;
        }
        ::_exit(code);
    }
    return pid;
}

bool runInKilledChild(const std::function<void()>& fn)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            fn();
        } catch (...) { }
        ::kill(::getpid(), SIGKILL);
        ::_exit(2);
    }
    if (pid < 0)
        return false;
    const int status = reap(pid);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

void dieNow()
{
    ::kill(::getpid(), SIGKILL);
    ::_exit(2);
}

bool killChild(pid_t pid)
{
    ::kill(pid, SIGKILL);
    const int status = reap(pid);
    return WIFEXITED(status);
}

namespace {

// The child's exit status once it ended, or -1 when it ended by a signal or is killed at the deadline.
int awaitChild(pid_t pid, int timeoutMs)
{
    int result = -1;
    const bool ended = pollUntil(
        [&] {
            int status = 0;
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid)
                result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return done == pid || (done < 0 && errno != EINTR);
        },
        timeoutMs);
    if (!ended)
        killChild(pid);
    return result;
}

} // namespace

int runProgram(const QByteArray& program, const QList<QByteArray>& arguments,
    const QList<QByteArray>& environment, int timeoutMs)
{
    // Everything made before the fork: the child of a threaded process may only exec.
    QList<QByteArray> argvStorage { program };
    argvStorage.append(arguments);
    QList<QByteArray> envStorage = environment;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        if (std::none_of(environment.begin(), environment.end(),
                [&](const QByteArray& given) { return given.startsWith(name); }))
            envStorage.append(entry);
    }
    std::vector<char*> argv;
    for (QByteArray& a : argvStorage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& e : envStorage)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid < 0 ? -1 : awaitChild(pid, timeoutMs);
}

int runTestInChild(const char* gtestFilter, const char* variable, const QByteArray& value, int timeoutMs)
{
    const QByteArray self = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    const QByteArray filter = QByteArray("--gtest_filter=") + gtestFilter;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(variable, value.constData(), 1);
        char* argv[]
            = { const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr };
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    return pid < 0 ? -1 : awaitChild(pid, timeoutMs);
}

bool waitChild(pid_t pid)
{
    const int status = reap(pid);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace quavel::test
