#include "platform/files/NativeName.h"
#include "platform/files/SafeCopy.h"
#include "platform/imaging/EncodedMetadata.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/JpegWriter.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/VipsSupport.h"

#include <QFile>
#include <QFileInfo>

#include "platform/imaging/Vips.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace quavel::ImageIO {

namespace {

using vips::VImage;

struct Source
{
    const FloatImage* image = nullptr;
    int bands = 3;
};

// libvips asks for the rectangles its writer needs, from its own worker threads: the 8-bit form is made
// there, strip by strip, while the encoder works, and never exists whole.
int generate(VipsRegion* out, void*, void* a, void*, gboolean*)
{
    const Source& source = *static_cast<const Source*>(a);
    const VipsRect& rect = out->valid;
    const FloatImage& image = *source.image;
    for (int y = rect.top; y < rect.top + rect.height; ++y) {
        auto* line = reinterpret_cast<std::uint8_t*>(VIPS_REGION_ADDR(out, rect.left, y));
        const float* r = image.row(FloatImage::Red, y) + rect.left;
        const float* g = image.row(FloatImage::Green, y) + rect.left;
        const float* b = image.row(FloatImage::Blue, y) + rect.left;
        if (source.bands == 4) {
            const float* alpha = image.row(FloatImage::Alpha, y) + rect.left;
            for (int x = 0; x < rect.width; ++x) {
                line[4 * x] = PixelMath::toByte(r[x]);
                line[4 * x + 1] = PixelMath::toByte(g[x]);
                line[4 * x + 2] = PixelMath::toByte(b[x]);
                line[4 * x + 3] = PixelMath::toByte(alpha[x]);
            }
        } else {
            for (int x = 0; x < rect.width; ++x) {
                line[3 * x] = PixelMath::toByte(r[x]);
                line[3 * x + 1] = PixelMath::toByte(g[x]);
                line[3 * x + 2] = PixelMath::toByte(b[x]);
            }
        }
    }
    return 0;
}

VImage eightBitView(const FloatImage& image, Source& source)
{
    VipsImage* view = vips_image_new();
    vips_image_init_fields(view, image.width(), image.height(), source.bands, VIPS_FORMAT_UCHAR,
        VIPS_CODING_NONE, VIPS_INTERPRETATION_sRGB, 1.0, 1.0);
    if (vips_image_pipelinev(view, VIPS_DEMAND_STYLE_ANY, nullptr) != 0
        || vips_image_generate(view, nullptr, generate, nullptr, &source, nullptr) != 0) {
        g_object_unref(view);
        throw vips::VError("cannot make the 8-bit view");
    }
    // A fresh image: no EXIF, XMP or IPTC comes along, only the profile (which the HEIF writer can only
    // take from here).
    if (!image.iccProfile().isEmpty())
        vips_image_set_blob_copy(
            view, VIPS_META_ICC_NAME, image.iccProfile().constData(), std::size_t(image.iccProfile().size()));
    return VImage(view);
}

// Writes the whole file through its bytes: the name may not be UTF-8, which QFile cannot open.
bool writeFile(const QString& path, const std::function<bool(int fd)>& write)
{
    const int fd
        = ::open(NativeName::encode(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = write(fd);
    return ::close(fd) == 0 && written;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    return writeFile(path,
        [&](int fd) { return SafeCopy::writeAll(fd, bytes.constData(), std::size_t(bytes.size())) == 0; });
}

// Encodes to memory, drops libvips' own EXIF block and writes the file.
bool writeBuffer(const VImage& view, const char* suffix, int quality, const QString& path,
    QByteArray (*clean)(const QByteArray&))
{
    void* buffer = nullptr;
    std::size_t length = 0;
    view.write_to_buffer(suffix, &buffer, &length, VImage::option()->set("Q", quality));
    const QByteArray encoded = clean(QByteArray(static_cast<const char*>(buffer), qsizetype(length)));
    g_free(buffer);
    return writeFile(path, encoded);
}

} // namespace

bool encode(const FloatImage& image, const QString& path, Format format, double quality)
{
    if (image.isNull())
        return false;
    VipsSupport::ensureStarted();
    const QByteArray name = VipsSupport::fileName(path);
    const int q = std::clamp(int(std::lround(quality * 100)), 1, 100);
    if (format == Format::Jpeg) {
        // Our own writer for a whole image in memory: libvips' compresses on one thread, this one on all
        // of them (libvips' stays for the renderings streamed through it). Strips go to the file as they
        // are made: the compressed file is never held whole.
        try {
            return writeFile(path, [&](int fd) { return JpegWriter::write(image, q, fd); });
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    Source source;
    source.image = &image;
    source.bands = image.hasAlpha() && format != Format::Jpeg ? 4 : 3;
    try {
        VImage view = eightBitView(image, source);
        switch (format) {
        case Format::Jpeg:
            return writeBuffer(view, ".jpg", q, path, EncodedMetadata::withoutJpegExif);
        case Format::WebP:
            return writeBuffer(view, ".webp", q, path, EncodedMetadata::withoutWebpExif);
        case Format::Png:
            view.pngsave(name.constData());
            break;
        case Format::Tiff:
            view.tiffsave(name.constData());
            break;
        case Format::Heif:
            // The HEIF writer's own EXIF block (orientation 1) stays: it lives inside the container's boxes.
            view.heifsave(name.constData(), VImage::option()->set("Q", q));
            break;
        }
        return true;
    } catch (const vips::VError&) {
        vips_error_clear();
    } catch (const std::bad_alloc&) { }
    return false;
}

Format formatForPath(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("png"))
        return Format::Png;
    if (extension == QLatin1String("tif") || extension == QLatin1String("tiff"))
        return Format::Tiff;
    if (extension == QLatin1String("heic") || extension == QLatin1String("heif"))
        return Format::Heif;
    if (extension == QLatin1String("webp"))
        return Format::WebP;
    return Format::Jpeg;
}

} // namespace quavel::ImageIO
