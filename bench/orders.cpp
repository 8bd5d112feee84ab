// The orders store's heavy operations, each against the plain work beneath it, in the same run:
//   orders.sections_vs_readdir     OrdersStore::reload (which lists the order folders and the selected
//                                  order's sections) of an order with 20 sections and 5,000 media /
//                                  listing the same folders alone (opendir + readdir of every name)
// Each figure is the median of per-round ratios, the side that runs first alternating per round.
#include "BenchSupport.h"

#include "orders/OrdersStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quavel;

namespace {

constexpr int sectionCount = 20;
constexpr int mediaPerSection = 250;

void touchFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

size_t listFolder(const QString& folder, std::vector<std::string>& names)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    size_t n = 0;
    while (const dirent* entry = ::readdir(dir)) {
        names.emplace_back(entry->d_name);
        ++n;
    }
    ::closedir(dir);
    return n;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Rounds of (reference, ours) best times, alternating which side runs first; the median ratio.
double alternatingRatio(int rounds, int repeats, const std::function<void()>& reference,
    const std::function<void()>& ours, double* oursBest = nullptr, double* referenceBest = nullptr)
{
    std::vector<double> ratios;
    double bestOurs = 1e9;
    double bestReference = 1e9;
    for (int round = 0; round < rounds; ++round) {
        double r = 0;
        double o = 0;
        if (round % 2 == 0) {
            r = bench::bestTime(reference, repeats);
            o = bench::bestTime(ours, repeats);
        } else {
            o = bench::bestTime(ours, repeats);
            r = bench::bestTime(reference, repeats);
        }
        bestOurs = std::min(bestOurs, o);
        bestReference = std::min(bestReference, r);
        ratios.push_back(o / r);
    }
    if (oursBest)
        *oursBest = bestOurs;
    if (referenceBest)
        *referenceBest = bestReference;
    return median(ratios);
}

void benchSections(const QString& scratch)
{
    const QString root = scratch + QStringLiteral("/Commandes");
    const QString order = root + QStringLiteral("/Commande 0042");
    for (int o = 0; o < 5; ++o)
        QDir().mkpath(root + QStringLiteral("/Commande %1").arg(40 + o, 4, 10, QChar(u'0')));
    QStringList folders { root, order };
    for (int s = 0; s < sectionCount; ++s) {
        const QString section = order + QStringLiteral("/IMPRESSION %1").arg(s + 1);
        QDir().mkpath(section);
        folders.append(section);
        for (int i = 0; i < mediaPerSection; ++i) {
            const int n = s * mediaPerSection + i;
            touchFile(section + QStringLiteral("/IMG_%1.%2").arg(n, 4, 10, QChar(u'0')).arg(n % 50 ? "JPG" : "MOV"));
        }
    }

    OrdersStore store(scratch + QStringLiteral("/support"));
    store.storeRoot(root);
    store.setSelectedFolderID(order);
    store.persist();
    store.loadSections();
    qsizetype media = 0;
    for (const OrderSection& s : store.sections())
        media += s.files.size();

    std::vector<std::string> names;
    double ours = 0;
    double reference = 0;
    const double ratio = alternatingRatio(
        qEnvironmentVariableIntValue("ORDERS_BENCH_ROUNDS") ? qEnvironmentVariableIntValue("ORDERS_BENCH_ROUNDS") : 15, 5,
        [&] {
            names.clear();
            for (const QString& f : folders)
                listFolder(f, names);
        },
        [&] { store.reload(); }, &ours, &reference);
    std::printf("sections: %lld media in %lld sections listed in %.2f ms, readdir of %zu names %.2f ms\n",
        (long long)media, (long long)store.sections().size(), ours * 1000, names.size(), reference * 1000);
    std::printf("ratio orders.sections_vs_readdir %.2f\n", ratio);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString scratch = bench::scratchFolder();
    benchSections(scratch);
    QDir(scratch).removeRecursively();
    return 0;
}
