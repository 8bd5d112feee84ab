#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace quavel::bench {

// The best (smallest) wall time of `repeats` runs of fn, in seconds: the least noisy time, for a time
// printed on its own; a ratio comes from compareAlternating.
double bestTime(const std::function<void()>& fn, int repeats = 5);

// The median of the values; 0 for none.
double median(std::vector<double> values);

// Ours against the reference over rounds: in each round both sides run (each the best of `repeats`
// runs, `before` called ahead of every run and not timed), the side that runs first alternating from
// one round to the next, since the first is favoured. The figures are medians over the rounds: of the
// per-round ratios, and of each side's times.
// The processor times (user and system, of every thread and of the child processes waited for) of the
// runs whose wall times were kept are compared the same way: on a loaded machine a parallel job's wall
// time swings with the load, its processor time much less.
struct Comparison
{
    double ratio = 0;
    double ours = 0;
    double reference = 0;
    double cpuRatio = 0;
    double oursCpu = 0;
    double referenceCpu = 0;
};
Comparison compareAlternating(int rounds, const std::function<void()>& ours,
    const std::function<void()>& reference, int repeats = 1, const std::function<void()>& before = {});

// Prints "ratio <name> <value>" on standard output: the comparison's median ratio (ours / reference,
// lower is better). A ratio is only ever taken from paired rounds: the best time of each side taken
// apart lets one side catch a quiet moment of the machine that the other missed.
void printRatio(const char* name, const Comparison& comparison);
// For a job that runs on several threads: the median wall-time ratio, then "ratio <name>_cpu <value>",
// the median ratio of the processor times.
void printRatioAndCpu(const char* name, const Comparison& comparison);

// The processor time of this process and of its waited-for children so far, in seconds.
double processorSeconds();

// A fresh temporary folder that lives until the program ends.
QString scratchFolder();

// The kind of file system a path is on ("ext4", "tmpfs", …, else its magic number), printed beside the
// listing figures: a listing of tmpfs costs about two thirds of one of ext4, so a figure taken with
// TMPDIR on tmpfs is not comparable with one taken on the disk.
QString fileSystemName(const QString& path);

// Reads a whole file; empty when it cannot be read.
QByteArray readFileForBench(const QString& path);

// Peak resident sizes. A benchmark that measures a peak runs this program again with arguments of its
// own (childPeakMegabytes), and the child, its work done, ends with reportOwnPeak(). The child reads its
// own high-water mark (VmHWM), which counts from its exec: neither the parent's pages (which a fork's
// getrusage figure includes) nor earlier children count, so a peak does not depend on what the parent
// did before.
void reportOwnPeak();
// The child's peak in megabytes (2^20 bytes); absent when it failed or reported none.
std::optional<double> childPeakMegabytes(const QStringList& arguments);

} // namespace quavel::bench
