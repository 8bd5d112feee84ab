#include "photo/retouch/RetouchPlan.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/GaussianBlur.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/Resample.h"
#include "platform/imaging/RowPool.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace quavel::PhotoRetoucher::detail {

namespace {

float clampUnit(double v)
{
    return float(std::clamp(v, -1.0, 1.0));
}

// Back to linear light from a histogram fraction.
float toLinear(float x)
{
    if (x <= 0)
        return 0;
    if (x <= 0.04045f)
        return x / 12.92f;
    return float(std::pow((double(x) + 0.055) / 1.055, 2.4));
}

// The copy rendered in linear light, negatives raised to 0, its luma encoded again: the value the
// histogram counts.
QUAVEL_VECTOR_CLONES void histogramValues(const float* __restrict r, const float* __restrict g,
    const float* __restrict b, float* __restrict out, int n)
{
    for (int x = 0; x < n; ++x) {
        const float lr = std::max(0.0f, PixelMath::srgbToLinear(r[x]));
        const float lg = std::max(0.0f, PixelMath::srgbToLinear(g[x]));
        const float lb = std::max(0.0f, PixelMath::srgbToLinear(b[x]));
        const float luma = 0.2126f * lr + 0.7152f * lg + 0.0722f * lb;
        out[x] = PixelMath::linearToSrgb(std::max(0.0f, luma));
    }
}

} // namespace

std::optional<double> maskSigma(double radius, int maxSide, Quality quality)
{
    if (!(radius > 0.25))
        return std::nullopt;
    const double cap = quality == Quality::Full ? 160 : 72;
    return std::clamp(radius * 0.5 * maxSide / 3000, 0.18, cap);
}

RetouchPlan plan(const PhotoRetouchSettings& s, QSize size, Quality quality)
{
    RetouchPlan p;
    p.maxSide = std::max(size.width(), size.height());
    const bool full = quality == Quality::Full;

    p.autoContrast = s.autoContrast;
    p.exposure = s.exposure != 0 ? float(s.exposure) : 0.0f;

    p.shadowsHighlights = s.shadows != 0 || s.highlights != 0;
    if (p.shadowsHighlights) {
        p.shadowAmount = clampUnit(s.shadows / 100);
        p.highlightAmount = clampUnit(s.highlights / 100);
        p.shadowWidth = float(std::clamp(s.shadowTonalWidth / 100, 0.0, 1.0));
        p.highlightWidth = float(std::clamp(s.highlightTonalWidth / 100, 0.0, 1.0));
        if (s.shadows != 0)
            p.shadowSigma = maskSigma(s.shadowRadius, p.maxSide, quality);
        if (s.highlights == 0 || (s.shadows != 0 && std::abs(s.shadowRadius - s.highlightRadius) < 0.05))
            p.sharedMaps = true;
        else
            p.highlightSigma = maskSigma(s.highlightRadius, p.maxSide, quality);
    }

    p.brightness = s.brightness != 0;
    p.brightnessAmount = clampUnit(s.brightness / 100);

    if (s.contrast != 0) {
        const double c = s.contrast / 100 * 0.165 * 0.58;
        p.curvePoints = std::array<ToneCurve::Point, 5> { ToneCurve::Point { 0, 0 },
            { 0.25f, float(std::clamp(0.25 - c, 0.02, 0.45)) }, { 0.5f, 0.5f },
            { 0.75f, float(std::clamp(0.75 + c, 0.55, 0.98)) }, { 1, 1 } };
    }

    p.vibrance = s.vibrance != 0;
    p.vibranceAmount = clampUnit(s.vibrance / 100);
    p.saturation = s.saturation != 0;
    p.saturationFactor = float(std::clamp(s.saturation / 100 + 1, 0.0, 2.0));
    p.gamma = std::abs(s.gamma - 1) >= 0.001;
    p.gammaPower = float(std::clamp(s.gamma, 0.1, 3.0));

    p.sharpen = s.optimizedSharpness;
    if (p.sharpen) {
        const double nr = std::clamp(s.sharpnessNoiseReduction / 100, 0.0, 1.0);
        p.noiseReduction = nr > 0.001;
        p.noiseLevel = float(nr * 0.055);
        p.noiseSharpness = float(0.55 - 0.22 * nr);
        const double a = s.sharpnessAmount / 100;
        p.unsharp = a > 0.001;
        p.radius = std::max(std::clamp(s.sharpnessRadius, 0.1, 64.0) * p.maxSide / 3000, 0.12);
        p.discBlur = s.removeLensBlur;
        p.blurSize = p.discBlur ? std::min(p.radius, full ? 36.0 : 18.0)
                                : std::min(0.85 * p.radius, full ? 16.0 : 8.0);
        p.gain = float(std::min(a, 5.0) * (full ? 1.0 : 0.92));
        p.threshold = float(0.07 * nr + 0.004);
    }
    return p;
}

QSize measuredSize(QSize imageSize)
{
    const int maxSide = std::max(imageSize.width(), imageSize.height());
    const double scale = std::min(480.0 / std::max(maxSide, 1), 1.0);
    if (scale >= 0.999)
        return imageSize;
    // The integral rectangle of the scaled extent; a product such as 6000 × 0.08 must not gain a pixel.
    return QSize(std::max(1, int(std::ceil(imageSize.width() * scale - 1e-9))),
        std::max(1, int(std::ceil(imageSize.height() * scale - 1e-9))));
}

float percentile(const std::array<quint32, 256>& bins, double p)
{
    double total = 0;
    for (quint32 b : bins)
        total += b;
    if (total == 0)
        return p < 0.5 ? 0.0f : 1.0f;
    const double target = std::clamp(p, 0.0, 1.0) * total;
    double running = 0;
    for (std::size_t i = 0; i < bins.size(); ++i) {
        running += bins[i];
        if (target <= running)
            return float(double(i) / double(bins.size() - 1));
    }
    return 1.0f;
}

std::optional<Ends> luminanceEnds(const FloatImage& image, QSize* measured)
{
    if (image.isNull())
        return std::nullopt;
    const int maxSide = std::max(image.width(), image.height());
    const double scale = std::min(480.0 / maxSide, 1.0);
    // Colour only: the copy is measured as rendered, whatever its alpha.
    const FloatImage colour(image.plane(0), image.plane(1), image.plane(2));
    const FloatImage small = scale >= 0.999 ? colour : Resample::areaDownscale(colour, scale);
    if (measured)
        *measured = small.size();
    std::array<quint32, 256> bins {};
    std::mutex merge;
    RowPool::run(small.height(), [&](int y0, int y1) {
        std::array<quint32, 256> local {};
        std::vector<float> values(static_cast<std::size_t>(small.width()));
        for (int y = y0; y < y1; ++y) {
            histogramValues(small.row(0, y), small.row(1, y), small.row(2, y), values.data(), small.width());
            for (float v : values)
                ++local[std::size_t(std::clamp(int(v * 255), 0, 255))];
        }
        std::lock_guard lock(merge);
        for (std::size_t i = 0; i < bins.size(); ++i)
            bins[i] += local[i];
    });
    const float lo = toLinear(percentile(bins, 0.005));
    const float hi = toLinear(percentile(bins, 0.995));
    if (hi - lo < 0.04f)
        return std::nullopt;
    return Ends { lo, hi };
}

FloatImage blendExposure(const FloatImage& image, float ev, bool shadows)
{
    const FloatImage exposed = ColorFilters::exposure(image, ev);
    if (exposed.isNull())
        return image;
    ColorFilters::Matrix toGrey;
    toGrey.red = toGrey.green = toGrey.blue = { 0.2126f, 0.7152f, 0.0722f, 0 };
    const FloatImage grey = ColorFilters::colorMatrix(image, toGrey);
    if (grey.isNull())
        return image;
    FloatImage mask
        = shadows ? ColorFilters::gamma(ColorFilters::invert(grey), 2.6) : ColorFilters::gamma(grey, 2.4);
    const FloatPlane blurredMask = GaussianBlur::blurred(mask.plane(0), 5.0);
    return ColorFilters::blendWithMask(exposed, image, blurredMask);
}

} // namespace quavel::PhotoRetoucher::detail
