#pragma once

#include "platform/imaging/FloatPlane.h"

#include <cstddef>

namespace quavel {

// A window onto float samples owned elsewhere (a whole plane, or a tile of a scratch buffer). The
// neighbourhood filters take their edge extension at the view's bounds, which are the image's bounds
// for a whole plane and lie far enough outside the useful part for a tile with a margin.
struct PlaneView
{
    float* data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0; // samples from one row to the next

    float* row(int y) const { return data + std::ptrdiff_t(y) * stride; }

    static PlaneView of(FloatPlane& plane)
    {
        return PlaneView { plane.data(), plane.width(), plane.height(), plane.width() };
    }
    // For reading only: the filters never write through the view of their source.
    static PlaneView reading(const FloatPlane& plane)
    {
        return PlaneView { const_cast<float*>(plane.constData()), plane.width(), plane.height(),
            plane.width() };
    }
};

} // namespace quavel
