#include "photo/CropSnapshot.h"

#include "photo/PhotoComposer.h"
#include "photo/PhotoOriginals.h"
#include "photo/PhotoReads.h"

namespace quavel {

FloatImage CropSnapshot::composedImage(const std::optional<QString>& source) const
{
    PhotoOriginals::ensureBackup(url);
    const QString input = source         ? *source
        : PhotoOriginals::hasBackup(url) ? PhotoOriginals::backupURL(url)
                                         : url;
    const FloatImage* mark = watermark.isNull() ? nullptr : &watermark;
    // Without a retouch only the part of the photo the canvas shows is decoded.
    if (retouch.isNeutral())
        return PhotoComposer::composeCrop(input, format, zoom, offset, angle, mark);
    const FloatImage image = PhotoReads::retouched(retouch, PhotoReads::photo(input));
    return PhotoComposer::composeCrop(image, format, zoom, offset, angle, mark);
}

} // namespace quavel
