#pragma once

#include "photo/retouch/RetouchPlan.h"

// Internal to the retoucher: the two ways a rendering is made.
namespace quavel::PhotoRetoucher::detail {

// Every stage in one pass over rows or tiles: the per-pixel stages (with the custom kernels) are chained
// on each row while it is in cache, the shadow and highlight maps are blurred beforehand at a reduced
// resolution when their blur is wide and by each tile over its own neighbourhood when it is narrow, and
// sharpening works on each tile with a margin, so no full-size intermediate image is ever made. ends: the
// black and white points when automatic contrast runs.
FloatImage renderFused(
    const FloatImage& image, const RetouchPlan& plan, const std::optional<Ends>& ends, Report* report);

// The same rendering of an image handed over, never holding much more than one full-size image: with
// per-pixel stages only, written into the image's own colour planes (those it shares with another holder
// are copied first); with stages that read neighbours, into new planes while the memory of the input
// rows no tile will read again is given back. Alpha and profile are kept.
FloatImage renderFusedInPlace(
    FloatImage image, const RetouchPlan& plan, const std::optional<Ends>& ends, Report* report);

// The stages as separate filters, the custom kernels replaced by their fallbacks: automatic contrast
// skipped, shadows and highlights by masked exposures, brightness by the colour controls and the
// sharpening kernel by the plain unsharp mask.
FloatImage renderWithFallbacks(const FloatImage& image, const RetouchPlan& plan);

// The luma map of the shadows and highlights stage blurred at sigma, sampled back at every pixel, as
// renderFused uses it (for checking it against the blur of the full map). scale and offset: the stages
// before it (automatic contrast and exposure) as c · scale + offset.
FloatPlane blurredLumaMap(const FloatImage& image, float scale, float offset, double sigma);

} // namespace quavel::PhotoRetoucher::detail
