#include "platform/imaging/VipsSupport.h"

#include "platform/files/NativeName.h"
#include "platform/imaging/ImagingMemory.h"
#include "platform/imaging/PixelBudget.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace quavel::VipsSupport {

void ensureStarted()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ImagingMemory::configure();
        vips_init("quavel");
        vips_cache_set_max(0);
        vips_cache_set_max_files(0);
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

vips::VImage fitted(const QByteArray& name, const vips::VImage& header, int maxSide, VipsFailOn failOn,
    LoadWatch* watch, bool upright)
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
    VImage loaded = VImage::new_from_file(name.constData(), options);
    return (watch ? watch->watch(loaded) : loaded)
        .thumbnail_image(maxSide,
            VImage::option()->set("height", maxSide)->set("size", VIPS_SIZE_DOWN)->set("no_rotate", !upright));
}

std::optional<ReadFailure> refusal(qint64 pixels)
{
    if (PixelBudget::allows(pixels))
        return std::nullopt;
    return ReadFailure { ReadFailure::Kind::tooLarge, pixels };
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

} // namespace quavel::VipsSupport
