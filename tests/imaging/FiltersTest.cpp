#include "ImagingTestSupport.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/DiscBlur.h"
#include "platform/imaging/NoiseReduction.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/SampledFunction.h"
#include "platform/imaging/ToneCurve.h"
#include "platform/imaging/UnsharpMask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace quavel;
using namespace quavel::test;

TEST(PixelMath, fastExponentialsStayWithinAMillionth)
{
    for (float x = 0.0005f; x < 4.0f; x *= 1.37f)
        for (float p : { 0.1f, 0.41666667f, 1.0f, 2.4f, 2.6f, 3.0f })
            EXPECT_NEAR(PixelMath::powPositive(x, p), std::pow(x, p), 2e-6f * std::max(1.0f, std::pow(x, p)))
                << x << "^" << p;
    for (float x = -20.0f; x < 20.0f; x += 0.77f)
        EXPECT_NEAR(PixelMath::exp2(x), std::exp2(x), 1e-6f * std::exp2(x)) << x;
    EXPECT_EQ(PixelMath::powPositive(0.0f, 2.0f), 0.0f);
    EXPECT_EQ(PixelMath::powSigned(-0.25f, 0.5f), -0.5f);
    // The transfer curve both ways, knee included, negatives kept.
    for (float v : { -0.2f, 0.0f, 0.003f, 0.04045f, 0.2f, 0.5f, 1.0f, 1.6f })
        EXPECT_NEAR(PixelMath::linearToSrgb(PixelMath::srgbToLinear(v)), v, 2e-6f) << v;
    EXPECT_NEAR(PixelMath::srgbToLinear(0.5f), 0.2140411f, 1e-6f);
    EXPECT_EQ(PixelMath::toByte(0.5f), 128);
    EXPECT_EQ(PixelMath::toByte(-3.0f), 0);
    EXPECT_EQ(PixelMath::toByte(7.0f), 255);
}

namespace {

struct ColourCase
{
    const char* name;
    std::function<FloatImage(const FloatImage&)> filter;
    Rgb input;
    Rgb expected;
};

void PrintTo(const ColourCase& c, std::ostream* os)
{
    *os << c.name;
}

class ColourFilters : public ::testing::TestWithParam<ColourCase>
{
};

} // namespace

TEST_P(ColourFilters, mapEachPixel)
{
    const ColourCase& c = GetParam();
    const FloatImage in = makeImage(
        6, 4, [&](int, int) { return c.input; }, [](int x, int) { return x / 5.0f; }, displayP3Profile());
    const FloatImage out = c.filter(in);
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_NEAR(pixel(out, 3, 2)[std::size_t(ch)], c.expected[std::size_t(ch)], 1e-5f) << ch;
    EXPECT_EQ(out.iccProfile(), in.iccProfile());
    ASSERT_TRUE(out.hasAlpha());
    EXPECT_FLOAT_EQ(out.row(FloatImage::Alpha, 1)[4], 0.8f);
}

INSTANTIATE_TEST_SUITE_P(Filters, ColourFilters,
    ::testing::Values(ColourCase { "exposure", [](auto& i) { return ColorFilters::exposure(i, -1); },
                          { 0.5f, 1.2f, -0.2f }, { 0.25f, 0.6f, -0.1f } },
        ColourCase { "gammaKeepsTheSign", [](auto& i) { return ColorFilters::gamma(i, 2); },
            { 0.5f, -0.5f, 1.5f }, { 0.25f, -0.25f, 2.25f } },
        ColourCase { "invert", [](auto& i) { return ColorFilters::invert(i); }, { 0.2f, 0.9f, 1.3f },
            { 0.8f, 0.1f, -0.3f } },
        ColourCase { "saturationZero", [](auto& i) { return ColorFilters::colorControls(i, 0, 0, 1); },
            { 1, 0, 0 }, { 0.2125f, 0.2125f, 0.2125f } },
        ColourCase { "saturationTwo", [](auto& i) { return ColorFilters::colorControls(i, 2, 0, 1); },
            { 0.6f, 0.4f, 0.4f }, { 0.7575f, 0.3575f, 0.3575f } },
        ColourCase { "brightnessAndContrast",
            [](auto& i) { return ColorFilters::colorControls(i, 1, 0.1, 2); }, { 0.5f, 0.2f, 0.8f },
            { 0.7f, 0.1f, 1.3f } },
        ColourCase { "vibranceLeavesGreys", [](auto& i) { return ColorFilters::vibrance(i, 1); },
            { 0.4f, 0.4f, 0.4f }, { 0.4f, 0.4f, 0.4f } },
        ColourCase { "vibranceMovesMutedColours", [](auto& i) { return ColorFilters::vibrance(i, 1); },
            // saturation 0.2: the colour moves away from its luma (0.44971) by 1 + 0.8
            { 0.6f, 0.4f, 0.5f }, { 0.72023f, 0.36023f, 0.54023f } },
        ColourCase { "vibranceSparesFullColours", [](auto& i) { return ColorFilters::vibrance(i, -1); },
            { 1, 0, 0 }, { 1, 0, 0 } },
        ColourCase { "matrixToGrey",
            [](auto& i) {
                ColorFilters::Matrix m;
                m.red = m.green = m.blue = { 0.2126f, 0.7152f, 0.0722f, 0 };
                return ColorFilters::colorMatrix(i, m);
            },
            { 1, 0.5f, 0 }, { 0.5702f, 0.5702f, 0.5702f } },
        ColourCase { "matrixWithAlphaAndBias",
            [](auto& i) {
                ColorFilters::Matrix m;
                m.red = { 0, 0, 0, 1 }; // alpha into red
                m.bias = { 0, 0.1f, 0, 0 };
                return ColorFilters::colorMatrix(i, m);
            },
            { 0.3f, 0.3f, 0.3f }, { 0.6f, 0.4f, 0.3f } }));

TEST(ColourFilters, blendWithMaskLerpsEveryChannel)
{
    const FloatImage fg = makeImage(
        4, 1,
        [](int, int) {
            return Rgb { 1, 1, 1 };
        },
        [](int, int) { return 1.0f; });
    const FloatImage bg = uniform(4, 1, { 0, 0.5f, 0 });
    FloatPlane mask(4, 1);
    for (int x = 0; x < 4; ++x)
        mask.row(0)[x] = x / 3.0f;
    const FloatImage out = ColorFilters::blendWithMask(fg, bg, mask);
    EXPECT_FLOAT_EQ(pixel(out, 0, 0)[0], 0);
    EXPECT_FLOAT_EQ(pixel(out, 3, 0)[0], 1);
    EXPECT_NEAR(pixel(out, 1, 0)[1], 0.5f + 0.5f / 3, 1e-6);
    EXPECT_FLOAT_EQ(out.row(FloatImage::Alpha, 0)[2], 1.0f);
    EXPECT_THROW(ColorFilters::blendWithMask(fg, uniform(3, 1, {}), mask), std::invalid_argument);
}

TEST(ToneCurve, passesThroughItsKnotsWithoutOvershoot)
{
    const ToneCurve curve(
        { ToneCurve::Point { 0, 0 }, { 0.25f, 0.1543f }, { 0.5f, 0.5f }, { 0.75f, 0.8457f }, { 1, 1 } });
    for (auto [x, y] :
        { std::pair { 0.0f, 0.0f }, { 0.25f, 0.1543f }, { 0.5f, 0.5f }, { 0.75f, 0.8457f }, { 1.0f, 1.0f } })
        EXPECT_NEAR(curve(x), y, 1e-4f) << x;
    EXPECT_EQ(curve(-1.0f), 0.0f);
    EXPECT_EQ(curve(2.0f), 1.0f);
    float previous = -1;
    for (int i = 0; i <= 1000; ++i) {
        const float v = curve(i / 1000.0f);
        EXPECT_GE(v, previous);
        EXPECT_NEAR(v, curve.exact(i / 1000.0f), 2e-5f);
        previous = v;
    }
    // A flat step in the points: monotone means flat between them, not a dip.
    const ToneCurve plateau(
        { ToneCurve::Point { 0, 0 }, { 0.25f, 0.4f }, { 0.5f, 0.4f }, { 0.75f, 0.6f }, { 1, 1 } });
    for (int i = 250; i <= 500; i += 10)
        EXPECT_NEAR(plateau.exact(i / 1000.0f), 0.4f, 1e-6f);
}

TEST(NoiseReduction, smoothsBelowTheLevelAndKeepsEdgesAbove)
{
    // A 0.2 / 0.8 edge with ±0.01 ripple: the ripple goes, the edge stays where it was.
    const FloatImage image = makeImage(40, 20, [](int x, int y) {
        const float v = (x < 20 ? 0.2f : 0.8f) + ((x + y) % 2 ? 0.01f : -0.01f);
        return Rgb { v, v, v };
    });
    const FloatImage out = NoiseReduction::apply(image, 0.055, 0);
    EXPECT_NEAR(pixel(out, 8, 8)[0], 0.2f, 0.002f);
    EXPECT_NEAR(pixel(out, 30, 8)[0], 0.8f, 0.002f);
    EXPECT_NEAR(pixel(out, 19, 8)[0], 0.2f, 0.006f);
    EXPECT_NEAR(pixel(out, 20, 8)[0], 0.8f, 0.006f);
    // Colour differences survive: only luma is smoothed.
    const FloatImage tinted = makeImage(10, 10, [](int x, int) {
        return Rgb { 0.6f, x % 2 ? 0.3f : 0.32f, 0.3f };
    });
    const FloatImage kept = NoiseReduction::apply(tinted, 0.05, 0);
    EXPECT_NEAR(pixel(kept, 5, 5)[0] - pixel(kept, 5, 5)[1], 0.3f, 0.02f);
}

TEST(DiscBlur, isTheMeanOverTheDisc)
{
    FloatPlane dot = FloatPlane::filled(21, 21, 0.0f);
    dot.row(10)[10] = 1.0f;
    FloatPlane out(21, 21);
    DiscBlur::blur(PlaneView::reading(dot), PlaneView::of(out), 3.0, true);
    // 29 lattice points lie within radius 3.
    EXPECT_NEAR(out.row(10)[10], 1.0f / 29, 1e-6f);
    EXPECT_NEAR(out.row(10)[13], 1.0f / 29, 1e-6f);
    EXPECT_NEAR(out.row(12)[12], 1.0f / 29, 1e-6f); // 2² + 2² = 8 ≤ 9
    EXPECT_EQ(out.row(13)[12], 0.0f);
    EXPECT_EQ(out.row(10)[14], 0.0f);
    // At the edge the plane is extended: a uniform plane stays uniform, a small radius changes nothing.
    FloatPlane flat = FloatPlane::filled(9, 7, 0.25f);
    DiscBlur::blur(PlaneView::reading(flat), PlaneView::of(out = FloatPlane(9, 7)), 5.5, false);
    EXPECT_NEAR(out.row(0)[0], 0.25f, 1e-6f);
    DiscBlur::blur(PlaneView::reading(dot), PlaneView::of(out = FloatPlane(21, 21)), 0.5, false);
    EXPECT_EQ(out.row(10)[10], 1.0f);
}

namespace {

// The share of a disc of radius r, centred on a pixel, that lies over the pixel dx, dy across: the disc's
// height over the pixel summed in thin columns, apart from the blur's own closed form.
double coverage(double r, int dx, int dy)
{
    const int n = 20000;
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const double x = -r + (i + 0.5) * 2 * r / n;
        if (std::abs(x - dx) > 0.5)
            continue;
        const double half = std::sqrt(std::max(0.0, r * r - x * x));
        area += std::max(0.0, std::min(half, dy + 0.5) - std::max(-half, dy - 0.5)) * 2 * r / n;
    }
    return area / (std::numbers::pi * r * r);
}

class SubPixelDisc : public ::testing::TestWithParam<double>
{
};

} // namespace

TEST_P(SubPixelDisc, weighsEachPixelByTheAreaTheDiscCovers)
{
    const double r = GetParam();
    FloatPlane dot = FloatPlane::filled(9, 9, 0.0f);
    dot.row(4)[4] = 1.0f;
    FloatPlane out(9, 9);
    DiscBlur::blur(PlaneView::reading(dot), PlaneView::of(out), r, false);
    EXPECT_NEAR(out.row(4)[4], coverage(r, 0, 0), 2e-4) << r;
    EXPECT_NEAR(out.row(4)[5], coverage(r, 1, 0), 2e-4) << r;
    EXPECT_NEAR(out.row(3)[4], coverage(r, 0, -1), 2e-4) << r;
    EXPECT_NEAR(out.row(5)[5], coverage(r, 1, 1), 2e-4) << r;
    EXPECT_EQ(out.row(4)[6], 0.0f) << r;

    // A step edge between columns 7 and 8 (0.2 to 0.8), blurred as a whole plane and as rows handed to
    // the pool: the columns beside it take the share of the disc beyond the step.
    FloatPlane step(16, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            step.row(y)[x] = x < 8 ? 0.2f : 0.8f;
    const double beyond = coverage(r, 1, 0) + coverage(r, 1, 1) + coverage(r, 1, -1);
    for (bool parallel : { false, true }) {
        FloatPlane blurred(16, 12);
        DiscBlur::blur(PlaneView::reading(step), PlaneView::of(blurred), r, parallel);
        for (int y : { 0, 5, 11 }) {
            EXPECT_NEAR(blurred.row(y)[7], 0.2 + 0.6 * beyond, 2e-4) << r << " row " << y;
            EXPECT_NEAR(blurred.row(y)[8], 0.8 - 0.6 * beyond, 2e-4) << r << " row " << y;
            EXPECT_FLOAT_EQ(blurred.row(y)[0], 0.2f);
            EXPECT_FLOAT_EQ(blurred.row(y)[15], 0.8f);
        }
    }
}

// Past half a pixel the disc reaches the side neighbours, past √0.5 the diagonal ones; at 0.5 and below
// it lies within its own pixel.
INSTANTIATE_TEST_SUITE_P(Radii, SubPixelDisc, ::testing::Values(0.3, 0.5, 0.55, 0.683, 0.75, 0.9, 0.999));

TEST(DiscBlur, theSubPixelDiscMeetsTheLatticeDiscAtOnePixel)
{
    // The share beyond a step just under radius 1 (about 0.196) and the lattice disc's at 1 (one of five
    // points): the sharpening does not jump as a photo's size crosses the scale where the disc is 1.
    FloatPlane step(12, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            step.row(y)[x] = x < 6 ? 0.0f : 1.0f;
    FloatPlane below(12, 6), at(12, 6);
    DiscBlur::blur(PlaneView::reading(step), PlaneView::of(below), 0.999, false);
    DiscBlur::blur(PlaneView::reading(step), PlaneView::of(at), 1.0, false);
    EXPECT_NEAR(at.row(3)[5], 0.2f, 1e-6f);
    EXPECT_NEAR(below.row(3)[5], at.row(3)[5], 0.006f);
    EXPECT_EQ(DiscBlur::reach(0.5), 0);
    EXPECT_EQ(DiscBlur::reach(0.51), 1);
    EXPECT_EQ(DiscBlur::reach(2.9), 2);
}

TEST(UnsharpMask, addsTheDifferenceFromTheBlur)
{
    const FloatImage step = makeImage(40, 8, [](int x, int) {
        const float v = x < 20 ? 0.4f : 0.6f;
        return Rgb { v, v, v };
    });
    const FloatImage out = UnsharpMask::apply(step, 2.0, 1.5);
    EXPECT_LT(pixel(out, 19, 4)[0], 0.4f);
    EXPECT_GT(pixel(out, 20, 4)[0], 0.6f);
    EXPECT_NEAR(pixel(out, 19, 4)[0] - 0.4f, 0.6f - pixel(out, 20, 4)[0], 1e-5f);
    EXPECT_NEAR(pixel(out, 2, 4)[0], 0.4f, 1e-5f);
}

TEST(SampledFunction, interpolatesWithinItsRangeAndSaysWhenARowLeavesIt)
{
    const SampledFunction linear(0, 1, 2048, [](double x) { return PixelMath::srgbToLinear(float(x)); });
    for (float x = 0; x <= 1.0f; x += 0.0173f)
        EXPECT_NEAR(linear(x), PixelMath::srgbToLinear(x), 2e-6f) << x;
    EXPECT_EQ(linear(-3.0f), linear(0.0f));
    EXPECT_EQ(linear(5.0f), linear(1.0f));
    EXPECT_EQ(linear(std::nanf("")), linear(0.0f)); // never an index from a NaN

    std::vector<float> in { 0.1f, 0.5f, 0.9f }, out(3);
    EXPECT_TRUE(linear.applyWithin(in.data(), out.data(), 3));
    EXPECT_NEAR(out[1], PixelMath::srgbToLinear(0.5f), 2e-6f);
    in[2] = 1.2f;
    EXPECT_FALSE(linear.applyWithin(in.data(), out.data(), 3));
    linear.apply(in.data(), 3);
    EXPECT_NEAR(in[0], PixelMath::srgbToLinear(0.1f), 2e-6f);
}
