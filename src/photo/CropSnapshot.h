#pragma once

#include "photo/PhotoRetouchSettings.h"
#include "photo/PrintFormat.h"
#include "platform/imaging/FloatImage.h"

#include <QSizeF>
#include <QString>

#include <optional>

namespace quavel {

// Everything the full-size composition of a validated crop needs, as plain values: it runs on a
// worker. The offset is in pixels of the full-size oriented image.
struct CropSnapshot
{
    QString url; // the photo
    double zoom = 1;
    QSizeF offset { 0, 0 };
    double angle = 0;
    PrintFormat format = PrintFormat::a5;
    FloatImage watermark; // drawn across the bottom when not null
    PhotoRetouchSettings retouch;

    // The print canvas of the crop: the photo's original made sure of, then `source` (the session copy;
    // without one the backup, else the photo) read at full size upright, retouched at full quality,
    // cropped, turned by −angle and drawn onto the A5 or A4 canvas on black, the watermark over it.
    // Throws PhotoEditError (unreadable photo, a damaged one included; over the pixel budget; memory
    // running out; failed composition; a foreign original) or the backup's FileError.
    FloatImage composedImage(const std::optional<QString>& source) const;
};

} // namespace quavel
