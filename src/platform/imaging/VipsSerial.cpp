#include "platform/imaging/VipsSerial.h"

#include "platform/imaging/Vips.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace quavel::VipsSerial {

namespace {

// At least this many rows a strip: fewer would repeat each step's set-up for little work.
constexpr int minimumStripRows = 16;

// Owns the region for the length of one computation.
struct RegionGuard
{
    VipsRegion* region;
    ~RegionGuard() { g_object_unref(region); }
};

} // namespace

bool loadsThroughSink(const char* loader, const QByteArray& fileName)
{
    const int flags = vips_foreign_flags(loader, fileName.constData());
    vips_error_clear();
    return (flags & (VIPS_FOREIGN_SEQUENTIAL | VIPS_FOREIGN_PARTIAL)) == 0;
}

void decodeSources(const vips::VImage& image)
{
    VipsRegion* region = vips_region_new(image.get_image());
    if (!region)
        throw vips::VError();
    RegionGuard guard { region };
    const VipsRect corner { 0, 0, 1, 1 };
    if (vips_region_prepare(region, &corner) != 0)
        throw vips::VError();
}

QByteArray pixels(const vips::VImage& image)
{
    VipsImage* in = image.get_image();
    const int width = vips_image_get_width(in);
    const int height = vips_image_get_height(in);
    const std::size_t line = VIPS_IMAGE_SIZEOF_LINE(in);
    if (width <= 0 || height <= 0)
        return QByteArray();
    if (line > std::size_t(std::numeric_limits<qsizetype>::max()) / std::size_t(height))
        throw std::bad_alloc();
    QByteArray out(qsizetype(line * std::size_t(height)), Qt::Uninitialized);

    VipsRegion* region = vips_region_new(in);
    if (!region)
        throw vips::VError();
    RegionGuard guard { region };
    // Strips as tall as libvips' own sinks would ask for (full width, from the top down): what each step
    // holds stays a few rows of its input, and a sequential loader sees the order it requires.
    int tileWidth = 0;
    int tileHeight = 0;
    int lines = 0;
    vips_get_tile_size(in, &tileWidth, &tileHeight, &lines);
    const int strip = std::max(minimumStripRows, tileHeight);
    char* target = out.data();
    for (int top = 0; top < height; top += strip) {
        const VipsRect rect { 0, top, width, std::min(strip, height - top) };
        if (vips_region_prepare(region, &rect) != 0)
            throw vips::VError();
        for (int y = rect.top; y < rect.top + rect.height; ++y)
            std::memcpy(target + std::size_t(y) * line, VIPS_REGION_ADDR(region, 0, y), line);
    }
    return out;
}

} // namespace quavel::VipsSerial
