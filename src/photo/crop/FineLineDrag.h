#pragma once

#include "photo/crop/FineLineGeometry.h"

#include <optional>

namespace quavel {

// One press-and-drag on a fine-line slider. The first event of a press jumps the value to the pointer
// when the press is off the knob (more than 0.85 knob from its centre); from then on the value follows
// the pointer's movement since the press, so grabbing the knob off-centre never makes it jump. Every
// step is computed from the press, never from the previous step, so rounding does not add up.
struct FineLineDrag
{
    std::optional<double> originValue;
    std::optional<double> originX;

    bool isDragging() const { return originValue.has_value(); }
    // The slider's new value for a pointer at x, given its current value.
    double update(const FineLineGeometry& geometry, double value, double x);
    void end();
};

} // namespace quavel
