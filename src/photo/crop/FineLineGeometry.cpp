#include "photo/crop/FineLineGeometry.h"

#include <algorithm>

namespace quavel {

double FineLineGeometry::usable() const
{
    return std::max(width - knob, 1.0);
}

double FineLineGeometry::x(double value) const
{
    return knob / 2 + usable() * range.fraction(value);
}

double FineLineGeometry::originValue() const
{
    if (origin)
        return *origin;
    return range.straddlesZero() ? 0.0 : range.lower;
}

bool FineLineGeometry::showsOriginTick() const
{
    return origin.has_value() || range.straddlesZero();
}

} // namespace quavel
