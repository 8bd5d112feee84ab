#include "platform/imaging/VipsSupport.h"

#include "platform/files/NativeName.h"
#include "platform/imaging/ImagingMemory.h"
#include "platform/imaging/PixelBudget.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace quavel::VipsSupport {

void ensureStarted()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ImagingMemory::configure();
        vips_init("quavel");
        vips_cache_set_max(0);
        vips_cache_set_max_files(0);
        // Every loader blocked, then the kept ones let through again: a loader a module adds (they are
        // all loaded by vips_init) is blocked with the rest. The untrusted ones are blocked once more by
        // their own flag, so a kept family can never let one of them through.
        vips_operation_block_set("VipsForeignLoad", TRUE);
        for (const char* kept : kKeptLoaders)
            vips_operation_block_set(kept, FALSE);
        vips_block_untrusted_set(TRUE);
    });
}

QByteArray fileName(const QString& path)
{
    return NativeName::encode(path);
}

QByteArray iccProfile(const vips::VImage& image)
{
    if (image.get_typeof(VIPS_META_ICC_NAME) == 0)
        return QByteArray();
    std::size_t length = 0;
    const void* data = image.get_blob(VIPS_META_ICC_NAME, &length);
    return QByteArray(static_cast<const char*>(data), qsizetype(length));
}

QByteArray loaderOf(const vips::VImage& image)
{
    const char* loader = nullptr;
    if (vips_image_get_typeof(image.get_image(), "vips-loader") == 0
        || vips_image_get_string(image.get_image(), "vips-loader", &loader) != 0 || !loader)
        return QByteArray();
    return QByteArray(loader);
}

int orientationOf(const vips::VImage& image)
{
    if (image.get_typeof(VIPS_META_ORIENTATION) == 0)
        return 1;
    return image.get_int(VIPS_META_ORIENTATION);
}

int jpegShrink(const vips::VImage& header, std::optional<int> maxSide)
{
    if (!maxSide || *maxSide < 1 || !loaderOf(header).startsWith("jpegload"))
        return 1;
    const double shrink = double(std::max(header.width(), header.height())) / double(*maxSide);
    return shrink >= 16 ? 8 : shrink >= 8 ? 4 : shrink >= 4 ? 2 : 1;
}

qint64 decodedPixels(const vips::VImage& header, std::optional<int> maxSide)
{
    const qint64 factor = jpegShrink(header, maxSide);
    return ((header.width() + factor - 1) / factor) * ((header.height() + factor - 1) / factor);
}

namespace {

// Hands on the loader's pixels untouched, noting every request it failed.
int passWatched(VipsRegion* out, void* sequence, void*, void* failed, gboolean*)
{
    auto* in = static_cast<VipsRegion*>(sequence);
    if (vips_region_prepare(in, &out->valid) != 0) {
        static_cast<std::atomic<bool>*>(failed)->store(true);
        return -1;
    }
    return vips_region_region(out, in, &out->valid, out->valid.left, out->valid.top);
}

} // namespace

vips::VImage LoadWatch::watch(const vips::VImage& loaded)
{
    m_loaded.push_back(loaded);
    VipsImage* in = loaded.get_image();
    VipsImage* out = vips_image_new();
    // The header, metadata and demand style are the loader's.
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_ANY, in, nullptr) != 0
        || vips_image_generate(out, vips_start_one, passWatched, vips_stop_one, in, &m_failed) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    return vips::VImage(out);
}

vips::VImage load(const QByteArray& name, ImageContent::Format format, vips::VOption* options)
{
    using vips::VImage;
    using Format = ImageContent::Format;
    const char* file = name.constData();
    switch (format) {
    case Format::jpeg:
        return VImage::jpegload(file, options);
    case Format::png:
        return VImage::pngload(file, options);
    case Format::tiff:
        return VImage::tiffload(file, options);
    case Format::webp:
        return VImage::webpload(file, options);
    case Format::heif:
        return VImage::heifload(file, options);
    case Format::gif:
        return VImage::gifload(file, options);
    case Format::bmp:
        break;
    }
    delete options;
    vips_error("quavel", "no libvips loader for this format");
    throw vips::VError();
}

namespace {

// Qt's BMP reader and no other, whatever the content turns out to be, over an open file; the size its
// header gives, or none.
std::optional<QSize> openBmp(QFile& file, QImageReader& reader)
{
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    reader.setDevice(&file);
    reader.setFormat("bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    return size;
}

} // namespace

std::optional<QSize> bmpSize(const QByteArray& name)
{
    QFile file(QString::fromLocal8Bit(name));
    QImageReader reader;
    return openBmp(file, reader);
}

std::optional<vips::VImage> bmp(const QByteArray& name, ReadFailure& failure)
{
    failure = {};
    QFile file(QString::fromLocal8Bit(name));
    QImageReader reader;
    const std::optional<QSize> size = openBmp(file, reader);
    if (!size)
        return std::nullopt;
    const qint64 pixels = qint64(size->width()) * size->height();
    if (const auto refused = refusal(pixels)) {
        failure = *refused;
        return std::nullopt;
    }
    // Within the budget, the reader's own allocation limit (256 MB) must not refuse it.
    reader.setAllocationLimit(int(std::min<qint64>((pixels * 4 >> 20) + 1, 1 << 30)));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    const bool alpha = image.hasAlphaChannel();
    image.convertTo(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (image.isNull()) {
        failure = { ReadFailure::Kind::outOfMemory, 0 };
        return std::nullopt;
    }
    const int bands = alpha ? 4 : 3;
    const std::size_t line = std::size_t(image.width()) * std::size_t(bands);
    auto* memory = static_cast<unsigned char*>(g_try_malloc(line * std::size_t(image.height())));
    if (!memory) {
        failure = { ReadFailure::Kind::outOfMemory, 0 };
        return std::nullopt;
    }
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(memory + std::size_t(y) * line, image.constScanLine(y), line);
    return vips::VImage::new_from_memory_steal(
        memory, line * std::size_t(image.height()), image.width(), image.height(), bands, VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

vips::VImage fitted(const QByteArray& name, ImageContent::Format format, const vips::VImage& header,
    int maxSide, VipsFailOn failOn, LoadWatch* watch, bool upright)
{
    using vips::VImage;
    using vips::VOption;
    const int orientation = upright ? orientationOf(header) : 1;
    // Turning needs the whole (reduced) image at hand; an upright one streams.
    VOption* options
        = VImage::option()
              ->set("fail_on", failOn)
              ->set("access",
                  orientation > 1 && orientation <= 8 ? VIPS_ACCESS_RANDOM : VIPS_ACCESS_SEQUENTIAL);
    if (const int shrink = jpegShrink(header, maxSide); shrink > 1)
        options->set("shrink", shrink);
    VImage loaded = load(name, format, options);
    return (watch ? watch->watch(loaded) : loaded)
        .thumbnail_image(maxSide,
            VImage::option()
                ->set("height", maxSide)
                ->set("size", VIPS_SIZE_DOWN)
                ->set("no_rotate", !upright));
}

std::optional<ReadFailure> refusal(qint64 pixels, qint64 bytes, qint64 memoryBudget)
{
    if (!PixelBudget::allows(pixels))
        return ReadFailure { ReadFailure::Kind::tooLarge, pixels, PixelBudget::kMaxPixels };
    if (bytes <= memoryBudget)
        return std::nullopt;
    // The charge grows with the pixels: the budget allows this kind of file up to that share of them.
    const auto limit = qint64(double(pixels) * double(memoryBudget) / double(bytes));
    return ReadFailure { ReadFailure::Kind::tooLarge, pixels, std::min(limit, PixelBudget::kMaxPixels) };
}

DecodeBudget::Hold previewHold(qint64 pixels, qint64 bytes, ReadFailure& failure)
{
    DecodeBudget& budget = DecodeBudget::previews();
    if (const auto refused = refusal(pixels, bytes, budget.capacity())) {
        failure = *refused;
        return {};
    }
    DecodeBudget::Hold hold = budget.acquire(bytes);
    if (!hold)
        failure = {};
    return hold;
}

ReadFailure failureOf(const char* message)
{
    // libvips says "out of memory" for every allocation it could not make (its own, and the buffers of
    // the loaders it drives).
    const bool memory = message && std::strstr(message, "out of memory");
    return ReadFailure { memory ? ReadFailure::Kind::outOfMemory : ReadFailure::Kind::unreadable, 0 };
}

ReadFailure takeFailure()
{
    const ReadFailure failure = failureOf(vips_error_buffer());
    vips_error_clear();
    return failure;
}

ReadFailure caughtFailure()
{
    try {
        throw;
    } catch (const vips::VError& e) {
        const ReadFailure failure = failureOf(e.what());
        vips_error_clear();
        return failure;
    } catch (const std::bad_alloc&) {
        return ReadFailure { ReadFailure::Kind::outOfMemory, 0 };
    }
}

} // namespace quavel::VipsSupport
