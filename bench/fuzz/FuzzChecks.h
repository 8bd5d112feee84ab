#pragma once

// What the decoder targets share: a property that must hold of every input, and a private folder for the
// readers that go through files.
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace quavel::fuzz {

// A broken property is a finding: say which, then abort so that libFuzzer keeps the input.
inline void check(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// A folder of this process on a memory file system, empty at first use; `name` tells the targets apart.
inline QString scratchFolder(const char* name)
{
    const QString base
        = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString path = base + QStringLiteral("/quavel-fuzz-%1-%2").arg(QLatin1String(name)).arg(::getpid());
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

} // namespace quavel::fuzz
