#pragma once

namespace quavel {

// The values one retouch control may hold: a closed range and a step. Every value a control writes is a
// multiple of the step counted from 0, then clamped to the range.
struct RetouchRange
{
    double lower = 0;
    double upper = 1;
    double step = 1;

    // d rounded to the nearest multiple of the step (halves away from zero), then clamped; ±infinity
    // clamps to the bound. A stepped zero is always +0, so "-0,01" never comes back as "-0,0".
    double stepped(double d) const;
    // Where v lies between the bounds, 0 … 1 (values outside the range sit at the nearer end).
    double fraction(double v) const;
    double span() const { return upper - lower; }
    bool straddlesZero() const { return lower < 0 && 0 < upper; }

    bool operator==(const RetouchRange&) const = default;
};

} // namespace quavel
