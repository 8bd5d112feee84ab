#pragma once

#include "photo/retouch/RetouchMaps.h"
#include "photo/retouch/RetouchPlan.h"
#include "platform/imaging/PlaneView.h"
#include "platform/imaging/RgbRow.h"
#include "platform/imaging/SampledFunction.h"

#include <optional>
#include <vector>

// Internal to the retoucher: its per-pixel stages chained over one row.
namespace quavel::PhotoRetoucher::detail {

// Working rows a chain needs besides the three colour rows.
struct ChainScratch
{
    std::vector<float> shadowMap, highlightMap, mapRow;
};

// Where a chain reads one blurred map of the shadows and highlights stage for its rows: a reduced map of
// the whole image, or a tile's own full-resolution map (its view lies at column left, row top of the
// image). Neither: the map is the plain one, each pixel's own luma.
struct MapSource
{
    const LumaMap* reduced = nullptr;
    PlaneView local;
    int left = 0;
    int top = 0;

    bool isBlurred() const { return reduced || local.data; }
    // The map's values at columns [x0, x0 + n) of row y.
    void sample(int y, int x0, int n, float* out, std::vector<float>& scratch) const;
};

struct ChainMaps
{
    MapSource shadow;
    MapSource highlight;
};

// Stages 1 to 8 (automatic contrast to gamma) with the kernels "autoContrast", "linearLuma",
// "rangeAdjust" and "brightnessAdjust" fused: a pixel is linearised once for both linear-light kernels
// and encoded once after them (enc and lin being exact inverses, nothing changes by it). The curves of
// one value (automatic contrast and exposure then linearisation, the shadow and highlight gains of a
// map value, encoding then the contrast curve) are sampled once per rendering; a row whose values lie
// outside a sampled range takes the formulas themselves.
class PixelChain
{
public:
    PixelChain(const RetouchPlan& plan, const std::optional<Ends>& ends);

    // Columns [x0, x0 + row.n) of row y of the input, whose colour samples are in[0..2] (at column x0;
    // they do not overlap row), into row, with the maps of those rows.
    void run(const float* const in[3], int y, int x0, const RgbRow& row, ChainScratch& scratch,
        const ChainMaps& maps) const;

    // What the stages before the first linear or curve stage do to a channel value: c · scale + offset.
    float scale() const { return m_scale; }
    float offset() const { return m_offset; }

private:
    void load(const float* const in[3], const RgbRow& row) const;
    void shadowsAndHighlights(
        int y, int x0, const RgbRow& linear, ChainScratch& scratch, const ChainMaps& maps) const;
    void encode(const RgbRow& row) const;

    const RetouchPlan& m_plan;
    bool m_affine = false;
    bool m_linearStages = false; // shadows and highlights, or brightness
    float m_scale = 1;
    float m_offset = 0;
    std::optional<ToneCurve> m_curve;
    SampledFunction m_load; // input value to what the first linear or curve stage gives
    SampledFunction m_shadowGain; // map value to 2^(shadow EV × mask)
    SampledFunction m_highlightGain;
    SampledFunction m_encode; // linear value to the encoded value (then the contrast curve, if any)
    SampledFunction m_gamma; // for a power of 1 or more
};

// The "unsharpMask" kernel over n pixels: delta = base − blurred; the largest channel delta gates it
// (0 below threshold, then a smoothstep over 0.025); result = base + delta · gain · gate, clamped to
// [0, 1] as the final rendering does.
void unsharpRow(const RgbRow& base, const RgbRow& blurred, float gain, float threshold, const RgbRow& out);

// Colour values clamped to [0, 1], as the final 8-bit rendering does.
void clampRow(const RgbRow& row);

} // namespace quavel::PhotoRetoucher::detail
