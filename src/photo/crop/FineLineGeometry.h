#pragma once

#include "photo/retouch/RetouchRange.h"

#include <optional>

namespace quavel {

// Where the parts of a fine-line slider lie across its width: the knob's centre runs from knob / 2 to
// width − knob / 2, the fill runs from the origin value to the value.
struct FineLineGeometry
{
    RetouchRange range;
    // Where the fill starts; absent: 0 when the range straddles zero, else the lower bound.
    std::optional<double> origin;
    double knob = 12;
    double width = 96;

    double usable() const;
    // The x of the knob's centre for a value (a value outside the range sits at the nearer end).
    double x(double value) const;
    double originValue() const;
    // The origin tick is drawn only for an explicit origin or a range around zero.
    bool showsOriginTick() const;
};

} // namespace quavel
