#include "BenchSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>

namespace quavel::bench {

double bestTime(const std::function<void()>& fn, int repeats)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

void printRatio(const char* name, double ours, double reference)
{
    std::printf("ratio %s %.2f\n", name, reference > 0 ? ours / reference : 0.0);
    std::fflush(stdout);
}

QByteArray readFileForBench(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString scratchFolder()
{
    static QTemporaryDir dir;
    return dir.path();
}

} // namespace quavel::bench
