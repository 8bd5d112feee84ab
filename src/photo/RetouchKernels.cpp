#include "photo/RetouchKernels.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/PixelMath.h"

#include <algorithm>
#include <cstring>

namespace quavel::PhotoRetoucher::detail {

using namespace PixelMath;

PixelChain::PixelChain(const RetouchPlan& plan, const std::optional<Ends>& ends, const LumaMap* shadowMap,
    const LumaMap* highlightMap)
    : m_plan(plan)
    , m_shadowMap(shadowMap)
    , m_highlightMap(highlightMap)
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
}

void PixelChain::shadowsAndHighlights(int y, int x0, const RgbRow& l, ChainScratch& scratch) const
{
    const int n = l.n;
    scratch.shadowMap.resize(std::size_t(n));
    scratch.highlightMap.resize(std::size_t(n));
    float* sm = scratch.shadowMap.data();
    float* hm = scratch.highlightMap.data();
    // "linearLuma": the stage's map before any blur is the luma of the linear pixel itself.
    auto plainMap = [&](float* out) {
        for (int i = 0; i < n; ++i)
            out[i] = 0.2126f * l.r[i] + 0.7152f * l.g[i] + 0.0722f * l.b[i];
    };
    if (m_shadowMap)
        m_shadowMap->sample(y, x0, n, sm, scratch.mapRow);
    else
        plainMap(sm);
    if (m_plan.sharedMaps)
        hm = sm;
    else if (m_highlightMap)
        m_highlightMap->sample(y, x0, n, hm, scratch.mapRow);
    else
        plainMap(hm);

    // "rangeAdjust".
    const float shadowEV = m_plan.shadowAmount * 1.85f;
    const float highlightEV = m_plan.highlightAmount * 1.85f;
    const float sw = clamp01(m_plan.shadowWidth);
    const float hw = clamp01(m_plan.highlightWidth);
    const float shadowEnd = std::max(mix(0.04f, 0.82f, sw), 0.001f);
    const float highlightStart = std::min(mix(0.96f, 0.18f, hw), 0.999f);
    const float shadowPower = mix(2.6f, 0.72f, sw);
    const float highlightPower = mix(2.6f, 0.72f, hw);
    float* __restrict r = l.r;
    float* __restrict g = l.g;
    float* __restrict b = l.b;
    for (int i = 0; i < n; ++i) {
        const float s = 1.0f - smoothstep(0.0f, shadowEnd, clamp01(sm[i]));
        const float h = smoothstep(highlightStart, 1.0f, clamp01(hm[i]));
        const float ev = shadowEV * powPositive(std::max(s, 0.0f), shadowPower)
            + highlightEV * powPositive(std::max(h, 0.0f), highlightPower);
        const float gain = PixelMath::exp2(ev);
        r[i] *= gain;
        g[i] *= gain;
        b[i] *= gain;
    }
}

void PixelChain::run(const FloatImage& input, int y, int x0, const RgbRow& row, ChainScratch& scratch) const
{
    const int n = row.n;
    float* __restrict r = row.r;
    float* __restrict g = row.g;
    float* __restrict b = row.b;
    std::memcpy(r, input.row(0, y) + x0, std::size_t(n) * sizeof(float));
    std::memcpy(g, input.row(1, y) + x0, std::size_t(n) * sizeof(float));
    std::memcpy(b, input.row(2, y) + x0, std::size_t(n) * sizeof(float));
    if (m_affine) {
        const float scale = m_scale;
        const float offset = m_offset;
        for (float* p : { r, g, b })
            for (int i = 0; i < n; ++i)
                p[i] = p[i] * scale + offset;
    }
    if (m_plan.shadowsHighlights || m_plan.brightness) {
        for (float* p : { r, g, b })
            for (int i = 0; i < n; ++i)
                p[i] = srgbToLinear(p[i]);
        if (m_plan.shadowsHighlights)
            shadowsAndHighlights(y, x0, row, scratch);
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
        for (float* p : { r, g, b })
            for (int i = 0; i < n; ++i)
                p[i] = linearToSrgb(p[i]);
    }
    if (m_curve)
        m_curve->apply(row);
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
    if (m_plan.gamma)
        ColorFilters::gamma(row, m_plan.gammaPower);
}

void unsharpRow(const RgbRow& base, const RgbRow& blurred, float gain, float threshold, const RgbRow& out)
{
    for (int i = 0; i < base.n; ++i) {
        const float dr = base.r[i] - blurred.r[i];
        const float dg = base.g[i] - blurred.g[i];
        const float db = base.b[i] - blurred.b[i];
        const float magnitude = std::max(std::abs(dr), std::max(std::abs(dg), std::abs(db)));
        const float ramp = smoothstep(threshold, threshold + 0.025f, magnitude);
        const float gate = magnitude < threshold ? 0.0f : ramp;
        const float k = gain * gate;
        out.r[i] = clamp01(base.r[i] + dr * k);
        out.g[i] = clamp01(base.g[i] + dg * k);
        out.b[i] = clamp01(base.b[i] + db * k);
    }
}

} // namespace quavel::PhotoRetoucher::detail
