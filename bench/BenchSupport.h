#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

namespace quavel::bench {

// The best (smallest) wall time of `repeats` runs of fn, in seconds: the least noisy figure.
double bestTime(const std::function<void()>& fn, int repeats = 5);

// Prints "ratio <name> <value>" (ours / reference, lower is better) on standard output.
void printRatio(const char* name, double ours, double reference);

// A fresh temporary folder that lives until the program ends.
QString scratchFolder();

// Reads a whole file; empty when it cannot be read.
QByteArray readFileForBench(const QString& path);

} // namespace quavel::bench
