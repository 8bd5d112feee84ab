#include "platform/imaging/CameraRaw.h"

#include "platform/imaging/RawDecoder.h"
#include "platform/imaging/VipsSupport.h"

#include <QFileInfo>
#include <QSet>

#include "platform/imaging/Vips.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quavel::CameraRaw {

namespace {

using vips::VImage;

// 16-bit interleaved RGB to the float planes (0 to 1).
FloatImage toFloatImage(const std::uint16_t* samples, int width, int height)
{
    FloatPlane r(width, height), g(width, height), b(width, height);
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* in = samples + std::size_t(y) * std::size_t(width) * 3;
        float* rr = r.row(y);
        float* gg = g.row(y);
        float* bb = b.row(y);
        for (int x = 0; x < width; ++x) {
            rr[x] = float(in[3 * x]) / 65535.0f;
            gg[x] = float(in[3 * x + 1]) / 65535.0f;
            bb[x] = float(in[3 * x + 2]) / 65535.0f;
        }
    }
    return FloatImage(std::move(r), std::move(g), std::move(b));
}

} // namespace

bool isCameraRaw(const QString& path)
{
    static const QSet<QString> extensions { QStringLiteral("raw"), QStringLiteral("dng"),
        QStringLiteral("cr2"), QStringLiteral("cr3"), QStringLiteral("nef"), QStringLiteral("arw"),
        QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("raf") };
    return extensions.contains(QFileInfo(path).suffix().toLower());
}

// LibRaw develops into sRGB, so the image carries no profile (untagged reads as sRGB).
std::optional<FloatImage> decode(const QString& path, std::optional<int> maxPixelSize, ReadFailure* failure)
{
    const int limit = maxPixelSize ? std::max(1, *maxPixelSize) : 0;
    ReadFailure reason;
    try {
        const std::optional<RawDecoder::Image> raw = RawDecoder::decode(path, 16, limit, &reason);
        if (!raw || raw->bitsPerSample != 16) {
            if (failure)
                *failure = reason;
            return std::nullopt;
        }
        if (limit == 0 || std::max(raw->width, raw->height) <= limit)
            return toFloatImage(
                reinterpret_cast<const std::uint16_t*>(raw->pixels.constData()), raw->width, raw->height);
        // Bounded: libvips' lanczos3 reduction of the developed samples.
        VipsSupport::ensureStarted();
        const VImage developed
            = VImage::new_from_memory(const_cast<char*>(raw->pixels.constData()),
                std::size_t(raw->pixels.size()), raw->width, raw->height, 3, VIPS_FORMAT_USHORT)
                  .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
        const double scale = double(limit) / std::max(raw->width, raw->height);
        const VImage fitted = developed.resize(scale, VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3));
        std::size_t size = 0;
        void* memory = fitted.write_to_memory(&size);
        const int width = fitted.width();
        const int height = fitted.height();
        std::optional<FloatImage> image;
        if (fitted.bands() == 3 && size >= std::size_t(width) * std::size_t(height) * 6)
            image = toFloatImage(static_cast<const std::uint16_t*>(memory), width, height);
        g_free(memory);
        return image;
    } catch (...) {
        reason = VipsSupport::caughtFailure();
    }
    if (failure)
        *failure = reason;
    return std::nullopt;
}

std::optional<QSize> orientedPixelSize(const QString& path)
{
    return RawDecoder::orientedSize(path);
}

} // namespace quavel::CameraRaw
