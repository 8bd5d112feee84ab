#pragma once

#include "photo/RetouchMaps.h"
#include "photo/RetouchPlan.h"
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

// Stages 1 to 8 (automatic contrast to gamma) with the kernels "autoContrast", "linearLuma",
// "rangeAdjust" and "brightnessAdjust" fused: a pixel is linearised once for both linear-light kernels
// and encoded once after them (enc and lin being exact inverses, nothing changes by it). The curves of
// one value (automatic contrast and exposure then linearisation, the shadow and highlight gains of a
// map value, encoding then the contrast curve) are sampled once per rendering; a row whose values lie
// outside a sampled range takes the formulas themselves.
class PixelChain
{
public:
    PixelChain(const RetouchPlan& plan, const std::optional<Ends>& ends, const LumaMap* shadowMap,
        const LumaMap* highlightMap);

    // Columns [x0, x0 + row.n) of row y of the input, into row.
    void run(const FloatImage& input, int y, int x0, const RgbRow& row, ChainScratch& scratch) const;

private:
    void load(const FloatImage& input, int y, int x0, const RgbRow& row) const;
    void shadowsAndHighlights(int y, int x0, const RgbRow& linear, ChainScratch& scratch) const;
    void encode(const RgbRow& row) const;

    const RetouchPlan& m_plan;
    bool m_affine = false;
    bool m_linearStages = false; // shadows and highlights, or brightness
    float m_scale = 1;
    float m_offset = 0;
    const LumaMap* m_shadowMap; // null: the plain map
    const LumaMap* m_highlightMap;
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
