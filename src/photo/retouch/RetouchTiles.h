#pragma once

#include "photo/retouch/RetouchKernels.h"
#include "photo/retouch/RetouchPlan.h"

#include <functional>
#include <optional>

// Internal to the retoucher: how the fused stages go over the pixels, row by row or tile by tile, into
// new planes or into the input's own.
namespace quavel::PhotoRetoucher::detail {

// The colour planes a rendering reads and those it writes, all width × height, rows packed; the same
// ones when it renders in place (row by row only).
struct Pixels
{
    const float* in[3] = {};
    float* out[3] = {};
    int width = 0;
    int height = 0;
    // Called, when set, as soon as rows [0, rows) of the input will never be read again by the
    // rendering (rows grows from call to call); from any of its threads, one call at a time.
    std::function<void(int rows)> consumed;

    bool inPlace() const { return in[0] == out[0]; }
};

// Everything a rendering reads besides its pixels.
struct Render
{
    const RetouchPlan& plan;
    const PixelChain& chain;
    // Maps blurred over a reduction, made for the whole image beforehand (reduced null: none).
    ChainMaps wholeImage;
    // Sigmas of the maps each tile blurs itself at full resolution.
    std::optional<double> localShadowSigma;
    std::optional<double> localHighlightSigma;
    SampledFunction linear; // linearLoad of the chain's scale and offset, for those maps

    bool needsNeighbours() const { return plan.sharpen || localShadowSigma || localHighlightSigma; }
};

// The per-pixel stages only: each row from its own input row. In place, a row is copied aside before it
// is written over.
void renderRows(const Render& render, const Pixels& pixels);

// Stages that read neighbours (the tiles' own maps, sharpening): the image is cut into tiles, each
// rendered with a margin wide enough that its useful part is exactly what the whole image would give,
// into other planes than the input (a tile reads what its neighbours write over).
void renderTiles(const Render& render, const Pixels& pixels);

// The map of a narrow blur at sigma as the tiles make it (c · scale + offset before linearisation),
// sampled back at every pixel: for checking it against the blur of the whole map.
FloatPlane tiledLumaMap(const FloatImage& image, float scale, float offset, double sigma);

} // namespace quavel::PhotoRetoucher::detail
