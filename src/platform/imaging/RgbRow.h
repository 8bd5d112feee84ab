#pragma once

namespace quavel {

// n samples of the three colour planes, worked on in place: the row form of the per-pixel filters, which
// the retoucher chains over one row while it is in cache instead of making an image per filter.
struct RgbRow
{
    float* r;
    float* g;
    float* b;
    int n;
};

} // namespace quavel
