#include "photo/RetouchPasses.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/NoiseReduction.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/UnsharpMask.h"

namespace quavel::PhotoRetoucher::detail {

namespace {

FloatImage clamped(const FloatImage& image)
{
    const int w = image.width();
    const int h = image.height();
    FloatPlane out[3] = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h) };
    float* planes[3] = { out[0].data(), out[1].data(), out[2].data() };
    RowPool::run(h, [&](int y0, int y1) {
        for (int c = 0; c < 3; ++c) {
            const float* in = image.plane(c).constData();
            for (std::size_t i = std::size_t(y0) * w; i < std::size_t(y1) * w; ++i)
                planes[c][i] = PixelMath::clamp01(in[i]);
        }
    });
    return FloatImage(out[0], out[1], out[2], image.plane(FloatImage::Alpha), image.iccProfile());
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
