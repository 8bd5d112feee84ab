#pragma once

#include "platform/Error.h"

namespace quavel {

// The errors of the photo edits; message() is the French text the photographer sees.
class PhotoEditError : public Error
{
public:
    enum class Kind {
        unreadablePhoto, // the photo or its original cannot be read or decoded
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
    };

    explicit PhotoEditError(Kind kind);
    // photoName: the photo's file name; detail: the file system's French text (journalNotSaved).
    PhotoEditError(Kind kind, const QString& photoName, const QString& detail = {});

    Kind kind() const noexcept { return m_kind; }
    static QString description(Kind kind, const QString& photoName = {}, const QString& detail = {});

private:
    Kind m_kind;
};

} // namespace quavel
