// The orders store's heavy operations, each against the plain work beneath it, in the same run:
//   orders.sections_vs_readdir     OrdersStore::reload (which lists the order folders and the selected
//                                  order's sections) of an order with 20 sections and 5,000 media /
//                                  listing the same folders alone (opendir + readdir of every name)
//   orders.batch_retouch_vs_codec  OrdersStore::applyRetouch of 50 photos of 6000 × 4000 with every
//                                  retouch stage on / decoding and encoding the same photos one after
//                                  another with the same libvips settings (JPEG at quality 97)
//   orders.batch_retouch_peak_mb   the largest resident size of a process running that batch
// Each ratio is the median of per-round ratios, the side that runs first alternating per round.
#include "BenchSupport.h"
#include "RetouchForBench.h"

#include "orders/OrdersStore.h"
#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ImageIO.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
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
            touchFile(section
                + QStringLiteral("/IMG_%1.%2").arg(n, 4, 10, QChar(u'0')).arg(n % 50 ? "JPG" : "MOV"));
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
    const bench::Comparison c = bench::compareAlternating(
        qEnvironmentVariableIntValue("ORDERS_BENCH_ROUNDS")
            ? qEnvironmentVariableIntValue("ORDERS_BENCH_ROUNDS")
            : 15,
        [&] { store.reload(); },
        [&] {
            names.clear();
            for (const QString& f : folders)
                listFolder(f, names);
        },
        5);
    std::printf("sections: %lld media in %lld sections listed in %.2f ms, readdir of %zu names %.2f ms\n",
        (long long)media, (long long)store.sections().size(), c.ours * 1000, names.size(),
        c.reference * 1000);
    bench::printRatio("orders.sections_vs_readdir", c);
}

constexpr int batchCount = 50;
constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;

// The retouch benchmark's photo: smooth gradients plus grey noise of sigma 2 levels, fixed seed.
FloatImage benchPhoto()
{
    FloatPlane r(photoWidth, photoHeight), g(photoWidth, photoHeight), b(photoWidth, photoHeight);
    std::mt19937 random(20240611);
    std::normal_distribution<float> noise(0.f, 2.f / 255.f);
    for (int y = 0; y < photoHeight; ++y) {
        float* pr = r.row(y);
        float* pg = g.row(y);
        float* pb = b.row(y);
        const float fy = float(y) / float(photoHeight);
        for (int x = 0; x < photoWidth; ++x) {
            const float fx = float(x) / float(photoWidth);
            const float grain = noise(random);
            pr[x] = std::clamp(0.15f + 0.7f * fx + grain, 0.f, 1.f);
            pg[x] = std::clamp(0.2f + 0.6f * fy + grain, 0.f, 1.f);
            pb[x] = std::clamp(0.5f + 0.35f * (fx - fy) + grain, 0.f, 1.f);
        }
    }
    return FloatImage(r, g, b);
}

QStringList batchPhotos(const QString& folder)
{
    QStringList photos;
    for (int i = 0; i < batchCount; ++i)
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
    {
        const FloatImage image = benchPhoto();
        if (!ImageIO::encode(image, photos.first(), ImageIO::Format::Jpeg, 0.90)) {
            std::fprintf(stderr, "cannot write the benchmark photo\n");
            return;
        }
    }
    const QByteArray bytes = bench::readFileForBench(photos.first());
    for (const QString& p : photos.mid(1)) {
        QFile f(p);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    const QString support = scratch + QStringLiteral("/support-batch");
    const QString encoded = scratch + QStringLiteral("/reference.jpg");

    // The peak of a batch, in a process that does nothing else.
    {
        QProcess child;
        child.start(
            QCoreApplication::applicationFilePath(), { QStringLiteral("--batch-child"), folder, support });
        child.waitForFinished(-1);
        rusage usage {};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        std::printf("memory orders.batch_retouch_peak_mb %.0f\n", double(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
    }

    const bench::Comparison c = bench::compareAlternating(
        3, [&] { runBatch(support, photos); },
        [&] {
            for (const QString& p : photos) {
                const auto image = ImageIO::decode(p);
                if (image)
                    ImageIO::encode(*image, encoded, ImageIO::Format::Jpeg, 0.97);
            }
        });
    std::printf("batch: %d photos of %d x %d retouched in %.1f s, decoded and encoded in %.1f s\n",
        batchCount, photoWidth, photoHeight, c.ours, c.reference);
    bench::printRatio("orders.batch_retouch_vs_codec", c);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--batch-child") {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        runBatch(QString::fromLocal8Bit(argv[3]), batchPhotos(folder));
        return 0;
    }
    const QString scratch = bench::scratchFolder();
    benchSections(scratch);
    benchBatch(scratch);
    QDir(scratch).removeRecursively();
    return 0;
}
