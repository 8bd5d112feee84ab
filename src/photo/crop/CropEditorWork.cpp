#include "photo/crop/CropEditorWork.h"

#include "photo/PhotoComposer.h"
#include "photo/PhotoReads.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/crop/CropSessionFolder.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoOriginals.h"
#include "photo/retouch/PhotoRetoucher.h"
#include "platform/imaging/ImageIO.h"

#include <QFileInfo>

namespace quavel::CropEditorWork {

Loaded load(const QString& photo, const std::optional<QString>& watermark)
{
    Loaded loaded;
    try {
        const PhotoOriginals::Source source = PhotoOriginals::openSource(photo);
        loaded.sessionCopy = CropSessionFolder::makeCopy(source.path(), photo);
        const QString file = loaded.sessionCopy.value_or(source.path());
        ReadFailure failure;
        if (auto image = PhotoComposer::loadImage(file, CropEditorModel::workingMaxPixel, &failure)) {
            loaded.image = *image;
            loaded.picture = image->toQImage();
        } else {
            // Named after the photo: what was read is its original or the session copy.
            loaded.errorMessage
                = PhotoReads::photoError(failure).naming(QFileInfo(photo).fileName()).message();
        }
        if (const auto size = ImageIO::orientedPixelSize(file))
            loaded.fullWidth = size->width();
    } catch (const PhotoEditError& e) {
        loaded.errorMessage = e.message();
    } catch (const Error&) {
        // The original is there but cannot be opened: nothing read, the editor says so.
    }
    const Watermarks images = loadWatermark(watermark);
    loaded.watermark = images.preview;
    loaded.watermarkFull = images.full;
    return loaded;
}

Watermarks loadWatermark(const std::optional<QString>& watermark)
{
    Watermarks images;
    if (!watermark)
        return images;
    if (auto preview = PhotoComposer::loadImage(*watermark, CropEditorModel::workingMaxPixel))
        images.preview = *preview;
    if (images.preview.isNull())
        return images;
    if (auto full = PhotoComposer::loadFullOrientedImage(*watermark))
        images.full = *full;
    return images;
}

std::optional<Rendered> renderPreview(const PhotoRetouchSettings& settings, const FloatImage& base)
{
    const std::optional<FloatImage> image
        = PhotoRetoucher::apply(settings, base, PhotoRetoucher::Quality::Preview);
    if (!image || image->isNull())
        return std::nullopt;
    return Rendered { *image, image->toQImage() };
}

} // namespace quavel::CropEditorWork
