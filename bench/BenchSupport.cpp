#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/statfs.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

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

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double processorSeconds()
{
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    double total = 0;
    for (const int who : { RUSAGE_SELF, RUSAGE_CHILDREN }) {
        rusage usage {};
        getrusage(who, &usage);
        total += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    return total;
}

Comparison compareAlternating(int rounds, const std::function<void()>& ours,
    const std::function<void()>& reference, int repeats, const std::function<void()>& before)
{
    std::vector<double> ratios;
    std::vector<double> ourTimes;
    std::vector<double> referenceTimes;
    std::vector<double> cpuRatios;
    std::vector<double> ourCpu;
    std::vector<double> referenceCpu;
    // The best wall time of the repeats, and the processor time of that run.
    const auto timed = [&](const std::function<void()>& side) {
        std::pair<double, double> best { std::numeric_limits<double>::max(), 0 };
        for (int i = 0; i < repeats; ++i) {
            if (before)
                before();
            const double cpuStart = processorSeconds();
            const double wall = bestTime(side, 1);
            const double cpu = processorSeconds() - cpuStart;
            if (wall < best.first)
                best = { wall, cpu };
        }
        return best;
    };
    for (int round = 0; round < rounds; ++round) {
        std::pair<double, double> mine;
        std::pair<double, double> theirs;
        if (round % 2 == 0) {
            mine = timed(ours);
            theirs = timed(reference);
        } else {
            theirs = timed(reference);
            mine = timed(ours);
        }
        ourTimes.push_back(mine.first);
        referenceTimes.push_back(theirs.first);
        ratios.push_back(theirs.first > 0 ? mine.first / theirs.first : 0);
        ourCpu.push_back(mine.second);
        referenceCpu.push_back(theirs.second);
        cpuRatios.push_back(theirs.second > 0 ? mine.second / theirs.second : 0);
    }
    return { median(ratios), median(ourTimes), median(referenceTimes), median(cpuRatios), median(ourCpu),
        median(referenceCpu) };
}

void printRatio(const char* name, const Comparison& comparison)
{
    std::printf("ratio %s %.2f\n", name, comparison.ratio);
    std::fflush(stdout);
}

void printRatioAndCpu(const char* name, const Comparison& comparison)
{
    std::printf("ratio %s %.2f\nratio %s_cpu %.2f\n", name, comparison.ratio, name, comparison.cpuRatio);
    std::fflush(stdout);
}

QByteArray readFileForBench(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void reportOwnPeak()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) {
            // "VmHWM:   123456 kB"
            std::printf("peak-kb %lld\n", line.mid(6).trimmed().split(' ').first().toLongLong());
            std::fflush(stdout);
        }
}

std::optional<double> childPeakMegabytes(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "the peak child %s failed\n", qPrintable(arguments.join(u' ')));
        return std::nullopt;
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("peak-kb "))
            return line.mid(8).toDouble() / 1024.0;
    std::fprintf(stderr, "the peak child %s reported no peak\n", qPrintable(arguments.join(u' ')));
    return std::nullopt;
}

QString fileSystemName(const QString& path)
{
    struct statfs fs
    {
    };
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return QStringLiteral("unknown");
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:
        return QStringLiteral("ext4");
    case 0x01021994:
        return QStringLiteral("tmpfs");
    case 0x58465342:
        return QStringLiteral("xfs");
    case 0x9123683E:
        return QStringLiteral("btrfs");
    case 0x794C7630:
        return QStringLiteral("overlayfs");
    }
    return QStringLiteral("0x%1").arg(static_cast<unsigned long>(fs.f_type), 0, 16);
}

QString scratchFolder()
{
    static QTemporaryDir dir;
    return dir.path();
}

} // namespace quavel::bench
