#include "photo/retouch/RetouchKernels.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quavel::PhotoRetoucher::detail {

using namespace PixelMath;

namespace {

// Small enough that the sampled curves of a rendering stay in the first-level cache together, fine
// enough that interpolation errors stay under 1e-4 (a fortieth of an 8-bit step).
constexpr int kSamples = 2048;

struct RangeAdjust
{
    float shadowEV, highlightEV, shadowEnd, highlightStart, shadowPower, highlightPower;

    explicit RangeAdjust(const RetouchPlan& p)
        : shadowEV(p.shadowAmount * 1.85f)
        , highlightEV(p.highlightAmount * 1.85f)
        , shadowEnd(std::max(mix(0.04f, 0.82f, clamp01(p.shadowWidth)), 0.001f))
        , highlightStart(std::min(mix(0.96f, 0.18f, clamp01(p.highlightWidth)), 0.999f))
        , shadowPower(mix(2.6f, 0.72f, clamp01(p.shadowWidth)))
        , highlightPower(mix(2.6f, 0.72f, clamp01(p.highlightWidth)))
    { }
    // The map values are clamped to [0, 1] by the kernel: the sampled range covers every input.
    double shadowGain(double sl) const
    {
        const float s = 1.0f - smoothstep(0.0f, shadowEnd, clamp01(float(sl)));
        return std::exp2(shadowEV * std::pow(std::max(double(s), 0.0), double(shadowPower)));
    }
    double highlightGain(double hl) const
    {
        const float h = smoothstep(highlightStart, 1.0f, clamp01(float(hl)));
        return std::exp2(highlightEV * std::pow(std::max(double(h), 0.0), double(highlightPower)));
    }
};

} // namespace

void MapSource::sample(int y, int x0, int n, float* out, std::vector<float>& scratch) const
{
    if (reduced)
        reduced->sample(y, x0, n, out, scratch);
    else
        std::memcpy(out, local.row(y - top) + (x0 - left), std::size_t(n) * sizeof(float));
}

PixelChain::PixelChain(const RetouchPlan& plan, const std::optional<Ends>& ends)
    : m_plan(plan)
{
    // "autoContrast": (c − lo) / max(hi − lo, 0.004), then exposure: · 2^EV; together one affine map.
    if (ends) {
        const float span = std::max(ends->hi - ends->lo, 0.004f);
        m_scale = 1 / span;
        m_offset = -ends->lo / span;
        m_affine = true;
    }
    if (plan.exposure != 0) {
        const float gain = std::exp2(plan.exposure);
        m_scale *= gain;
        m_offset *= gain;
        m_affine = true;
    }
    if (plan.curvePoints)
        m_curve.emplace(*plan.curvePoints);
    m_linearStages = plan.shadowsHighlights || plan.brightness;
    const float scale = m_scale;
    const float offset = m_offset;
    if (m_linearStages) {
        m_load = SampledFunction(
            0, 1, kSamples, [=](double c) { return srgbToLinear(float(c) * scale + offset); });
        // Encoding then the curve, which clamps its input: the sampled [0, 1] covers every value.
        if (m_curve)
            m_encode = SampledFunction(
                0, 1, kSamples, [this](double y) { return (*m_curve)(linearToSrgb(float(y))); });
        else
            m_encode = SampledFunction(0, 1, kSamples, [](double y) { return linearToSrgb(float(y)); });
    } else if (m_curve) {
        m_load = SampledFunction(
            0, 1, kSamples, [=, this](double c) { return (*m_curve)(float(c) * scale + offset); });
    }
    // sign(x)·|x|^p from p = 1 up has a bounded slope, so the sampled curve is exact to about the spacing
    // (over [−1, 2], which saturated colours seldom leave); below 1 its slope is infinite at 0 and the
    // formula is kept.
    if (plan.gamma && plan.gammaPower >= 1) {
        const double power = plan.gammaPower;
        m_gamma = SampledFunction(
            -1, 2, 3 * kSamples, [=](double x) { return x < 0 ? -std::pow(-x, power) : std::pow(x, power); });
    }
    if (plan.shadowsHighlights) {
        const RangeAdjust adjust(plan);
        m_shadowGain = SampledFunction(0, 1, kSamples, [=](double v) { return adjust.shadowGain(v); });
        m_highlightGain = SampledFunction(0, 1, kSamples, [=](double v) { return adjust.highlightGain(v); });
    }
}

// Stages 1 and 2, and the linearisation or the curve that follows them.
void PixelChain::load(const float* const in[3], const RgbRow& row) const
{
    const int n = row.n;
    float* out[3] = { row.r, row.g, row.b };
    const float scale = m_scale;
    const float offset = m_offset;
    for (int c = 0; c < 3; ++c) {
        if (!m_load.isNull() && m_load.applyWithin(in[c], out[c], n))
            continue;
        std::memcpy(out[c], in[c], std::size_t(n) * sizeof(float));
        if (m_affine)
            transform(out[c], n, [=](float v) { return v * scale + offset; });
        if (m_linearStages)
            transform(out[c], n, [](float v) { return srgbToLinear(v); });
        else if (m_curve)
            transform(out[c], n, [this](float v) { return (*m_curve)(v); });
    }
}

QUAVEL_VECTOR_CLONES void PixelChain::shadowsAndHighlights(
    int y, int x0, const RgbRow& l, ChainScratch& scratch, const ChainMaps& maps) const
{
    const int n = l.n;
    float* sm = quavel::scratch(scratch.shadowMap, std::size_t(n));
    float* hm = quavel::scratch(scratch.highlightMap, std::size_t(n));
    // "linearLuma": the stage's map before any blur is the luma of the linear pixel itself.
    auto plainMap = [&](float* out) {
        for (int i = 0; i < n; ++i)
            out[i] = 0.2126f * l.r[i] + 0.7152f * l.g[i] + 0.0722f * l.b[i];
    };
    if (maps.shadow.isBlurred())
        maps.shadow.sample(y, x0, n, sm, scratch.mapRow);
    else
        plainMap(sm);
    const bool highlights = m_plan.highlightAmount != 0;
    if (highlights) {
        if (m_plan.sharedMaps)
            std::memcpy(hm, sm, std::size_t(n) * sizeof(float));
        else if (maps.highlight.isBlurred())
            maps.highlight.sample(y, x0, n, hm, scratch.mapRow);
        else
            plainMap(hm);
    }
    // "rangeAdjust": gain = 2^(shadowEV · sm + highlightEV · hm), the product of the two sampled gains.
    m_shadowGain.apply(sm, n);
    if (highlights) {
        m_highlightGain.apply(hm, n);
        for (int i = 0; i < n; ++i)
            sm[i] *= hm[i];
    }
    float* __restrict r = l.r;
    float* __restrict g = l.g;
    float* __restrict b = l.b;
    for (int i = 0; i < n; ++i) {
        r[i] *= sm[i];
        g[i] *= sm[i];
        b[i] *= sm[i];
    }
}

namespace {

// In place: the sampled curve where the row lies in its range, the formula itself where it does not.
template <typename Exact> void sampledOrExact(float* p, int n, const SampledFunction& sampled, Exact exact)
{
    thread_local std::vector<float> copyRow;
    float* const from = scratch(copyRow, std::size_t(n));
    std::memcpy(from, p, std::size_t(n) * sizeof(float));
    if (sampled.applyWithin(from, p, n))
        return;
    for (int i = 0; i < n; ++i)
        p[i] = exact(from[i]);
}

} // namespace

void PixelChain::encode(const RgbRow& row) const
{
    for (float* p : { row.r, row.g, row.b }) {
        if (m_curve)
            m_encode.apply(p, row.n); // the curve clamps its input: [0, 1] covers every value
        else
            sampledOrExact(p, row.n, m_encode, [](float v) { return linearToSrgb(v); });
    }
}

QUAVEL_VECTOR_CLONES void PixelChain::run(const float* const in[3], int y, int x0, const RgbRow& row,
    ChainScratch& scratch, const ChainMaps& maps) const
{
    const int n = row.n;
    float* __restrict r = row.r;
    float* __restrict g = row.g;
    float* __restrict b = row.b;
    load(in, row);
    if (m_linearStages) {
        if (m_plan.shadowsHighlights)
            shadowsAndHighlights(y, x0, row, scratch, maps);
        if (m_plan.brightness) {
            // "brightnessAdjust": mid-tones move most.
            const float amount = m_plan.brightnessAmount;
            for (int i = 0; i < n; ++i) {
                const float luma = 0.2126f * r[i] + 0.7152f * g[i] + 0.0722f * b[i];
                const float mid = 4.0f * luma * (1.0f - luma);
                const float gain = PixelMath::exp2(amount * (0.38f + 0.82f * mid));
                r[i] *= gain;
                g[i] *= gain;
                b[i] *= gain;
            }
        }
        encode(row);
    }
    if (m_plan.vibrance)
        ColorFilters::vibrance(row, m_plan.vibranceAmount);
    if (m_plan.saturation) {
        const float s = m_plan.saturationFactor;
        for (int i = 0; i < n; ++i) {
            const float luma
                = ColorFilters::kLumaR * r[i] + ColorFilters::kLumaG * g[i] + ColorFilters::kLumaB * b[i];
            r[i] = mix(luma, r[i], s);
            g[i] = mix(luma, g[i], s);
            b[i] = mix(luma, b[i], s);
        }
    }
    if (m_plan.gamma) {
        if (m_gamma.isNull()) {
            ColorFilters::gamma(row, m_plan.gammaPower);
        } else {
            const float power = m_plan.gammaPower;
            for (float* p : { r, g, b })
                sampledOrExact(p, n, m_gamma, [power](float v) { return powSigned(v, power); });
        }
    }
}

namespace {

// Restrict parameters, not locals: GCC only trusts them there, and nine pointers are too many for it to
// check at run time.
inline void unsharpSamples(const float* __restrict br, const float* __restrict bg, const float* __restrict bb,
    const float* __restrict sr, const float* __restrict sg, const float* __restrict sb,
    float* __restrict outR, float* __restrict outG, float* __restrict outB, int n, float gain,
    float threshold)
{
    for (int i = 0; i < n; ++i) {
        const float dr = br[i] - sr[i];
        const float dg = bg[i] - sg[i];
        const float db = bb[i] - sb[i];
        const float magnitude = std::max(std::abs(dr), std::max(std::abs(dg), std::abs(db)));
        const float ramp = smoothstep(threshold, threshold + 0.025f, magnitude);
        const float gate = magnitude < threshold ? 0.0f : ramp;
        const float k = gain * gate;
        outR[i] = clamp01(br[i] + dr * k);
        outG[i] = clamp01(bg[i] + dg * k);
        outB[i] = clamp01(bb[i] + db * k);
    }
}

} // namespace

QUAVEL_VECTOR_CLONES void unsharpRow(
    const RgbRow& base, const RgbRow& blurred, float gain, float threshold, const RgbRow& out)
{
    unsharpSamples(base.r, base.g, base.b, blurred.r, blurred.g, blurred.b, out.r, out.g, out.b, base.n, gain,
        threshold);
}

QUAVEL_VECTOR_CLONES void clampRow(const RgbRow& row)
{
    for (float* p : { row.r, row.g, row.b })
        transform(p, row.n, [](float v) { return clamp01(v); });
}

} // namespace quavel::PhotoRetoucher::detail
