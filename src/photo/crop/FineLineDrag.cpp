#include "photo/crop/FineLineDrag.h"

#include <algorithm>
#include <cmath>

namespace quavel {

double FineLineDrag::update(const FineLineGeometry& g, double value, double x)
{
    const RetouchRange& r = g.range;
    const double usable = g.usable();
    if (!originValue) {
        if (std::fabs(x - g.x(value)) > 0.85 * g.knob) {
            const double f = std::clamp((x - g.knob / 2) / usable, 0.0, 1.0);
            value = r.stepped(r.lower + r.span() * f);
        }
        originValue = value;
        originX = x;
        return value;
    }
    const double ox = originX.value_or(x);
    return r.stepped(r.span() * (x - ox) / usable + *originValue);
}

void FineLineDrag::end()
{
    originValue.reset();
    originX.reset();
}

} // namespace quavel
