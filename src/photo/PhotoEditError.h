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
    };

    explicit PhotoEditError(Kind kind);

    Kind kind() const noexcept { return m_kind; }
    static QString description(Kind kind);

private:
    Kind m_kind;
};

} // namespace quavel
