#include "PhotoTestSupport.h"

#include "photo/retouch/PhotoRetoucher.h"
#include "photo/retouch/RetouchMaps.h"
#include "photo/retouch/RetouchPasses.h"
#include "photo/retouch/RetouchPlan.h"
#include "photo/retouch/RetouchTiles.h"
#include "platform/imaging/DiscBlur.h"
#include "platform/imaging/GaussianBlur.h"
#include "platform/imaging/NoiseReduction.h"
#include "platform/imaging/PixelMath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quavel;
using namespace quavel::test;
using namespace quavel::PhotoRetoucher::detail;
using PhotoRetoucher::Quality;

namespace {

PhotoRetouchSettings sharpening(double amount, double radius = 1.0, double noise = 10)
{
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.sharpnessAmount = amount;
    s.sharpnessRadius = radius;
    s.sharpnessNoiseReduction = noise;
    return s;
}

float largestDifference(const FloatImage& a, const FloatImage& b)
{
    float worst = 0;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < a.width() * a.height(); ++i)
            worst = std::max(worst, std::abs(a.plane(c).constData()[i] - b.plane(c).constData()[i]));
    return worst;
}

} // namespace

TEST(RetouchPlan, sharpeningNumbers)
{
    const RetouchPlan capped = plan(sharpening(600), QSize(6000, 4000), Quality::Full);
    EXPECT_FLOAT_EQ(capped.gain, 5.0f);
    EXPECT_FLOAT_EQ(plan(sharpening(600), QSize(6000, 4000), Quality::Preview).gain, 4.6f);
    EXPECT_DOUBLE_EQ(capped.radius, 2.0);
    EXPECT_DOUBLE_EQ(capped.blurSize, 1.7);

    const RetouchPlan tiny = plan(sharpening(0.05), QSize(800, 600), Quality::Full);
    EXPECT_FALSE(tiny.unsharp);
    EXPECT_TRUE(tiny.noiseReduction);

    const RetouchPlan small = plan(sharpening(100, 0.1, 0), QSize(1000, 700), Quality::Full);
    EXPECT_DOUBLE_EQ(small.radius, 0.12);
    EXPECT_FALSE(small.noiseReduction);
    EXPECT_FLOAT_EQ(small.threshold, 0.004f);
    EXPECT_FLOAT_EQ(plan(sharpening(100, 1, 100), QSize(10, 10), Quality::Full).threshold, 0.074f);

    PhotoRetouchSettings lens = sharpening(100, 64);
    lens.removeLensBlur = true;
    EXPECT_DOUBLE_EQ(plan(lens, QSize(6000, 4000), Quality::Full).blurSize, 36);
    EXPECT_DOUBLE_EQ(plan(lens, QSize(6000, 4000), Quality::Preview).blurSize, 18);
    EXPECT_DOUBLE_EQ(plan(sharpening(100, 64), QSize(6000, 4000), Quality::Full).blurSize, 16);
    EXPECT_DOUBLE_EQ(plan(sharpening(100, 64), QSize(6000, 4000), Quality::Preview).blurSize, 8);
}

TEST(RetouchPlan, maskSigmasAndSharedMaps)
{
    EXPECT_FALSE(maskSigma(0.2, 6000, Quality::Full));
    EXPECT_DOUBLE_EQ(*maskSigma(30, 6000, Quality::Full), 30);
    EXPECT_DOUBLE_EQ(*maskSigma(250, 6000, Quality::Full), 160);
    EXPECT_DOUBLE_EQ(*maskSigma(250, 6000, Quality::Preview), 72);
    EXPECT_DOUBLE_EQ(*maskSigma(0.3, 600, Quality::Full), 0.18);

    PhotoRetouchSettings s;
    s.shadows = 50;
    s.highlights = -20;
    s.highlightRadius = 30.04;
    EXPECT_TRUE(plan(s, QSize(600, 400), Quality::Full).sharedMaps);
    s.highlightRadius = 31;
    EXPECT_FALSE(plan(s, QSize(600, 400), Quality::Full).sharedMaps);
    s.shadows = 0; // the highlights' own map, whatever the shadow radius
    s.highlightRadius = 30;
    EXPECT_FALSE(plan(s, QSize(600, 400), Quality::Full).sharedMaps);
}

TEST(RetouchPlan, contrastCurveKnots)
{
    PhotoRetouchSettings s;
    s.contrast = 100;
    const auto points = *plan(s, QSize(10, 10), Quality::Full).curvePoints;
    EXPECT_NEAR(points[1].y, 0.15430f, 1e-5);
    EXPECT_NEAR(points[3].y, 0.84570f, 1e-5);
    s.contrast = -300;
    const auto clamped = *plan(s, QSize(10, 10), Quality::Full).curvePoints;
    EXPECT_FLOAT_EQ(clamped[1].y, 0.45f);
    EXPECT_FLOAT_EQ(clamped[3].y, 0.55f);
    s.contrast = 1000;
    EXPECT_FLOAT_EQ((*plan(s, QSize(10, 10), Quality::Full).curvePoints)[1].y, 0.02f);
}

TEST(RetouchMeasure, histogramSizeAndPercentiles)
{
    EXPECT_EQ(measuredSize(QSize(6000, 4000)), QSize(480, 320));
    EXPECT_EQ(measuredSize(QSize(4000, 6000)), QSize(320, 480));
    EXPECT_EQ(measuredSize(QSize(6001, 4000)), QSize(480, 320));
    EXPECT_EQ(measuredSize(QSize(400, 300)), QSize(400, 300));
    EXPECT_EQ(measuredSize(QSize(480, 10)), QSize(480, 10));

    std::array<quint32, 256> bins {};
    EXPECT_EQ(percentile(bins, 0.2), 0.0f);
    EXPECT_EQ(percentile(bins, 0.5), 1.0f);
    bins[10] = 50;
    bins[200] = 50;
    EXPECT_FLOAT_EQ(percentile(bins, 0.005), 10 / 255.0f);
    EXPECT_FLOAT_EQ(percentile(bins, 0.5), 10 / 255.0f);
    EXPECT_FLOAT_EQ(percentile(bins, 0.51), 200 / 255.0f);
    EXPECT_FLOAT_EQ(percentile(bins, 7.0), 200 / 255.0f); // p is clamped
    EXPECT_FLOAT_EQ(percentile(bins, -1), 0.0f); // a target of 0 is reached at the first bin
}

TEST(RetouchMeasure, luminanceEndsInLinearLight)
{
    QSize measured;
    EXPECT_FALSE(luminanceEnds(grey(400, 300, 0.3f), &measured));
    EXPECT_EQ(measured, QSize(400, 300));

    const FloatImage blocks = makeImage(1200, 800, [](int x, int) {
        const float v = x < 600 ? 64 / 255.0f : 192 / 255.0f;
        return Rgb { v, v, v };
    });
    const std::optional<Ends> ends = luminanceEnds(blocks, &measured);
    EXPECT_EQ(measured, QSize(480, 320));
    ASSERT_TRUE(ends);
    EXPECT_NEAR(ends->lo, PixelMath::srgbToLinear(64 / 255.0f), 0.003f);
    EXPECT_NEAR(ends->hi, PixelMath::srgbToLinear(192 / 255.0f), 0.003f);
    // Ends less than 0.04 apart in linear light are none: two dark greys close together.
    const FloatImage dark = makeImage(100, 100, [](int x, int) {
        const float v = x < 50 ? 0.05f : 0.2f;
        return Rgb { v, v, v };
    });
    EXPECT_FALSE(luminanceEnds(dark));
}

TEST(RetouchMasks, oneBlurServesRadiiCloseTogether)
{
    const FloatImage image = photoLike(300, 200);
    auto blurs = [&](double shadowRadius, double highlightRadius, double shadows = 50) {
        PhotoRetouchSettings s;
        s.shadows = shadows;
        s.highlights = -40;
        s.shadowRadius = shadowRadius;
        s.highlightRadius = highlightRadius;
        Report report;
        EXPECT_TRUE(apply(s, image, Quality::Full, { true, &report }));
        return report.maskBlurs;
    };
    EXPECT_EQ(blurs(30, 30.04), 1);
    EXPECT_EQ(blurs(30, 31), 2);
    EXPECT_EQ(blurs(0.2, 0.2), 0);
    EXPECT_EQ(blurs(0.2, 40), 1);
    EXPECT_EQ(blurs(30, 30, 0), 1);
}

TEST(RetouchMasks, reducedMapMatchesTheFullBlur)
{
    // Blocks, a gradient and fine detail after automatic-contrast-like scaling, for a narrow blur (made at
    // full size) and wide ones (made reduced).
    const FloatImage image = makeImage(640, 400, [](int x, int y) {
        const float block = (x / 80 + y / 100) % 2 ? 0.8f : 0.15f;
        const float detail = (x % 7 == 0) ? 0.1f : 0.0f;
        return Rgb { block + detail, block * 0.9f, 0.2f + 0.5f * x / 640 };
    });
    const float scale = 1.1f;
    const float offset = -0.02f;
    FloatPlane luma(640, 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 640; ++x) {
            const Rgb p = pixel(image, x, y);
            luma.row(y)[x] = 0.2126f * PixelMath::srgbToLinear(p[0] * scale + offset)
                + 0.7152f * PixelMath::srgbToLinear(p[1] * scale + offset)
                + 0.0722f * PixelMath::srgbToLinear(p[2] * scale + offset);
        }
    for (double sigma : { 3.0, 9.0, 11.9, 20.0, 45.0 }) {
        const FloatPlane expected = GaussianBlur::blurred(luma, sigma);
        // As a rendering of this image makes it (for the whole image), and as the tiles of a larger one
        // make a narrow one (their own, the tiles' seams included).
        for (const bool tiled : { false, true }) {
            if (tiled && mapFactor(sigma) >= 3)
                continue;
            const FloatPlane got = tiled ? tiledLumaMap(image, scale, offset, sigma)
                                         : blurredLumaMap(image, scale, offset, sigma);
            float worst = 0;
            int at = 0;
            for (int i = 0; i < 640 * 400; ++i)
                if (std::abs(got.constData()[i] - expected.constData()[i]) > worst) {
                    worst = std::abs(got.constData()[i] - expected.constData()[i]);
                    at = i;
                }
            EXPECT_LT(worst, tiled ? 1e-5f : 0.004f)
                << sigma << (tiled ? " tiled" : "") << " at " << at % 640 << "," << at / 640 << " "
                << got.constData()[at] << " " << expected.constData()[at];
        }
    }
}

TEST(RetouchTiles, theTiledRenderEqualsTheWholeImageStages)
{
    // Several tiles (side 256) and noise: sharpening with noise reduction must not see the tile seams,
    // whichever blur it sharpens against (sampled kernel, box passes, lens disc).
    const FloatImage image = photoLike(600, 300, 0.03f);
    struct Case
    {
        double radius; // in pixels of this image
        bool lens;
    };
    for (const Case c : { Case { 1.5, false }, Case { 4.0, false }, Case { 5.0, true } }) {
        PhotoRetouchSettings s = sharpening(180, c.radius * 3000 / 600.0, 40);
        s.removeLensBlur = c.lens;
        const RetouchPlan p = plan(s, image.size(), Quality::Full);
        const FloatImage got = *PhotoRetoucher::apply(s, image, Quality::Full);

        const FloatImage base = NoiseReduction::apply(image, p.noiseLevel, p.noiseSharpness);
        const FloatImage blurred
            = c.lens ? DiscBlur::blurred(base, p.blurSize) : GaussianBlur::blurred(base, p.blurSize);
        float worst = 0;
        for (int ch = 0; ch < 3; ++ch)
            for (int i = 0; i < 600 * 300; ++i) {
                // The unsharp kernel written out.
                float d[3], magnitude = 0;
                for (int k = 0; k < 3; ++k) {
                    d[k] = base.plane(k).constData()[i] - blurred.plane(k).constData()[i];
                    magnitude = std::max(magnitude, std::abs(d[k]));
                }
                const float gate = magnitude < p.threshold
                    ? 0
                    : PixelMath::smoothstep(p.threshold, p.threshold + 0.025f, magnitude);
                const float expected
                    = PixelMath::clamp01(base.plane(ch).constData()[i] + d[ch] * p.gain * gate);
                worst = std::max(worst, std::abs(got.plane(ch).constData()[i] - expected));
            }
        // Sums taken in another order differ in the last bits, which the gate's steep ramp magnifies a
        // little; a seam would differ by hundredths.
        EXPECT_LT(worst, 2e-4f) << c.radius << (c.lens ? " lens" : "");
    }
}

TEST(RetouchTiles, capsAndNoiseOnlySharpening)
{
    const FloatImage image = photoLike(300, 200, 0.02f);
    EXPECT_EQ(largestDifference(*PhotoRetoucher::apply(sharpening(600), image, Quality::Full),
                  *PhotoRetoucher::apply(sharpening(500), image, Quality::Full)),
        0.0f);
    const RetouchPlan p = plan(sharpening(0.05), image.size(), Quality::Full);
    const FloatImage denoised = NoiseReduction::apply(image, p.noiseLevel, p.noiseSharpness);
    EXPECT_LT(
        largestDifference(*PhotoRetoucher::apply(sharpening(0.05), image, Quality::Full), denoised), 1e-6f);
    // Amount 0 and no noise reduction: sharpening on changes nothing but the final clamp.
    EXPECT_LT(
        largestDifference(*PhotoRetoucher::apply(sharpening(0, 1, 0), image, Quality::Full), image), 1e-6f);
}

TEST(RetouchFallbacks, stagesWithoutTheirKernels)
{
    auto fallback = [](const PhotoRetouchSettings& s, const FloatImage& image) {
        Report report;
        const std::optional<FloatImage> out = apply(s, image, Quality::Full, { false, &report });
        EXPECT_TRUE(report.fallbacks);
        return *out;
    };
    PhotoRetouchSettings s;
    s.brightness = 50; // the colour controls' brightness: + 0.5 × 0.35
    EXPECT_NEAR(pixel(fallback(s, grey(20, 20, 0.5f)), 10, 10)[0], 0.675f, 1e-5);

    s = PhotoRetouchSettings();
    s.shadows = 50; // exposure of 0.875 EV through the mask (1 − 0.2)^2.6
    const float mask = std::pow(0.8f, 2.6f);
    const float exposed = 0.2f * std::exp2(0.875f);
    EXPECT_NEAR(pixel(fallback(s, grey(20, 20, 0.2f)), 3, 3)[1], 0.2f + (exposed - 0.2f) * mask, 1e-4);

    s = PhotoRetouchSettings();
    s.highlights = -50; // 0.9^2.4 of −0.875 EV
    const float hmask = std::pow(0.9f, 2.4f);
    EXPECT_NEAR(pixel(fallback(s, grey(20, 20, 0.9f)), 3, 3)[1],
        0.9f + (0.9f * std::exp2(-0.875f) - 0.9f) * hmask, 1e-4);

    s = PhotoRetouchSettings();
    s.autoContrast = true; // skipped
    s.exposure = 1;
    const FloatImage blocks = makeImage(40, 20, [](int x, int) {
        const float v = x < 20 ? 0.1f : 0.3f;
        return Rgb { v, v, v };
    });
    EXPECT_NEAR(pixel(fallback(s, blocks), 5, 5)[0], 0.2f, 1e-5);
    EXPECT_NEAR(pixel(fallback(s, blocks), 35, 5)[0], 0.6f, 1e-5);

    // Sharpening by the plain unsharp mask: a step still gains its overshoot, a flat grey stays.
    const FloatImage step = makeImage(60, 10, [](int x, int) {
        const float v = x < 30 ? 0.3f : 0.7f;
        return Rgb { v, v, v };
    });
    const FloatImage sharp = fallback(sharpening(100, 60, 0), step);
    EXPECT_LT(pixel(sharp, 29, 5)[0], 0.29f);
    EXPECT_GT(pixel(sharp, 30, 5)[0], 0.71f);
    EXPECT_NEAR(pixel(fallback(sharpening(100, 60, 50), grey(30, 30, 0.4f)), 15, 15)[0], 0.4f, 1e-5);
}
