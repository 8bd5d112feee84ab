#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

#include <sys/types.h>

// Real processes for the crash tests: a forked child does the work, and is killed with SIGKILL as a
// crash or a power cut would stop it (no destructor, no flush, its locks and descriptors dropped by the
// kernel). The child runs only the given function and leaves by _exit, so nothing of the parent's state
// is written twice.
namespace quavel::test {

// Forks a child that runs fn, then _exits with 0 (1 when fn throws).
pid_t forkChild(const std::function<void()>& fn);

// Runs fn in a child that kills itself with SIGKILL once fn has returned; true when it died so. To be
// killed while objects of fn are still alive (before their destructors tidy up), end fn with dieNow().
bool runInKilledChild(const std::function<void()>& fn);

// SIGKILLs the calling process at once.
[[noreturn]] void dieNow();

// SIGKILLs the child (when still running) and reaps it; true when it had already exited by itself.
bool killChild(pid_t pid);

// Waits for the child; true when it exited with 0.
bool waitChild(pid_t pid);

// Runs this test program again in a fresh process (exec'd, so no thread or library state of this one
// comes along) that runs only the test named by gtestFilter, with the environment variable set: the
// child's test skips itself where the variable is absent. Returns the child's exit status (0 when its
// test passed), or -1 when it ended by a signal or did not end within timeoutMs (it is then killed).
int runTestInChild(const char* gtestFilter, const char* variable, const QByteArray& value, int timeoutMs);

// Runs a program with its arguments, the variables given ("NAME=value") set in its environment over
// this process's own. Returns its exit status, or -1 when it ended by a signal or did not end within
// timeoutMs (it is then killed).
int runProgram(const QByteArray& program, const QList<QByteArray>& arguments,
    const QList<QByteArray>& environment, int timeoutMs);

} // namespace quavel::test
