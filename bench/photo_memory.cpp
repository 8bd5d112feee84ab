// The memory of the full-size photo writes, the figure the pixel budget rests on
// (PixelBudget::kWriteBytesPerPixel). Each write runs in a process of its own that does nothing else, and
// its resident peak is that process's:
//   memory photo.retouch_write_<n>mp_peak_mb      PhotoEdits::applyRetouch with every retouch stage on,
//                                                 of a JPEG of n megapixels (the original kept first)
//   memory photo.watermark_write_<n>mp_peak_mb    PhotoEdits::applyWatermark of that photo once retouched:
//                                                 the retouch again and the watermark across the full size
//   memory photo.crop_write_<n>mp_peak_mb         PhotoEditMemory::materialize of a validated A4 crop with
//                                                 that retouch and the watermark
//   memory photo.editor_write_<n>mp_peak_mb       the crop editor's write through PhotoWriter (from its
//                                                 session copy): that retouch and the watermark at full size
//   memory photo.editor_crop_write_<n>mp_peak_mb  the same write of a validated A4 crop
// for n = 24 and 48 (PHOTO_MEMORY_SIZES, megapixels separated by commas, changes them), each the median
// of three writes of a fresh copy of the photo. Each write then
// gets its bytes per pixel between the two largest sizes (the slope, without what the process holds
// whatever the photo):
//   memory photo.<write>_write_bytes_per_pixel
// and what it holds whatever the photo's size (its peak at the largest size less that slope's share):
//   memory photo.<write>_write_fixed_mb
// The program prints the bytes per pixel of the most expensive write at the largest size, the
// process's fixed share included, and that write carried to the largest photo the budget lets through
// (its fixed share and slope at PixelBudget::kMaxPixels), the figure PixelBudget::kWriteBytesPerPixel is
// taken from: at 48 megapixels a crop's print canvas, of a fixed size, weighs several bytes per pixel
// of the photo, at the budget's limit well under one.
// The photo of each size (3 : 2) is the realistic scene of bench/PhotoScene.h at quality 97, made once
// and kept in the benchmarks' cache folder.

#include "BenchSupport.h"
#include "PhotoScene.h"
#include "RetouchForBench.h"

#include "photo/PhotoEdits.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWriter.h"
#include "photo/originals/PhotoEditMemory.h"
#include "platform/imaging/PixelBudget.h"
#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/Vips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace quavel;
using vips::VImage;

namespace {

const char* const kinds[] = { "retouch", "watermark", "crop", "editor", "editor_crop" };

void makeWatermark(const QString& path)
{
    VipsSupport::ensureStarted();
    const VImage white = VImage::black(2000, 400, VImage::option()->set("bands", 4)) + 255;
    white.cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .pngsave(QFile::encodeName(path).constData());
}

// The child: one write of the photo, nothing else.
int runWrite(const QString& kind, const QString& photo, const QString& watermark)
{
    try {
        if (kind == QLatin1String("retouch")) {
            PhotoEdits::applyRetouch(photo, bench::everyStage(), std::nullopt);
        } else if (kind == QLatin1String("watermark")) {
            PhotoEditJournal journal;
            journal.current.retouch = bench::everyStage();
            PhotoEditMemory::save(journal, photo);
            PhotoEdits::applyWatermark(photo, watermark);
        } else if (kind == QLatin1String("crop")) {
            PhotoEditJournal journal;
            journal.current.retouch = bench::everyStage();
            journal.current.cropValidated = true;
            journal.current.includeWatermark = true;
            journal.current.format = PrintFormat::a4;
            PhotoEditMemory::save(journal, photo);
            PhotoEditMemory::materialize(journal, photo, PhotoReads::watermark(watermark));
        } else {
            // The editor writes from its session copy of the photo.
            const QString copy = QFileInfo(photo).dir().filePath(QStringLiteral("session-copy.JPG"));
            if (!QFile::copy(photo, copy))
                return 1;
            CropEditState look;
            look.retouch = bench::everyStage();
            look.includeWatermark = true;
            look.cropValidated = kind == QLatin1String("editor_crop");
            look.format = PrintFormat::a4;
            PhotoWriter::Request request;
            request.photo = photo;
            request.source = copy;
            request.look = look;
            request.watermark.image = PhotoReads::watermark(watermark);
            PhotoWriter::write(request);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(kind), e.what());
        return 1;
    }
    return 0;
}

// Runs the write in a child process; its resident peak in bytes, or 0 when it failed.
double peakOf(const char* kind, const QString& photo, const QString& watermark)
{
    const std::string self = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    const std::string photoArg = QFile::encodeName(photo).toStdString();
    const std::string markArg = QFile::encodeName(watermark).toStdString();
    std::vector<char*> argv { const_cast<char*>(self.c_str()), const_cast<char*>("--write-child"),
        const_cast<char*>(kind), const_cast<char*>(photoArg.c_str()), const_cast<char*>(markArg.c_str()),
        nullptr };
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return 0;
    int status = 0;
    rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 0;
    return double(usage.ru_maxrss) * 1024.0;
}

std::vector<int> sizes()
{
    std::vector<int> result;
    for (const QString& part :
        qEnvironmentVariable("PHOTO_MEMORY_SIZES", QStringLiteral("24,48")).split(u','))
        if (const int n = part.trimmed().toInt(); n > 0)
            result.push_back(n);
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--write-child"))
        return runWrite(args[2], args[3], args[4]);

    const QString root = bench::scratchFolder();
    const QString watermark = root + QStringLiteral("/Filigrane.png");
    makeWatermark(watermark);
    std::map<int, double> worst; // megapixels → the largest peak of the writes, bytes
    std::map<std::string, std::map<int, double>> peaks; // write → megapixels → its peak, bytes
    for (const int megapixels : sizes()) {
        const int height = int(std::lround(std::sqrt(megapixels * 1e6 / 1.5)));
        const int width = int(std::lround(height * 1.5));
        // The cached scene photo of that size, copied for each write (a write replaces its photo).
        const QString master = bench::cachedScenePhoto(width, height);
        if (master.isEmpty())
            continue;
        for (const char* kind : kinds) {
            // The median of three writes, each of a fresh copy of the photo in a folder of its own.
            std::vector<double> runs;
            for (int run = 0; run < 3; ++run) {
                const QString folder
                    = root + QStringLiteral("/%1-%2").arg(QLatin1String(kind)).arg(megapixels);
                QDir().mkpath(folder);
                const QString photo = folder + QStringLiteral("/DSC_0001.JPG");
                if (QFile::copy(master, photo))
                    runs.push_back(peakOf(kind, photo, watermark));
                QDir(folder).removeRecursively();
            }
            std::sort(runs.begin(), runs.end());
            const double peak = runs.size() == 3 && runs[0] > 0 ? runs[1] : 0;
            if (peak <= 0) {
                std::fprintf(stderr, "the %s write of %d megapixels failed\n", kind, megapixels);
                continue;
            }
            std::printf("memory photo.%s_write_%dmp_peak_mb %.0f\n", kind, megapixels, peak / 1048576.0);
            std::fflush(stdout);
            worst[megapixels] = std::max(worst[megapixels], peak);
            peaks[kind][megapixels] = peak;
        }
    }
    if (worst.empty())
        return 1;
    double mostAtLimit = 0; // bytes, the most expensive write carried to the budget's largest photo
    for (const auto& [kind, byMegapixels] : peaks) {
        if (byMegapixels.size() < 2)
            continue;
        const auto largest = byMegapixels.rbegin();
        const auto below = std::next(largest);
        const double slope
            = (largest->second - below->second) / (double(largest->first - below->first) * 1e6);
        const double fixed = largest->second - slope * double(largest->first) * 1e6;
        std::printf("memory photo.%s_write_bytes_per_pixel %.1f\n", kind.c_str(), slope);
        std::printf("memory photo.%s_write_fixed_mb %.0f\n", kind.c_str(), fixed / 1048576.0);
        mostAtLimit = std::max(mostAtLimit, fixed + slope * double(PixelBudget::kMaxPixels));
    }
    const auto largest = worst.rbegin();
    const double pixels = double(largest->first) * 1e6;
    std::printf(
        "the most expensive write of %d megapixels: %.1f bytes per pixel (budget: %.1f bytes per pixel, "
        "%lld pixels)\n",
        largest->first, largest->second / pixels, PixelBudget::kWriteBytesPerPixel,
        (long long)PixelBudget::kMaxPixels);
    if (mostAtLimit > 0)
        std::printf("the most expensive write carried to %lld pixels: %.1f bytes per pixel (%.2f GB)\n",
            (long long)PixelBudget::kMaxPixels, mostAtLimit / double(PixelBudget::kMaxPixels),
            mostAtLimit / 1e9);
    if (worst.size() >= 2) {
        const auto below = std::next(largest);
        std::printf("between %d and %d megapixels: %.1f bytes per added pixel\n", below->first,
            largest->first,
            (largest->second - below->second) / (double(largest->first - below->first) * 1e6));
    }
    return 0;
}
