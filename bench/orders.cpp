// The orders store's heavy operations, each against the plain work beneath it, in the same run:
//   orders.sections_vs_readdir        OrdersStore::reload (which lists the order folders and the
//                                     selected order's sections) of an order with 20 sections and 5,000
//                                     media, one file of one section renamed before every run (as a
//                                     photo arriving does), so that each reload lists, makes the new
//                                     name's sort key, sorts every folder and watches a new set / listing
//                                     the same folders alone (opendir + readdir of every name)
//   orders.first_listing_vs_readdir   the first reload of a new store on that tree, with the sort-key
//                                     cache emptied before it (as at the start of the process) / the
//                                     same readdir listing
//   orders.relist_one_arrival_vs_readdir  OrdersStore::loadSections (what a change seen on disk runs) of
//                                     an order whose one section holds 20,000 media, one new photo
//                                     written into it before every run (as a camera's transfer does) /
//                                     opendir + readdir of the order folder and that section
//   time orders.first_listing_20000_ms the first reload of a new store, sort-key cache emptied, of an
//                                     order of 20 sections and 20,000 media: the time the GUI thread
//                                     spends in it, in milliseconds (the median of the rounds; a time,
//                                     not a ratio: what the photographer waits for the order to show)
//   orders.batch_retouch_vs_codec     OrdersStore::applyRetouch of 50 photos of 6000 × 4000 (the
//                                     realistic scene of bench/PhotoScene.h, quality 97) with every
//                                     retouch stage on / libvips alone decoding (sequential access) and
//                                     encoding (quality 97) the same photos one after another, read from
//                                     the originals the batch reads
//                                     (and orders.batch_retouch_vs_codec_cpu: the same for the
//                                     processor times, since the batch runs on every core)
//   orders.batch_retouch_peak_mb      the peak resident size of a process running that batch
// Each ratio is the median of per-round ratios, the side that runs first alternating per round.
// ORDERS_BENCH_ROUNDS sets the rounds (15); ORDERS_BENCH_LISTING_ONLY=1 leaves the batch out.
//
// `quavel_bench_orders --batch-scale N…` (too heavy for bench/run) runs instead, for each N, two rounds
// of a batch retouch of N distinct photos of that scene (the first also keeps every original, the second
// renders from them), and prints per photo the wall and processor time, the page faults, the bytes the
// process read from and wrote to the disk, and the most dirty and under-writeback memory of the machine
// seen meanwhile: how the batch's cost grows with its size. The photos go under $TMPDIR (use a disk,
// not tmpfs) and are removed afterwards.
#include "BenchSupport.h"
#include "PhotoScene.h"
#include "RetouchForBench.h"

#include "orders/OrderListing.h"
#include "orders/OrdersStore.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/imaging/Vips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quavel;

namespace {

constexpr int sectionCount = 20;
constexpr int mediaPerSection = 250;

void touchFile(const QString& path)
{
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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

int rounds()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("ORDERS_BENCH_ROUNDS");
    return fromEnvironment > 0 ? fromEnvironment : 15;
}

void benchSections(const QString& scratch)
{
    const QString root = scratch + QStringLiteral("/Commandes");
    const QString order = root + QStringLiteral("/Commande 0042");
    for (int o = 0; o < 5; ++o)
        QDir().mkpath(root + QStringLiteral("/Commande %1").arg(40 + o, 4, 10, QChar(u'0')));
    QStringList folders { root, order };
    QStringList renamed; // per section, the current name of the file that a run renames
    for (int s = 0; s < sectionCount; ++s) {
        const QString section = order + QStringLiteral("/IMPRESSION %1").arg(s + 1);
        QDir().mkpath(section);
        folders.append(section);
        for (int i = 0; i < mediaPerSection; ++i) {
            const int n = s * mediaPerSection + i;
            touchFile(section
                + QStringLiteral("/IMG_%1.%2").arg(n, 4, 10, QChar(u'0')).arg(n % 50 ? "JPG" : "MOV"));
        }
        renamed.append(
            section + QStringLiteral("/IMG_%1.JPG").arg(s * mediaPerSection + 1, 4, 10, QChar(u'0')));
    }
    const QString support = scratch + QStringLiteral("/support");

    OrdersStore store(support);
    store.storeRoot(root);
    store.setSelectedFolderID(order);
    store.persist();
    store.loadSections();
    qsizetype media = 0;
    for (const OrderSection& s : store.sections())
        media += s.files.size();

    // Before every run, one file of the next section takes a name never listed before: the listing
    // differs from the last one, so no reload can be answered from what the previous one found.
    int renames = 0;
    const auto renameOne = [&] {
        const int s = renames % sectionCount;
        const QString to = folders[2 + s]
            + QStringLiteral("/IMG_%1 v%2.JPG")
                  .arg(s * mediaPerSection + 1, 4, 10, QChar(u'0'))
                  .arg(++renames);
        if (::rename(QFile::encodeName(renamed[s]).constData(), QFile::encodeName(to).constData()) != 0)
            std::fprintf(stderr, "cannot rename %s\n", qPrintable(renamed[s]));
        renamed[s] = to;
    };
    std::vector<std::string> names;
    const auto readdirAll = [&] {
        names.clear();
        for (const QString& f : folders)
            listFolder(f, names);
    };
    const bench::Comparison c = bench::compareAlternating(
        rounds(),
        [&] {
            store.reload();
            if (store.sections().size() != sectionCount)
                std::fprintf(stderr, "sections: %lld listed\n", (long long)store.sections().size());
        },
        readdirAll, 5, renameOne);
    std::printf("sections: %lld media in %lld sections listed in %.2f ms (one renamed before each run), "
                "readdir of %zu names %.2f ms (on %s)\n",
        (long long)media, (long long)store.sections().size(), c.ours * 1000, names.size(), c.reference * 1000,
        qPrintable(bench::fileSystemName(root)));
    bench::printRatio("orders.sections_vs_readdir", c);

    // The first listing: a new store, and no sort key kept from earlier listings.
    std::optional<OrdersStore> fresh;
    const bench::Comparison first = bench::compareAlternating(
        rounds(),
        [&] {
            fresh->reload();
            if (fresh->sections().size() != sectionCount)
                std::fprintf(stderr, "first listing: %lld sections\n", (long long)fresh->sections().size());
        },
        readdirAll, 3,
        [&] {
            fresh.reset();
            OrderListing::clearSortKeyCache();
            fresh.emplace(support);
        });
    fresh.reset();
    std::printf("first listing: %.2f ms with every sort key made, readdir %.2f ms\n", first.ours * 1000,
        first.reference * 1000);
    bench::printRatio("orders.first_listing_vs_readdir", first);
}

// A re-list after one photo arrives in a large section: its cost must follow what changed (one name),
// not the section's size, beyond the reading of the folder itself.
void benchArrival(const QString& scratch)
{
    constexpr int perSection = 20000;
    const QString root = scratch + QStringLiteral("/Arrivées");
    const QString order = root + QStringLiteral("/Finale");
    const QString section = order + QStringLiteral("/Tous");
    QDir().mkpath(section);
    for (int i = 0; i < perSection; ++i)
        touchFile(
            section + QStringLiteral("/IMG_%1.%2").arg(i, 5, 10, QChar(u'0')).arg(i % 50 ? "JPG" : "MOV"));
    OrdersStore store(scratch + QStringLiteral("/support-arrival"));
    store.storeRoot(root);
    store.setSelectedFolderID(order);
    store.loadSections();
    int arrivals = 0;
    const auto arrive
        = [&] { touchFile(section + QStringLiteral("/DSC_%1.JPG").arg(++arrivals, 5, 10, QChar(u'0'))); };
    std::vector<std::string> names;
    const bench::Comparison c = bench::compareAlternating(
        rounds(),
        [&] {
            store.loadSections();
            if (store.sections().size() != 1)
                std::fprintf(stderr, "arrival: %lld sections\n", (long long)store.sections().size());
        },
        [&] {
            names.clear();
            listFolder(order, names);
            listFolder(section, names);
        },
        5, arrive);
    std::printf("arrival: %lld media re-listed in %.2f ms after one arrived, readdir of %zu names %.2f ms\n",
        store.sections().isEmpty() ? 0LL : (long long)store.sections().first().files.size(), c.ours * 1000,
        names.size(), c.reference * 1000);
    bench::printRatio("orders.relist_one_arrival_vs_readdir", c);
}

// The first listing of a large order, timed alone: a new store each round, no sort key kept.
void benchLargeOrder(const QString& scratch)
{
    constexpr int sections = 20;
    constexpr int perSection = 1000;
    const QString root = scratch + QStringLiteral("/Grandes commandes");
    const QString order = root + QStringLiteral("/Concours complet");
    QStringList folders { root, order };
    for (int s = 0; s < sections; ++s) {
        const QString section = order + QStringLiteral("/Épreuve %1").arg(s + 1);
        QDir().mkpath(section);
        folders.append(section);
        for (int i = 0; i < perSection; ++i) {
            const int n = s * perSection + i;
            touchFile(section
                + QStringLiteral("/IMG_%1.%2").arg(n, 5, 10, QChar(u'0')).arg(n % 50 ? "JPG" : "MOV"));
        }
    }
    const QString support = scratch + QStringLiteral("/support-large");
    {
        OrdersStore store(support);
        store.storeRoot(root);
    }
    std::vector<double> times;
    std::vector<std::string> names;
    qsizetype media = 0;
    for (int round = 0; round < rounds(); ++round) {
        OrderListing::clearSortKeyCache();
        std::optional<OrdersStore> store(std::in_place, support);
        const auto start = std::chrono::steady_clock::now();
        store->reload();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
        media = 0;
        for (const OrderSection& s : store->sections())
            media += s.files.size();
    }
    const double readdir = bench::bestTime([&] {
        names.clear();
        for (const QString& f : folders)
            listFolder(f, names);
    });
    std::sort(times.begin(), times.end());
    std::printf("large order: first listing of %lld media in %d sections %.1f ms (median of %zu, best "
                "%.1f), readdir of %zu names %.2f ms\n",
        (long long)media, sections, times[times.size() / 2], times.size(), times.front(), names.size(),
        readdir * 1000);
    std::printf("time orders.first_listing_20000_ms %.1f\n", times[times.size() / 2]);
    std::fflush(stdout);
}

constexpr int batchCount = 50;
constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;

QStringList batchPhotos(const QString& folder, int count = batchCount)
{
    QStringList photos;
    for (int i = 0; i < count; ++i)
        photos.append(folder + QStringLiteral("/IMPRESSION A4/IMG_%1.jpg").arg(i + 1, 4, 10, QChar(u'0')));
    return photos;
}

// Runs one batch in a store of its own; returns when the store has taken the results back.
void runBatch(const QString& support, const QStringList& photos)
{
    OrdersStore store(support);
    store.setRetouch(bench::everyStage());
    store.applyRetouch(photos);
    while (store.isRetouching())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (store.errorMessage())
        std::fprintf(stderr, "batch: %s\n", qPrintable(*store.errorMessage()));
}

void benchBatch(const QString& scratch)
{
    const QString folder = scratch + QStringLiteral("/Retouche");
    QDir().mkpath(folder + QStringLiteral("/IMPRESSION A4"));
    const QStringList photos = batchPhotos(folder);
    // Copies of the cached scene photo: the batch rewrites them.
    for (const QString& p : photos)
        if (!bench::placeScenePhoto(p, photoWidth, photoHeight)) {
            std::fprintf(stderr, "cannot write the benchmark photo %s\n", qPrintable(p));
            return;
        }
    std::printf("batch: the photo weighs %.1f MB\n", double(QFileInfo(photos.first()).size()) / 1e6);
    const QString support = scratch + QStringLiteral("/support-batch");
    const QByteArray encoded = QFile::encodeName(scratch + QStringLiteral("/reference.jpg"));

    // The peak of a batch, in a process that does nothing else (it also makes every original backup).
    if (const std::optional<double> peak
        = bench::childPeakMegabytes({ QStringLiteral("--batch-child"), folder, support })) {
        std::printf("memory orders.batch_retouch_peak_mb %.0f\n", *peak);
        std::fflush(stdout);
    }

    // The batch renders each photo from its original backup: the reference reads those same bytes.
    QList<QByteArray> sources;
    for (const QString& p : photos)
        sources.append(QFile::encodeName(PhotoOriginals::hasBackup(p) ? PhotoOriginals::backupURL(p) : p));
    const bench::Comparison c = bench::compareAlternating(
        3, [&] { runBatch(support, photos); },
        [&] {
            for (const QByteArray& source : sources)
                vips::VImage::new_from_file(
                    source.constData(), vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL))
                    .jpegsave(encoded.constData(), vips::VImage::option()->set("Q", 97));
        });
    std::printf(
        "batch: %d photos of %d x %d retouched in %.1f s, libvips decoded and encoded them in %.1f s\n",
        batchCount, photoWidth, photoHeight, c.ours, c.reference);
    bench::printRatioAndCpu("orders.batch_retouch_vs_codec", c);
}

// The named counters of a /proc file of "name value" lines (vmstat) or "name: value" lines (io).
std::map<std::string, long long> procCounters(const char* path)
{
    std::map<std::string, long long> values;
    std::ifstream in(path);
    std::string name;
    long long value = 0;
    while (in >> name >> value) {
        if (!name.empty() && name.back() == ':')
            name.pop_back();
        values[name] = value;
    }
    return values;
}

// The scene photo with a comment segment naming `index` after its start marker: the same picture,
// but files of distinct bytes, so that no two share pages of the page cache.
bool placeDistinctPhoto(const QString& path, int index)
{
    const QByteArray scene = bench::readFileForBench(bench::cachedScenePhoto(photoWidth, photoHeight));
    if (scene.size() < 2)
        return false;
    const QByteArray text = QByteArray("photo ") + QByteArray::number(index);
    QByteArray comment("\xff\xfe", 2);
    comment.append(char((text.size() + 2) >> 8)).append(char((text.size() + 2) & 0xff)).append(text);
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(scene.left(2) + comment + scene.mid(2)) > 0;
}

// The time the threads of this process have spent runnable but waiting for a processor, in seconds
// (the second field of each thread's schedstat): what a loaded machine adds to the wall time.
double runQueueSeconds()
{
    double total = 0;
    for (const QString& task :
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream in(QStringLiteral("/proc/self/task/%1/schedstat").arg(task).toStdString());
        long long running = 0;
        long long waiting = 0;
        if (in >> running >> waiting)
            total += double(waiting) / 1e9;
    }
    return total;
}

// The machine's load average over the last minute.
double load()
{
    double averages[1] = { 0 };
    return ::getloadavg(averages, 1) == 1 ? averages[0] : 0;
}

struct BatchCost
{
    double wall = 0;
    double cpu = 0;
    double system = 0;
    double runQueue = 0;
    long long minorFaults = 0;
    long long majorFaults = 0;
    long long readBytes = 0;
    long long writeBytes = 0;
    long long mostDirtyPages = 0;
    long long mostWritebackPages = 0;
};

BatchCost measureBatch(const QString& support, const QStringList& photos)
{
    const auto usage = [] {
        rusage u {};
        getrusage(RUSAGE_SELF, &u);
        return u;
    };
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    BatchCost cost;
    std::atomic<bool> done { false };
    std::thread sampler([&] {
        while (!done) {
            const auto vm = procCounters("/proc/vmstat");
            cost.mostDirtyPages = std::max(cost.mostDirtyPages, vm.count("nr_dirty") ? vm.at("nr_dirty") : 0);
            cost.mostWritebackPages
                = std::max(cost.mostWritebackPages, vm.count("nr_writeback") ? vm.at("nr_writeback") : 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const auto io = procCounters("/proc/self/io");
    const rusage before = usage();
    const double queuedBefore = runQueueSeconds();
    const auto start = std::chrono::steady_clock::now();
    runBatch(support, photos);
    cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const rusage after = usage();
    cost.runQueue = runQueueSeconds() - queuedBefore;
    const auto ioAfter = procCounters("/proc/self/io");
    done = true;
    sampler.join();
    cost.cpu = seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime)
        - seconds(before.ru_stime);
    cost.system = seconds(after.ru_stime) - seconds(before.ru_stime);
    cost.minorFaults = after.ru_minflt - before.ru_minflt;
    cost.majorFaults = after.ru_majflt - before.ru_majflt;
    cost.readBytes = ioAfter.at("read_bytes") - io.at("read_bytes");
    cost.writeBytes = ioAfter.at("write_bytes") - io.at("write_bytes");
    return cost;
}

void benchBatchScale(const QString& scratch, int count)
{
    const QString folder = scratch + QStringLiteral("/Retouche %1").arg(count);
    QDir().mkpath(folder + QStringLiteral("/IMPRESSION A4"));
    const QStringList photos = batchPhotos(folder, count);
    for (int i = 0; i < count; ++i)
        if (!placeDistinctPhoto(photos[i], i)) {
            std::fprintf(stderr, "cannot write the benchmark photo %s\n", qPrintable(photos[i]));
            return;
        }
    // The photos reach the disk before the batch, as a camera's would have long before.
    ::sync();
    const QString support = scratch + QStringLiteral("/support-scale-%1").arg(count);
    for (int round = 1; round <= 2; ++round) {
        const BatchCost c = measureBatch(support, photos);
        const double n = count;
        std::printf("batch of %d (round %d): %.3f s wall, %.3f s cpu (%.3f system), %.3f s waiting for a "
                    "processor per photo; per photo "
                    "%.0f minor and %.1f major faults, %.1f MB read, %.1f MB written; machine's most "
                    "dirty %.0f MB, under writeback %.0f MB; load %.1f\n",
            count, round, c.wall / n, c.cpu / n, c.system / n, c.runQueue / n, c.minorFaults / n,
            c.majorFaults / n, c.readBytes / n / 1e6, c.writeBytes / n / 1e6, c.mostDirtyPages * 4096 / 1e6,
            c.mostWritebackPages * 4096 / 1e6, load());
        std::fflush(stdout);
    }
    QDir(folder).removeRecursively();
    QDir(support).removeRecursively();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--batch-child") {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        runBatch(QString::fromLocal8Bit(argv[3]), batchPhotos(folder));
        bench::reportOwnPeak();
        return 0;
    }
    const QString scratch = bench::scratchFolder();
    if (argc > 2 && std::string(argv[1]) == "--batch-scale") {
        for (int i = 2; i < argc; ++i)
            benchBatchScale(scratch, std::max(1, std::atoi(argv[i])));
        QDir(scratch).removeRecursively();
        return 0;
    }
    benchSections(scratch);
    benchArrival(scratch);
    benchLargeOrder(scratch);
    // The listing figures alone when asked (the batch takes minutes).
    if (qEnvironmentVariableIntValue("ORDERS_BENCH_LISTING_ONLY") == 0)
        benchBatch(scratch);
    QDir(scratch).removeRecursively();
    return 0;
}
