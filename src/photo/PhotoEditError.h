#pragma once

#include "platform/Error.h"

#include <QString>

namespace quavel {

// The errors of the photo edits; message() is the French text the photographer sees.
class PhotoEditError : public Error
{
public:
    enum class Kind {
        unreadablePhoto, // the photo or its original cannot be read or decoded (a damaged file included)
        unreadableWatermark, // the watermark file cannot be read or decoded
        composeFailed, // a canvas or the image made from it cannot be created
        missingWatermark, // a watermark is asked for while none is chosen
        rawNotRewritten, // an in-place edit of a camera RAW photo (a JPEG under a RAW name would be corrupt)
        tooLarge, // the photo has more pixels than one write may decode (PixelBudget)
        watermarkTooLarge, // the same for the watermark file
        outOfMemory, // memory ran out while the photo was being edited
    };

    explicit PhotoEditError(Kind kind);
    // The kinds that name a file (tooLarge, watermarkTooLarge, outOfMemory); pixels for the first two.
    // An empty name stands for "this photo" until naming() gives the photo's.
    PhotoEditError(Kind kind, const QString& fileName, qint64 pixels = 0);

    Kind kind() const noexcept { return m_kind; }
    const QString& fileName() const noexcept { return m_fileName; }
    qint64 pixels() const noexcept { return m_pixels; }

    // The same error naming the edited photo's file, for the kinds that name the photo (tooLarge,
    // outOfMemory) and name none yet: what was read may have been its original or a copy.
    PhotoEditError naming(const QString& photoFileName) const;

    static QString description(Kind kind, const QString& fileName = {}, qint64 pixels = 0);

private:
    Kind m_kind;
    QString m_fileName;
    qint64 m_pixels = 0;
};

} // namespace quavel
