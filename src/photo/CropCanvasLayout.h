#pragma once

#include <QRectF>

namespace quavel {

// Where the unrotated image and the crop lie on the crop canvas, in canvas points (origin top-left,
// y downwards), and how many points one image pixel takes (the same on both axes).
struct CropCanvasLayout
{
    QRectF image;
    QRectF crop;
    double scale = 1;

    bool operator==(const CropCanvasLayout&) const = default;
};

} // namespace quavel
