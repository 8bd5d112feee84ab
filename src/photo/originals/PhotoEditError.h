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
        // The kinds below name the photo: they stop one photo of a batch, and the batch shows only the
        // last failure.
        foreignOriginal, // a link or a file that is not a regular one stands as the photo's original
        foreignOriginalsFolder, // ".quavel-originals" is a link or not a folder
        foreignJournal, // a link or a file that is not a regular one stands as the photo's journal
        nameTooLong, // the journal's name would pass the 255 bytes a file name can have
        journalNotSaved, // the journal could not be written (the detail says why)
        journalNotSetAside, // an unreadable journal could not be moved out of the way of the new one
        tooLarge, // the photo has more pixels than one write may decode (PixelBudget), or its decoder would
                  // hold more memory than the decode may (DecodeMemory)
        watermarkTooLarge, // the same for the watermark file
        outOfMemory, // memory ran out while the photo was being edited
    };

    explicit PhotoEditError(Kind kind);
    // The kinds that name a file; pixels for tooLarge and watermarkTooLarge, with the most pixels the
    // budgets allow a file of its kind (PixelBudget::kMaxPixels when 0). An empty name stands for "this
    // photo" until naming() gives the photo's. A name that is not UTF-8 is shown as the listing shows it.
    PhotoEditError(Kind kind, const QString& fileName, qint64 pixels = 0, qint64 limit = 0);
    // detail: the file system's French text (journalNotSaved).
    PhotoEditError(Kind kind, const QString& fileName, const QString& detail);

    Kind kind() const noexcept { return m_kind; }
    const QString& fileName() const noexcept { return m_fileName; }
    qint64 pixels() const noexcept { return m_pixels; }
    qint64 limit() const noexcept { return m_limit; }

    // The same error naming the edited photo's file, for the kinds that name the photo (tooLarge,
    // outOfMemory) and name none yet: what was read may have been its original or a copy.
    PhotoEditError naming(const QString& photoFileName) const;

    static QString description(Kind kind, const QString& fileName = {}, qint64 pixels = 0,
        const QString& detail = {}, qint64 limit = 0);

private:
    Kind m_kind;
    QString m_fileName;
    qint64 m_pixels = 0;
    qint64 m_limit = 0;
};

} // namespace quavel
