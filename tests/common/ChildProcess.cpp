#include "common/ChildProcess.h"

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

bool waitChild(pid_t pid)
{
    const int status = reap(pid);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace quavel::test
