#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/PlaneView.h"

namespace quavel::DiscBlur {

// The mean over a uniform disc: the pixels whose offset (dx, dy) has dx² + dy² ≤ radius², edge-extended
// at the view's bounds; per-row prefix sums make each pixel cost one difference per disc row. A disc
// smaller than a pixel (radius below 1) weighs the pixels by the area of them it covers, a 3 × 3 kernel;
// up to a radius of 0.5 it lies inside its own pixel and the plane is copied. src and dst have one size
// and do not overlap.
void blur(const PlaneView& src, const PlaneView& dst, double radius, bool parallel);

// How far a pixel's result reaches: the margin a tile needs.
int reach(double radius);

// The colour planes; alpha and profile are kept.
FloatImage blurred(const FloatImage& image, double radius);

} // namespace quavel::DiscBlur
