// The photo pipeline against plain libvips on the same files, in the same run. Each figure is one
// function of the table at the bottom; `quavel_bench_photo <name>…` runs only the figures named.
//   photo.retouch_vs_codec   decode + PhotoRetoucher::apply(full) + JPEG encode (quality 97) of a
//                            6000 × 4000 JPEG / libvips decode + encode of the same file
//   photo.preview_vs_codec   the same at preview quality on the crop editor's 2048-pixel working image
//   photo.retouch_peak_mb    the largest resident size of a child process that decodes, retouches with
//                            every stage on and encodes that 24-megapixel photo
// Ratios alternate which side runs first per round and report the median of the per-round ratios.
#include "BenchSupport.h"
#include "RetouchForBench.h"

#include "photo/PhotoRetoucher.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/Vips.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

using namespace quavel;
using vips::VImage;

namespace {

struct Fixture
{
    QString photo; // 6000 × 4000, quality 90
    QString working; // 2048 pixels on the long side, quality 90
    QString output;
};

// Smooth colour gradients plus grey noise of σ 2 levels, from a fixed seed.
void makePhoto(const QString& path, int width, int height)
{
    std::vector<unsigned char> pixels(std::size_t(width) * height * 3);
    std::mt19937 random(20240601);
    std::normal_distribution<float> noise(0.0f, 2.0f);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = pixels.data() + std::size_t(y) * width * 3;
        const float v = float(y) / height;
        for (int x = 0; x < width; ++x) {
            const float u = float(x) / width;
            const float n = noise(random);
            const float base[3] = { 30 + 180 * u + 25 * std::sin(6 * v), 40 + 150 * v + 20 * std::cos(5 * u),
                200 - 140 * u * v };
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = (unsigned char)std::clamp(std::lround(base[c] + n), 0L, 255L);
        }
    }
    VImage::new_from_memory(pixels.data(), pixels.size(), width, height, 3, VIPS_FORMAT_UCHAR)
        .jpegsave(QFile::encodeName(path).constData(), VImage::option()->set("Q", 90));
}

bool ourPipeline(
    const QString& in, const QString& out, const PhotoRetouchSettings& s, PhotoRetoucher::Quality q)
{
    const std::optional<FloatImage> image = ImageIO::decode(in);
    if (!image)
        return false;
    const std::optional<FloatImage> retouched = PhotoRetoucher::apply(s, *image, q);
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

void retouchVsCodec(const Fixture& f)
{
    const bench::Comparison c = warmedComparison(
        7, [&] { ourPipeline(f.photo, f.output, bench::everyStage(), PhotoRetoucher::Quality::Full); },
        [&] { vipsCodec(f.photo, f.output); });
    std::printf(
        "retouch 24 MP: %.0f ms, libvips decode + encode %.0f ms\n", c.ours * 1000, c.reference * 1000);
    bench::printRatio("photo.retouch_vs_codec", c);
}

void previewVsCodec(const Fixture& f)
{
    const bench::Comparison c = warmedComparison(
        21, [&] { ourPipeline(f.working, f.output, bench::everyStage(), PhotoRetoucher::Quality::Preview); },
        [&] { vipsCodec(f.working, f.output); });
    std::printf(
        "preview 2048 px: %.1f ms, libvips decode + encode %.1f ms\n", c.ours * 1000, c.reference * 1000);
    bench::printRatio("photo.preview_vs_codec", c);
}

// The peak is measured in a child of its own, so that the fixtures and the other figures do not count.
void retouchPeak(const Fixture& f)
{
    const pid_t child = fork();
    if (child == 0) {
        const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
        const QByteArray in = QFile::encodeName(f.photo);
        const QByteArray out = QFile::encodeName(f.output);
        execl(self.constData(), self.constData(), "--peak-child", in.constData(), out.constData(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the peak child failed\n");
        return;
    }
    std::printf("memory photo.retouch_peak_mb %.0f\n", usage.ru_maxrss / 1024.0);
    std::fflush(stdout);
}

int peakChild(const QString& in, const QString& out)
{
    PhotoRetouchSettings s = bench::everyStage();
    s.removeLensBlur = true;
    s.sharpnessNoiseReduction = 30;
    return ourPipeline(in, out, s, PhotoRetoucher::Quality::Full) ? 0 : 1;
}

struct Figure
{
    const char* name;
    void (*run)(const Fixture&);
};

// Peak figures come first: a forked child starts as a copy of its parent, and Linux counts the
// parent's resident pages in the child's peak; the fixtures leave the parent small, the ratio figures'
// rounds do not.
const Figure figures[] = {
    { "photo.retouch_peak_mb", retouchPeak },
    { "photo.retouch_vs_codec", retouchVsCodec },
    { "photo.preview_vs_codec", previewVsCodec },
};

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
    f.working = root + QStringLiteral("/working.jpg");
    f.output = root + QStringLiteral("/out.jpg");
    makePhoto(f.photo, 6000, 4000);
    VImage::thumbnail(QFile::encodeName(f.photo).constData(), 2048)
        .jpegsave(QFile::encodeName(f.working).constData(), VImage::option()->set("Q", 90));

    for (const Figure& figure : figures)
        if (arguments.isEmpty() || arguments.contains(QLatin1String(figure.name)))
            figure.run(f);
    return 0;
}
