#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/PlaneView.h"

namespace quavel::NoiseReduction {

// Luma noise reduction: each pixel's luma (0.2126 / 0.7152 / 0.0722 of its encoded values) becomes the
// mean of the lumas within noiseLevel of it in its 5 × 5 neighbourhood, then that smoothed luma is
// sharpened by an unsharp mask of strength sharpness against its own 3 × 3 mean; the change of luma is
// added to the three channels, so colours keep their hue and edges beyond the noise level stay.
// Neighbourhoods are edge-extended at the views' bounds.

// How far a pixel's result reaches: the margin a tile needs.
constexpr int kReach = 3;

// in and out are three colour views of one size (out may be in itself).
void apply(const PlaneView in[3], const PlaneView out[3], float noiseLevel, float sharpness, bool parallel);

FloatImage apply(const FloatImage& image, double noiseLevel, double sharpness);

} // namespace quavel::NoiseReduction
