// The photo pipeline against plain libvips on the same files, in the same run. The photo is the
// benchmark's own scene with the detail and noise of a camera's file (bench/PhotoScene.h): 6000 × 4000,
// quality 97, 10–20 MB. Each figure is one function of the table at the bottom;
// `quavel_bench_photo <name>…` runs only the figures named.
//   photo.retouch_vs_codec           decode + PhotoRetoucher::apply(full) with every stage on (the
//                                    decoded image handed over, as a write does) + JPEG encode (quality
//                                    97) of the photo / libvips decode + encode (quality 97) of the same
//                                    file
//   photo.preview_vs_codec           what the crop editor does per slider step: CropEditorWork::
//                                    renderPreview (every stage at preview quality, and the picture
//                                    shown) of its in-memory working image of the photo (2048 pixels on
//                                    the long side) / libvips decode + encode (quality 97) of that
//                                    working image as a 2048-pixel JPEG
//   photo.retouch_peak_mb            the peak resident size of a process that decodes the photo,
//                                    retouches it at full quality with every stage on (lens blur and
//                                    noise reduction too) and encodes it: one full-size retouch write
//   photo.retouch_bytes_per_pixel    what that write holds per pixel: (peak at 24 MP − peak at 6 MP) /
//                                    (24 MP − 6 MP), from the same write of the scene at 6000 × 4000
//                                    and at 3000 × 2000 (the process's fixed share cancels out)
// Ratios alternate which side runs first per round and report the median of the per-round ratios; the
// two retouch figures, which run on several threads, also print `<name>_cpu`, the same for the
// processor times. Peaks are each child's own high-water mark (bench::childPeakMegabytes), the median
// of three children.
#include "BenchSupport.h"
#include "PhotoScene.h"
#include "RetouchForBench.h"

#include "photo/PhotoComposer.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/crop/CropEditorWork.h"
#include "photo/retouch/PhotoRetoucher.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/Vips.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quavel;
using vips::VImage;

namespace {

struct Fixture
{
    QString photo; // the scene at 6000 × 4000, quality 97
    QString smaller; // the same scene at 3000 × 2000, for the memory per pixel
    QString working; // the photo shrunk to the crop editor's 2048 pixels, quality 97
    FloatImage workingImage; // the crop editor's working image of the photo, as it loads it
    QString output;
    std::optional<double> photoPeak; // of one retouch write of the photo, once measured
};

bool ourPipeline(
    const QString& in, const QString& out, const PhotoRetouchSettings& s, PhotoRetoucher::Quality q)
{
    std::optional<FloatImage> image = ImageIO::decode(in);
    if (!image)
        return false;
    // Handed over, as a write does: rendered into its own planes.
    const std::optional<FloatImage> retouched = PhotoRetoucher::apply(s, std::move(*image), q);
    return retouched && ImageIO::encode(*retouched, out, ImageIO::Format::Jpeg, 0.97);
}

void vipsCodec(const QString& in, const QString& out)
{
    VImage::new_from_file(
        QFile::encodeName(in).constData(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL))
        .jpegsave(QFile::encodeName(out).constData(), VImage::option()->set("Q", 97));
}

// Both sides once first (files in the page cache, threads started), then the rounds.
bench::Comparison warmedComparison(
    int rounds, const std::function<void()>& ours, const std::function<void()>& reference)
{
    ours();
    reference();
    return bench::compareAlternating(rounds, ours, reference);
}

void retouchVsCodec(Fixture& f)
{
    const bench::Comparison c = warmedComparison(
        7, [&] { ourPipeline(f.photo, f.output, bench::everyStage(), PhotoRetoucher::Quality::Full); },
        [&] { vipsCodec(f.photo, f.output); });
    std::printf(
        "retouch 24 MP: %.0f ms, libvips decode + encode %.0f ms\n", c.ours * 1000, c.reference * 1000);
    bench::printRatioAndCpu("photo.retouch_vs_codec", c);
}

void previewVsCodec(Fixture& f)
{
    if (f.workingImage.isNull()) {
        const std::optional<FloatImage> image
            = PhotoComposer::loadImage(f.photo, CropEditorModel::workingMaxPixel);
        if (!image) {
            std::fprintf(stderr, "cannot load the working image\n");
            return;
        }
        f.workingImage = *image;
    }
    const PhotoRetouchSettings settings = bench::everyStage();
    const bench::Comparison c = warmedComparison(
        21,
        [&] {
            if (!CropEditorWork::renderPreview(settings, f.workingImage))
                std::fprintf(stderr, "no preview\n");
        },
        [&] { vipsCodec(f.working, f.output); });
    std::printf(
        "preview render of the %d × %d working image: %.1f ms, libvips decode + encode of it %.1f ms\n",
        f.workingImage.width(), f.workingImage.height(), c.ours * 1000, c.reference * 1000);
    bench::printRatioAndCpu("photo.preview_vs_codec", c);
}

// The median peak of three children writing the retouched photo; absent when one failed.
std::optional<double> writePeak(const Fixture& f, const QString& photo)
{
    std::vector<double> peaks;
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> peak
            = bench::childPeakMegabytes({ QStringLiteral("--peak-child"), photo, f.output });
        if (!peak)
            return std::nullopt;
        peaks.push_back(*peak);
    }
    std::sort(peaks.begin(), peaks.end());
    return peaks[1];
}

std::optional<double> photoPeak(Fixture& f)
{
    if (!f.photoPeak)
        f.photoPeak = writePeak(f, f.photo);
    return f.photoPeak;
}

void retouchPeak(Fixture& f)
{
    if (const std::optional<double> peak = photoPeak(f)) {
        std::printf("memory photo.retouch_peak_mb %.0f\n", *peak);
        std::fflush(stdout);
    }
}

void retouchBytesPerPixel(Fixture& f)
{
    const std::optional<QSize> large = ImageIO::orientedPixelSize(f.photo);
    const std::optional<QSize> small = ImageIO::orientedPixelSize(f.smaller);
    const std::optional<double> largePeak = photoPeak(f);
    const std::optional<double> smallPeak = writePeak(f, f.smaller);
    if (!large || !small || !largePeak || !smallPeak)
        return;
    const double pixels = double(large->width()) * large->height() - double(small->width()) * small->height();
    std::printf("retouch write peaks: %.0f MB at %d × %d, %.0f MB at %d × %d\n", *largePeak, large->width(),
        large->height(), *smallPeak, small->width(), small->height());
    std::printf(
        "memory photo.retouch_bytes_per_pixel %.1f\n", (*largePeak - *smallPeak) * 1024 * 1024 / pixels);
    std::fflush(stdout);
}

// One full-size retouch write, in a process of its own, which then reports its own peak.
int peakChild(const QString& in, const QString& out)
{
    PhotoRetouchSettings s = bench::everyStage();
    s.removeLensBlur = true;
    s.sharpnessNoiseReduction = 30;
    if (!ourPipeline(in, out, s, PhotoRetoucher::Quality::Full))
        return 1;
    bench::reportOwnPeak();
    return 0;
}

struct Figure
{
    const char* name;
    void (*run)(Fixture&);
};

const Figure figures[] = {
    { "photo.retouch_vs_codec", retouchVsCodec },
    { "photo.preview_vs_codec", previewVsCodec },
    { "photo.retouch_peak_mb", retouchPeak },
    { "photo.retouch_bytes_per_pixel", retouchBytesPerPixel },
};

void describe(const QString& path)
{
    const std::optional<QSize> size = ImageIO::orientedPixelSize(path);
    std::printf("fixture %s: %d × %d, %.1f MB\n", qPrintable(QFileInfo(path).fileName()),
        size ? size->width() : 0, size ? size->height() : 0, double(QFileInfo(path).size()) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    VIPS_INIT(argv[0]);
    vips_cache_set_max(0);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 3 && arguments[0] == QLatin1String("--peak-child"))
        return peakChild(arguments[1], arguments[2]);

    Fixture f;
    const QString root = bench::scratchFolder();
    f.photo = root + QStringLiteral("/photo.jpg");
    f.smaller = root + QStringLiteral("/smaller.jpg");
    f.working = root + QStringLiteral("/working.jpg");
    f.output = root + QStringLiteral("/out.jpg");
    if (!bench::placeScenePhoto(f.photo, 6000, 4000, 1, true)
        || !bench::placeScenePhoto(f.smaller, 3000, 2000, 1, true))
        return 1;
    VImage::thumbnail(QFile::encodeName(f.photo).constData(), CropEditorModel::workingMaxPixel)
        .jpegsave(QFile::encodeName(f.working).constData(), VImage::option()->set("Q", 97));
    for (const QString& path : { f.photo, f.smaller, f.working })
        describe(path);

    for (const Figure& figure : figures)
        if (arguments.isEmpty() || arguments.contains(QLatin1String(figure.name)))
            figure.run(f);
    return 0;
}
