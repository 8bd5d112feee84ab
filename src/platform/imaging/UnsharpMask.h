#pragma once

#include "platform/imaging/FloatImage.h"

namespace quavel::UnsharpMask {

// base + (base − the gaussian blur of the edge-extended base at sigma radius) · intensity, on the
// colour channels; alpha and profile are kept.
FloatImage apply(const FloatImage& image, double radius, double intensity);

} // namespace quavel::UnsharpMask
