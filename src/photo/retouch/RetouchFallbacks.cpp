#include "photo/retouch/RetouchPasses.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/NoiseReduction.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/UnsharpMask.h"

namespace quavel::PhotoRetoucher::detail {

namespace {

FloatImage clamped(const FloatImage& image)
{
    return ColorFilters::mapRgb(image, [](const RgbRow& row) {
        for (float* p : { row.r, row.g, row.b })
            PixelMath::transform(p, row.n, [](float v) { return PixelMath::clamp01(v); });
    });
}

} // namespace

FloatImage renderWithFallbacks(const FloatImage& input, const RetouchPlan& plan)
{
    FloatImage image = input;
    // Automatic contrast has no fallback: without its kernel it is skipped.
    if (plan.exposure != 0)
        image = ColorFilters::exposure(image, plan.exposure);
    if (plan.shadowsHighlights) {
        if (plan.shadowAmount != 0)
            image = blendExposure(image, plan.shadowAmount * 1.75f, true);
        if (plan.highlightAmount != 0)
            image = blendExposure(image, plan.highlightAmount * 1.75f, false);
    }
    if (plan.brightness)
        image = ColorFilters::colorControls(image, 1, plan.brightnessAmount * 0.35, 1);
    if (plan.curvePoints)
        image = ToneCurve(*plan.curvePoints).apply(image);
    if (plan.vibrance)
        image = ColorFilters::vibrance(image, plan.vibranceAmount);
    if (plan.saturation)
        image = ColorFilters::colorControls(image, plan.saturationFactor, 0, 1);
    if (plan.gamma)
        image = ColorFilters::gamma(image, plan.gammaPower);
    if (plan.sharpen) {
        if (plan.noiseReduction)
            image = NoiseReduction::apply(image, plan.noiseLevel, plan.noiseSharpness);
        if (plan.unsharp)
            image = UnsharpMask::apply(image, plan.radius, plan.gain);
    }
    return clamped(image);
}

} // namespace quavel::PhotoRetoucher::detail
