#include "photo/CropSnapshot.h"

#include "photo/PhotoCanvas.h"
#include "photo/PhotoComposer.h"
#include "photo/PhotoEditError.h"
#include "photo/PhotoOriginals.h"
#include "photo/PhotoRetoucher.h"
#include "platform/imaging/ImageIO.h"

namespace quavel {

FloatImage CropSnapshot::composedImage(const std::optional<QString>& source) const
{
    PhotoOriginals::ensureBackup(url);
    const QString input = source         ? *source
        : PhotoOriginals::hasBackup(url) ? PhotoOriginals::backupURL(url)
                                         : url;
    const std::optional<FloatImage> decoded = ImageIO::decode(input);
    if (!decoded || decoded->isNull())
        throw PhotoEditError(PhotoEditError::Kind::unreadablePhoto);
    FloatImage image = *decoded;
    if (auto retouched = PhotoRetoucher::apply(retouch, image, PhotoRetoucher::Quality::Full);
        retouched && !retouched->isNull())
        image = *retouched;

    const PhotoComposer::CropLayout layout
        = PhotoComposer::cropLayout(image.size(), format, zoom, offset, angle);
    FloatImage canvas = PhotoCanvas::drawOnBlack(image, layout.imageToCanvas, layout.canvas);
    if (canvas.isNull())
        throw PhotoEditError(PhotoEditError::Kind::composeFailed);
    if (!watermark.isNull())
        canvas = PhotoCanvas::drawOver(
            canvas, watermark, PhotoComposer::watermarkRect(watermark.size(), QSizeF(canvas.size())));
    return canvas;
}

} // namespace quavel
