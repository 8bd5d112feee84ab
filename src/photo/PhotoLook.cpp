#include "photo/PhotoLook.h"

#include "photo/PhotoComposer.h"
#include "photo/PhotoReads.h"
#include "photo/originals/PhotoEditError.h"

namespace quavel::PhotoLook {

const FloatImage* drawnWatermark(const CropEditState& look, const FloatImage* watermark)
{
    return look.includeWatermark && watermark && !watermark->isNull() ? watermark : nullptr;
}

bool readsWholeSource(const CropEditState& look, bool drawsWatermark)
{
    if (!look.retouch.isNeutral())
        return true;
    return look.cropValidated ? false : drawsWatermark;
}

std::optional<FloatImage> render(
    const QString& source, const CropEditState& look, const FloatImage* watermark, FloatImage decoded)
{
    const FloatImage* drawn = drawnWatermark(look, watermark);
    const bool neutral = look.retouch.isNeutral();
    if (!look.cropValidated && neutral && !drawn)
        return std::nullopt;
    if (look.cropValidated && neutral)
        return PhotoComposer::composeCrop(source, look.format, look.zoom, look.offset, look.angle, drawn);

    // The photo as read is let go of once retouched: a write holds as few full-size images as it can
    // (the pixel budget rests on it).
    FloatImage image = decoded.isNull() ? PhotoReads::photo(source) : std::move(decoded);
    if (!neutral)
        image = PhotoReads::retouched(look.retouch, std::exchange(image, FloatImage()));
    if (look.cropValidated)
        return PhotoComposer::composeCrop(image, look.format, look.zoom, look.offset, look.angle, drawn);
    if (!drawn)
        return image;
    // Drawn on in place: the image is handed over.
    FloatImage marked = PhotoComposer::withBottomWatermark(std::move(image), *drawn);
    if (marked.isNull())
        throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    return marked;
}

} // namespace quavel::PhotoLook
