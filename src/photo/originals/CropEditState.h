#pragma once

#include "photo/print/PrintFormat.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <QSizeF>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One crop and look state of a photo, as edit journals store it.
struct CropEditState
{
    PrintFormat format = PrintFormat::a5;
    // The bottom watermark belongs to the photo's look.
    bool includeWatermark = false;
    // 1 = the largest crop of the format's aspect inside the image, 2 = half as wide; rendered with a
    // floor of 0.2.
    double zoom = 1.0;
    // Shift of the crop centre from the image centre, in pixels of the oriented image, y downwards.
    QSizeF offset { 0, 0 };
    // Rotation of the photo under the crop, in degrees.
    double angle = 0;
    PhotoRetouchSettings retouch;
    // Only a validated crop cuts the photo to the sheet.
    bool cropValidated = false;

    // Every key, always; "offset" as [width, height].
    nlohmann::json toJson() const;
    // Every key required; "format" only "a5" or "a4"; the retouch read by its own lenient rules. Throws
    // QuavelJSON::DecodingError otherwise.
    static CropEditState fromJson(const nlohmann::json& json);

    // Exact on every field (QSizeF's own comparison is fuzzy).
    bool operator==(const CropEditState& other) const;
};

} // namespace quavel
