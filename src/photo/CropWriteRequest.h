#pragma once

#include "photo/CropEditState.h"
#include "platform/imaging/FloatImage.h"

#include <QString>

namespace quavel {

// One write of the crop editor, captured from the model at the moment it was asked for, so that it can
// run later on a worker whatever the model has become meanwhile (closed, on another photo).
struct CropWriteRequest
{
    QString photo;
    QString sessionCopy;
    // The look written: the geometry, format and watermark flag of the validated state when there is
    // one, else of the current state, with the current retouch; the offset in pixels of the full-size
    // photo. Not validated: the retouched (or untouched) full-size original.
    CropEditState look;
    // Drawn across the bottom when the look includes the watermark and this is not null.
    FloatImage watermark;
};

} // namespace quavel
