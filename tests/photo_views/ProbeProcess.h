#pragma once

// Runs the print probe (a print run in a process of its own) and reports its exit, output and peak
// resident size.
#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

namespace quavel::test {

struct ProbeRun
{
    int exitCode = -1;
    long peakResidentKb = 0;
    QString output;
};

inline ProbeRun runPrintProbe(const QStringList& arguments, const QStringList& environment = {})
{
    ProbeRun run;
    QTemporaryFile out;
    if (!out.open())
        return run;
    std::vector<QByteArray> storage;
    storage.push_back(QByteArray(QUAVEL_PRINT_PROBE));
    for (const QString& a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The process's environment, with the given variables (and the offscreen platform) in place of
    // any of the same name.
    QStringList given = environment;
    given << QStringLiteral("QT_QPA_PLATFORM=offscreen");
    std::vector<QByteArray> envStorage;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        bool replaced = false;
        for (const QString& g : given)
            replaced = replaced || g.toLocal8Bit().startsWith(name);
        if (!replaced)
            envStorage.push_back(entry);
    }
    for (const QString& g : given)
        envStorage.push_back(g.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& e : envStorage)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.handle(), 1);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    struct rusage usage
    {
    };
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakResidentKb = usage.ru_maxrss;
    out.seek(0);
    run.output = QString::fromUtf8(out.readAll());
    return run;
}

} // namespace quavel::test
