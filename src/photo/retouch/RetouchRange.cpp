#include "photo/retouch/RetouchRange.h"

#include <algorithm>
#include <cmath>

namespace quavel {

double RetouchRange::stepped(double d) const
{
    // std::round rounds halves away from zero.
    double v = step * std::round(d / step);
    v = std::min(std::max(v, lower), upper);
    return v == 0 ? 0.0 : v;
}

double RetouchRange::fraction(double v) const
{
    return std::clamp((v - lower) / (upper - lower), 0.0, 1.0);
}

} // namespace quavel
