#pragma once

#include "photo/CropHandle.h"

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace quavel {

// The drag in progress on the crop canvas, held by the crop editor model: what it grabbed and where
// things stood when it began. Every step of the drag is computed from these and the total translation,
// never from the previous step.
struct CropDrag
{
    // Absent while idle, and for a drag that began on no handle.
    std::optional<CropHandle> handle;
    QSizeF startOffset { 0, 0 };
    // The crop in image space when the drag began.
    QRectF startCrop { 0, 0, 0, 0 };
    double startAngle = 0;
    // Pointer minus crop centre when the drag began, in canvas points.
    QSizeF startVector { 0, 0 };
};

} // namespace quavel
