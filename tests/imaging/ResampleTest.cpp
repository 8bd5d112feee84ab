#include "ImagingTestSupport.h"

#include "platform/imaging/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

using namespace quavel;
using namespace quavel::test;

namespace {

struct SizeCase
{
    QSize in;
    double scale;
    QSize out;
};

class LanczosSizes : public ::testing::TestWithParam<SizeCase>
{
};

} // namespace

TEST_P(LanczosSizes, keepsAUniformImageUniformAtTheRoundedSize)
{
    const SizeCase& c = GetParam();
    const FloatImage out
        = Resample::lanczos3(uniform(c.in.width(), c.in.height(), { 0.2f, 0.5f, 0.9f }), c.scale);
    ASSERT_EQ(out.size(), c.out);
    for (int y = 0; y < out.height(); y += std::max(1, out.height() / 7))
        for (int x = 0; x < out.width(); x += std::max(1, out.width() / 7)) {
            EXPECT_NEAR(pixel(out, x, y)[0], 0.2f, 1e-5);
            EXPECT_NEAR(pixel(out, x, y)[2], 0.9f, 1e-5);
        }
}

INSTANTIATE_TEST_SUITE_P(Scales, LanczosSizes,
    ::testing::Values(SizeCase { { 100, 60 }, 0.5, { 50, 30 } }, SizeCase { { 100, 60 }, 0.333, { 33, 20 } },
        SizeCase { { 10, 7 }, 3.0, { 30, 21 } }, SizeCase { { 5, 5 }, 0.01, { 1, 1 } },
        SizeCase { { 1, 1 }, 4.0, { 4, 4 } }));

TEST(Lanczos, filtersWhenShrinkingAndStaysSharpWhenEnlarging)
{
    // A one-pixel checkerboard halved is an even grey, not an alias pattern.
    const FloatImage checker = makeImage(64, 64, [](int x, int y) {
        return (x + y) % 2 ? Rgb { 1, 1, 1 } : Rgb { 0, 0, 0 };
    });
    const FloatImage half = Resample::lanczos3(checker, 0.5);
    for (int y = 4; y < 28; y += 5)
        for (int x = 4; x < 28; x += 5)
            EXPECT_NEAR(pixel(half, x, y)[0], 0.5f, 0.02f);

    // A step enlarged 4×: the transition takes a few pixels, with lanczos' small overshoot.
    const FloatImage step = makeImage(16, 4, [](int x, int) {
        return x < 8 ? Rgb { 0.2f, 0.2f, 0.2f } : Rgb { 0.8f, 0.8f, 0.8f };
    });
    const FloatImage big = Resample::lanczos3(step, 4.0);
    EXPECT_NEAR(pixel(big, 4, 8)[0], 0.2f, 1e-4);
    EXPECT_NEAR(pixel(big, 60, 8)[0], 0.8f, 1e-4);
    EXPECT_NEAR((pixel(big, 31, 8)[0] + pixel(big, 32, 8)[0]) / 2, 0.5f, 0.01f);
    float lowest = 1, highest = 0;
    for (int x = 0; x < big.width(); ++x) {
        lowest = std::min(lowest, pixel(big, x, 8)[0]);
        highest = std::max(highest, pixel(big, x, 8)[0]);
    }
    EXPECT_LT(0.2f - lowest, 0.08f);
    EXPECT_GT(0.2f - lowest, 0.005f);
    EXPECT_LT(highest - 0.8f, 0.08f);
}

TEST(Lanczos, transparentPixelsLendNoColour)
{
    // Transparent red beside opaque blue: shrunk, the blue stays blue wherever it shows.
    const QByteArray p3 = displayP3Profile();
    const FloatImage image = makeImage(
        40, 10,
        [](int x, int) {
            return x < 20 ? Rgb { 1, 0, 0 } : Rgb { 0, 0, 1 };
        },
        [](int x, int) { return x < 20 ? 0.0f : 1.0f; }, p3);
    const FloatImage out = Resample::lanczos3(image, 0.25);
    ASSERT_TRUE(out.hasAlpha());
    EXPECT_EQ(out.iccProfile(), p3);
    for (int x = 0; x < out.width(); ++x) {
        if (out.row(FloatImage::Alpha, 1)[x] > 0.05f) {
            EXPECT_LT(pixel(out, x, 1)[0], 0.02f) << x;
            EXPECT_GT(pixel(out, x, 1)[2], 0.98f) << x;
        }
    }
    EXPECT_TRUE(Resample::lanczos3(FloatImage(), 0.5).isNull());
    EXPECT_TRUE(Resample::lanczos3(image, 0, 5).isNull());
}

TEST(AreaDownscale, averagesTheCoveredAreaAtTheRoundedUpSize)
{
    const FloatImage ramp = makeImage(6000, 4, [](int x, int) {
        const float v = float(x) / 5999;
        return Rgb { v, v, v };
    });
    const FloatImage small = Resample::areaDownscale(ramp, 480.0 / 6000);
    ASSERT_EQ(small.size(), QSize(480, 1));
    // Pixel 10 covers input columns 125 to 137.5.
    EXPECT_NEAR(pixel(small, 10, 0)[0], (125 + 137.5f) / 2 / 5999 - 0.5f / 5999, 2e-4);

    // 7 × 7 halved: 4 × 4, the last row and column averaging the one input line left.
    const FloatImage odd = makeImage(7, 7, [](int x, int y) { return Rgb { float(x), float(y), 0 }; });
    const FloatImage four = Resample::areaDownscale(odd, 0.5);
    ASSERT_EQ(four.size(), QSize(4, 4));
    EXPECT_FLOAT_EQ(pixel(four, 0, 0)[0], 0.5f);
    EXPECT_FLOAT_EQ(pixel(four, 3, 0)[0], 6.0f);
    EXPECT_FLOAT_EQ(pixel(four, 0, 3)[1], 6.0f);
    EXPECT_EQ(Resample::areaDownscale(odd, 1.0).size(), QSize(7, 7));
}

namespace {

struct PartCase
{
    const char* name;
    QSize image;
    bool alpha;
    QRect region;
    QSize out;
};

void PrintTo(const PartCase& c, std::ostream* os)
{
    *os << c.name;
}

class LanczosParts : public ::testing::TestWithParam<PartCase>
{
protected:
    FloatImage image() const
    {
        const PartCase& c = GetParam();
        const FloatImage colour = photoLike(c.image.width(), c.image.height(), 0.05f);
        if (!c.alpha)
            return colour;
        return makeImage(
            c.image.width(), c.image.height(), [&](int x, int y) { return pixel(colour, x, y); },
            [](int x, int y) { return float((x * 7 + y * 3) % 11) / 10; });
    }
};

float largestDifference(const FloatImage& a, const FloatImage& b)
{
    EXPECT_EQ(a.size(), b.size());
    EXPECT_EQ(a.hasAlpha(), b.hasAlpha());
    float worst = 0;
    for (int c = 0; c < (a.hasAlpha() ? 4 : 3); ++c)
        for (int i = 0; i < a.width() * a.height(); ++i)
            worst = std::max(worst, std::abs(a.plane(c).constData()[i] - b.plane(c).constData()[i]));
    return worst;
}

} // namespace

// A region is resampled as a copy of it would be, with its own edges repeated, without the copy.
TEST_P(LanczosParts, aRegionResamplesAsItsCopy)
{
    const PartCase& c = GetParam();
    const FloatImage whole = image();
    const QRect inside = c.region.intersected(QRect(QPoint(0, 0), c.image));
    FloatPlane planes[4];
    for (int p = 0; p < (c.alpha ? 4 : 3); ++p) {
        planes[p] = FloatPlane(inside.width(), inside.height());
        for (int y = 0; y < inside.height(); ++y)
            std::copy_n(whole.row(p, inside.top() + y) + inside.left(), inside.width(), planes[p].row(y));
    }
    const FloatImage copy(planes[0], planes[1], planes[2], planes[3]);
    EXPECT_EQ(largestDifference(Resample::lanczos3(whole, c.region, c.out.width(), c.out.height()),
                  Resample::lanczos3(copy, c.out.width(), c.out.height())),
        0.0f);
}

// Handed out band by band, the rows are those of the whole resampling, each exactly once.
TEST_P(LanczosParts, bandsCoverTheResamplingOnce)
{
    const PartCase& c = GetParam();
    const FloatImage whole = image();
    const FloatImage expected = Resample::lanczos3(whole, c.out.width(), c.out.height());
    std::vector<int> seen(std::size_t(c.out.height()), 0);
    std::mutex mutex;
    float worst = 0;
    Resample::lanczos3Bands(whole, c.out.width(), c.out.height(), [&](const Resample::Band& band) {
        std::lock_guard lock(mutex);
        EXPECT_EQ(band.width, c.out.width());
        EXPECT_EQ(band.planes[3] != nullptr, c.alpha);
        for (int y = band.top; y < band.top + band.height; ++y) {
            ++seen[std::size_t(y)];
            for (int p = 0; p < (c.alpha ? 4 : 3); ++p)
                for (int x = 0; x < band.width; ++x)
                    worst = std::max(worst, std::abs(band.row(p, y)[x] - expected.row(p, y)[x]));
        }
    });
    EXPECT_EQ(worst, 0.0f);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
}

INSTANTIATE_TEST_SUITE_P(Cases, LanczosParts,
    ::testing::Values(PartCase { "shrunk inside", { 300, 200 }, false, { 40, 30, 200, 150 }, { 123, 91 } },
        PartCase { "enlarged with alpha", { 90, 60 }, true, { 10, 5, 60, 40 }, { 180, 130 } },
        PartCase { "past the edges", { 120, 80 }, true, { -20, 50, 100, 60 }, { 40, 12 } },
        PartCase { "whole, tall and thin", { 7, 400 }, false, { 0, 0, 7, 400 }, { 3, 777 } },
        PartCase { "one row", { 50, 50 }, false, { 0, 20, 50, 1 }, { 25, 1 } }));

TEST(LanczosParts, aRegionMissingTheImageGivesNothing)
{
    const FloatImage image = grey(20, 10, 0.5f);
    EXPECT_TRUE(Resample::lanczos3(image, QRect(30, 0, 5, 5), 4, 4).isNull());
    EXPECT_TRUE(Resample::lanczos3(image, QRect(0, 0, 5, 5), 0, 4).isNull());
}
