#include "photo/CropSnapshot.h"

#include "photo/PhotoComposer.h"
#include "photo/PhotoOriginals.h"
#include "photo/PhotoReads.h"

namespace quavel {

FloatImage CropSnapshot::composedImage(const std::optional<QString>& source) const
{
    PhotoOriginals::ensureBackup(url);
    // Without a session copy, the original read without following a link.
    std::optional<PhotoOriginals::Source> opened;
    if (!source)
        opened.emplace(PhotoOriginals::openSource(url));
    const QString input = source ? *source : opened->path();
    const FloatImage* mark = watermark.isNull() ? nullptr : &watermark;
    // Without a retouch only the part of the photo the canvas shows is decoded.
    if (retouch.isNeutral())
        return PhotoComposer::composeCrop(input, format, zoom, offset, angle, mark);
    const FloatImage image = PhotoReads::retouched(retouch, PhotoReads::photo(input));
    return PhotoComposer::composeCrop(image, format, zoom, offset, angle, mark);
}

} // namespace quavel
