#pragma once

#include "photo/CropSnapshot.h"
#include "photo/PhotoRetouchSettings.h"

#include <QString>

namespace quavel {

// One write of the crop editor, captured from the model at the moment it was asked for, so that it can
// run later on a worker whatever the model has become meanwhile (closed, on another photo).
struct CropWriteRequest
{
    QString photo;
    QString sessionCopy;
    // Validated: the composed canvas; else the retouched (or untouched) full-size original.
    bool validated = false;
    CropSnapshot snapshot;
    PhotoRetouchSettings retouch;
};

} // namespace quavel
