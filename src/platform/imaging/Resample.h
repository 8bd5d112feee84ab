#pragma once

#include "platform/imaging/FloatImage.h"

namespace quavel::Resample {

// Lanczos-3 resampling to the given size (each axis scaled on its own; downscaling widens the kernel,
// so it also filters). Samples beyond the edges repeat the edge. Colour is resampled premultiplied by
// alpha, so transparent pixels lend no colour to their neighbours. A null image or size gives a null image.
FloatImage lanczos3(const FloatImage& image, int width, int height);

// The same by one factor on both axes: the size is the scaled size rounded, at least 1 × 1.
FloatImage lanczos3(const FloatImage& image, double scale);

// The area average of a copy scaled by scale ≤ 1: each output pixel is the mean of the input area it
// covers. The size is the scaled extent rounded up, the last row and column covering what is left.
FloatImage areaDownscale(const FloatImage& image, double scale);

} // namespace quavel::Resample
