// The photo edits' heavy operations against the plain tools beneath them, in the same run, each round
// alternating which side goes first, the median of the per-round ratios printed:
//   photo.thumbnail_vs_vipsthumbnail  MediaThumbnailer::thumbnail at 480 pixels of 100 JPEGs of 24
//                                     megapixels (the scene photos below) (all asked for at once, decoded on
//                                     the thumbnail pool) / the vipsthumbnail tool at the same size on the
//                                     same files, as many processes as the thumbnail pool has threads, one
//                                     libvips thread each, at the pool's priority (nice 10). Equal
//                                     parallelism: as many thumbnails in flight on each side, each made by
//                                     one thread (a pool thread computes its own, with no libvips worker)
//   photo.preview_under_thumbnails_vs_alone
//                                     one step of the crop editor's live preview (CropEditorWork::
//                                     renderPreview of the 2048-pixel working image of one of those
//                                     photos, every stage on, on the interactive pool) while the
//                                     thumbnails of all 100 are being made / the same step alone
//   photo.materialize_vs_codec        PhotoEditMemory::materialize of a validated A4 crop with the
//                                     bottom watermark, from the original of one of those photos (the
//                                     original kept beside it, as after a first edit) / decoding and
//                                     encoding that original with libvips alone (JPEG at quality 97)
//
// `quavel_bench_photo_edit <name>…` runs only the figures named. The thumbnail and materialize figures
// also print the ratio of each side's processor time (`<name>_cpu`, medians): on a loaded machine the
// wall times of parallel and nice-10 work swing by half from one run to the next, their cost does not.
//
// The 100 photos are the realistic scene of bench/PhotoScene.h at 6000 × 4000 and quality 97 (about
// 12.5 MB each, as a camera's 24-megapixel JPEG), four distinct seeds made once and kept in the
// benchmarks' cache folder, each photo a link to one of them.

#include "BenchSupport.h"
#include "PhotoScene.h"
#include "RetouchForBench.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoComposer.h"
#include "photo/PhotoEdits.h"
#include "photo/ThumbnailCache.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/crop/CropEditorWork.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtConcurrent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace quavel;
using vips::VImage;

namespace {

constexpr int photoCount = 100;
constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;
constexpr int thumbnailSize = 480;
constexpr int rounds = 7;

// Both sides once per round, alternating which goes first; prints the median ratios of the wall and
// the processor times (both sides run on several threads).
void alternate(const char* name, const std::function<void()>& ours, const std::function<void()>& reference)
{
    const bench::Comparison c = bench::compareAlternating(rounds, ours, reference);
    std::printf("%s: ours %.0f ms, reference %.0f ms; processor time ours %.0f ms, reference %.0f ms "
                "(medians of %d rounds)\n",
        name, c.ours * 1000, c.reference * 1000, c.oursCpu * 1000, c.referenceCpu * 1000, rounds);
    bench::printRatioAndCpu(name, c);
}

// The photos: hard links to a few cached scene photos of distinct seeds (every bench run reads the same
// camera-sized files without making them again; the thumbnail cache keys photos by path, so each link
// is a photo of its own to it).
QStringList makePhotos(const QString& folder)
{
    constexpr unsigned scenes = 4;
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < photoCount; ++i) {
        const QString path = folder + QStringLiteral("/DSC_%1.JPG").arg(i + 1, 4, 10, QChar(u'0'));
        if (!bench::placeScenePhoto(path, photoWidth, photoHeight, 1 + unsigned(i) % scenes, true))
            std::fprintf(stderr, "cannot place the photo %s\n", qPrintable(path));
        paths.append(path);
    }
    return paths;
}

void benchThumbnails(const QStringList& photos)
{
    qint64 bytes = 0;
    for (const QString& p : photos)
        bytes += QFileInfo(p).size();
    std::printf("thumbnails: %d JPEGs of %d × %d, %.1f MB on average\n", photoCount, photoWidth, photoHeight,
        double(bytes) / photoCount / 1e6);

    const QString root = bench::scratchFolder();
    const int threads = JobPool::thumbnails().threadPool().maxThreadCount();
    const QString out = root + QStringLiteral("/thumbnails");
    QDir().mkpath(out);
    const auto ours = [&] {
        MediaThumbnailer::cache().clear();
        QList<QFuture<QImage>> requests;
        for (const QString& p : photos)
            requests.append(MediaThumbnailer::thumbnail(p, false, thumbnailSize));
        for (auto& r : requests) {
            if (r.result().width() != thumbnailSize)
                std::fprintf(stderr, "unexpected thumbnail size %d\n", r.result().width());
        }
    };
    const auto reference = [&] {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int t = 0; t < threads; ++t) {
            // At the thumbnail pool's own scheduling priority (nice 10), so that other work on the machine
            // slows both sides alike.
            QStringList arguments { QStringLiteral("-n"), QStringLiteral("10"),
                QStringLiteral("vipsthumbnail"), QStringLiteral("-s"), QString::number(thumbnailSize),
                QStringLiteral("-o"), out + QStringLiteral("/%s.v"), QStringLiteral("--vips-concurrency=1") };
            for (int i = t; i < photos.size(); i += threads)
                arguments.append(photos[i]);
            auto process = std::make_unique<QProcess>();
            process->start(QStringLiteral("nice"), arguments);
            processes.push_back(std::move(process));
        }
        for (auto& p : processes)
            p->waitForFinished(-1);
    };
    // Both sides once, so the files are in the page cache for every round.
    ours();
    reference();
    std::printf("thumbnails: %d threads on each side\n", threads);
    alternate("photo.thumbnail_vs_vipsthumbnail", ours, reference);
}

// The preview step's time with every thumbnail thread busy, against its time alone, round after round.
void benchPreviewUnderThumbnails(const QStringList& photos)
{
    const std::optional<FloatImage> working
        = PhotoComposer::loadImage(photos.first(), CropEditorModel::workingMaxPixel);
    if (!working) {
        std::fprintf(stderr, "cannot load the working image\n");
        return;
    }
    const PhotoRetouchSettings settings = bench::everyStage();
    const auto step = [&] {
        return bench::bestTime(
            [&] {
                if (!JobPool::interactive()
                         .run([&] { return CropEditorWork::renderPreview(settings, *working); })
                         .result())
                    std::fprintf(stderr, "no preview\n");
            },
            1);
    };
    QThreadPool& thumbnails = JobPool::thumbnails().threadPool();
    const auto underThumbnails = [&] {
        MediaThumbnailer::cache().clear();
        QList<QFuture<QImage>> requests;
        for (const QString& p : photos)
            requests.append(MediaThumbnailer::thumbnail(p, false, thumbnailSize));
        for (int wait = 0; thumbnails.activeThreadCount() < thumbnails.maxThreadCount() && wait < 2000;
             ++wait)
            QThread::msleep(1);
        const double time = step();
        // The rest are not made; the ones under way end.
        thumbnails.clear();
        thumbnails.waitForDone();
        return time;
    };
    step();
    std::vector<double> alone;
    std::vector<double> under;
    std::vector<double> ratios;
    for (int round = 0; round < 3 * rounds; ++round) {
        if (round % 2 == 0) {
            under.push_back(underThumbnails());
            alone.push_back(step());
        } else {
            alone.push_back(step());
            under.push_back(underThumbnails());
        }
        ratios.push_back(under.back() / alone.back());
    }
    std::printf("preview step of the %d × %d working image: %.1f ms with %d thumbnails in flight, %.1f ms "
                "alone (medians of %d rounds)\n",
        working->width(), working->height(), bench::median(under) * 1000, thumbnails.maxThreadCount(),
        bench::median(alone) * 1000, 3 * rounds);
    bench::printRatio("photo.preview_under_thumbnails_vs_alone",
        bench::Comparison { bench::median(ratios), bench::median(under), bench::median(alone) });
}

void benchMaterialize(const QString& root, const QString& original)
{
    const QString folder = root + QStringLiteral("/edit");
    QDir().mkpath(folder);
    const QString photo = folder + QStringLiteral("/DSC_0001.JPG");
    QFile::copy(original, photo);
    PhotoOriginals::ensureBackup(photo);

    // A white band with transparent lettering holes, as a photographer's watermark strip.
    const QString markPath = root + QStringLiteral("/watermark.png");
    const VImage xy = VImage::xyz(2000, 400);
    const VImage alpha = (((xy.extract_band(0) / 40).floor() % 2) * 255).cast(VIPS_FORMAT_UCHAR);
    VImage::black(2000, 400, VImage::option()->set("bands", 3))
        .linear(1.0, 255.0)
        .cast(VIPS_FORMAT_UCHAR)
        .bandjoin(alpha)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .pngsave(QFile::encodeName(markPath).constData());
    const std::optional<FloatImage> watermark = PhotoComposer::loadFullOrientedImage(markPath);

    PhotoEditJournal journal;
    journal.current.format = PrintFormat::a4;
    journal.current.cropValidated = true;
    journal.current.includeWatermark = true;
    const QString codecOut = folder + QStringLiteral("/codec.jpg");
    const QByteArray source = QFile::encodeName(PhotoOriginals::backupURL(photo));

    const auto ours = [&] { PhotoEditMemory::materialize(journal, photo, watermark); };
    const auto reference = [&] {
        VImage::new_from_file(source.constData(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL))
            .jpegsave(QFile::encodeName(codecOut).constData(), VImage::option()->set("Q", 97));
    };
    ours();
    reference();
    alternate("photo.materialize_vs_codec", ours, reference);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString root = bench::scratchFolder();
    QStringList photos;
    const double made = bench::bestTime([&] { photos = makePhotos(root + QStringLiteral("/photos")); }, 1);
    std::printf("photos made in %.1f s\n", made);
    const QStringList figures = app.arguments().mid(1);
    const auto wanted
        = [&](const char* name) { return figures.isEmpty() || figures.contains(QLatin1String(name)); };
    if (wanted("photo.materialize_vs_codec"))
        benchMaterialize(root, photos.first());
    if (wanted("photo.thumbnail_vs_vipsthumbnail"))
        benchThumbnails(photos);
    if (wanted("photo.preview_under_thumbnails_vs_alone"))
        benchPreviewUnderThumbnails(photos);
    QDir(root).removeRecursively();
    return 0;
}
