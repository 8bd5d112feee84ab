#pragma once

#include "platform/imaging/FloatImage.h"

#include <QRect>

#include <cstddef>
#include <functional>

namespace quavel::Resample {

// Lanczos-3 resampling to the given size (each axis scaled on its own; downscaling widens the kernel,
// so it also filters). Samples beyond the edges repeat the edge. Colour is resampled premultiplied by
// alpha, so transparent pixels lend no colour to their neighbours. A null image or size gives a null image.
// The work goes in bands of output rows, each with working rows of its own: besides the result, the
// memory it takes grows with the widths, never with the whole picture.
FloatImage lanczos3(const FloatImage& image, int width, int height);

// The same by one factor on both axes: the size is the scaled size rounded, at least 1 × 1.
FloatImage lanczos3(const FloatImage& image, double scale);

// The part of the image inside region (clipped to the image) resampled to width × height: what lanczos3
// of a copy of that part gives, without the copy (the part's edges repeat, as a copy's would). Null when
// the region misses the image.
FloatImage lanczos3(const FloatImage& image, const QRect& region, int width, int height);

// Output rows [top, top + height) of a resampling, handed over while the next ones are being made.
struct Band
{
    int top = 0;
    int height = 0;
    int width = 0;
    const float* planes[4] = {}; // row top of red, green, blue and (with alpha) alpha; null without
    std::ptrdiff_t stride = 0; // samples from one row to the next

    const float* row(int channel, int y) const { return planes[channel] + std::ptrdiff_t(y - top) * stride; }
};

// lanczos3(image, width, height) given to sink band after band instead of being made whole: each band
// is valid only during its call. Bands come from several threads at once, in no set order, and together
// cover every row once; the sink of one band must not touch what another band's does.
void lanczos3Bands(
    const FloatImage& image, int width, int height, const std::function<void(const Band& band)>& sink);

// The area average of a copy scaled by scale ≤ 1: each output pixel is the mean of the input area it
// covers. The size is the scaled extent rounded up, the last row and column covering what is left.
FloatImage areaDownscale(const FloatImage& image, double scale);

} // namespace quavel::Resample
