#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/PlaneView.h"

namespace quavel::GaussianBlur {

// The gaussian blur of the edge-extended plane (samples beyond the view's bounds repeat the nearest edge
// sample), in time independent of sigma: small sigmas use the sampled kernel itself, larger ones five
// passes of an extended box (a box with fractional end weights) whose combined variance is exactly
// sigma². Largest difference from the direct convolution: about 0.006 on a 0/1 step, 0.009 at the
// corner of a 0/1 rectangle.
// src and dst have one size and do not overlap. parallel spreads the rows over the RowPool; a tile of a
// larger job, already running in parallel with its neighbours, passes false.
void blur(const PlaneView& src, const PlaneView& dst, double sigma, bool parallel);

// How many samples away a sample still reaches: the margin a tile needs around its useful part.
int reach(double sigma);

FloatPlane blurred(const FloatPlane& plane, double sigma);

// Every plane, alpha included; the profile is kept.
FloatImage blurred(const FloatImage& image, double sigma);

} // namespace quavel::GaussianBlur
