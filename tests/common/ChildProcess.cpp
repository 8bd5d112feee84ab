#include "common/ChildProcess.h"

#include "common/TestSupport.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

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
    if (pid < 0)
        return -1;
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

bool waitChild(pid_t pid)
{
    const int status = reap(pid);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace quavel::test
