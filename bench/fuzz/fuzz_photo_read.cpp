// Any bytes as a photo file, through the reads every photo, watermark and thumbnail takes: the routing by
// the first bytes (and the structural limits of the handled formats), the header read, the strict
// decode and the gallery's and the printed page's thumbnails. Nothing is decoded from bytes that name no
// handled format; a strict decode gives the size the header read gave, within the pixel budget; a
// thumbnail fits its box. (Whether the lenient thumbnail of a damaged file decodes where the strict one
// does is not checked: on a damaged WebP the two were seen to differ from one run to the next.)
#include "FuzzChecks.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/PixelBudget.h"

#include <QFile>

#include <algorithm>
#include <cstdint>

using namespace quavel;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString folder = fuzz::scratchFolder("photo_read");
    // A photo's name: the route must come from the bytes, never from it.
    const QString path = folder + QStringLiteral("/IMG_0001.jpg");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const bool routed = ImageContent::examine(RegularFile(path)).has_value();
    const std::optional<QSize> header = ImageIO::orientedPixelSize(path);
    const std::optional<FloatImage> image = ImageIO::decode(path);
    const int box = 64;
    const QImage thumbnail = ImageThumbnail::fromFile(path, box);
    const QImage printed = ImageThumbnail::fromFile(path, box, ImageThumbnail::Damage::refused);

    if (!routed) {
        check(!header && !image && thumbnail.isNull() && printed.isNull(),
            "bytes that name no handled format reach no decoder");
        return 0;
    }
    if (image) {
        check(header && image->size() == *header, "the strict decode has the size of the header read");
        check(qint64(image->width()) * image->height() <= PixelBudget::kMaxPixels,
            "a strict decode stays within the pixel budget");
    }
    for (const QImage& t : { thumbnail, printed })
        check(t.isNull() || std::max(t.width(), t.height()) <= box, "a thumbnail fits its box");
    return 0;
}
