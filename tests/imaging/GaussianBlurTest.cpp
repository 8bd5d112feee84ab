#include "ImagingTestSupport.h"

#include "platform/imaging/GaussianBlur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace quavel;
using namespace quavel::test;

namespace {

// The direct convolution of a 1-D profile with the sampled gaussian (radius 5σ), edges extended, in
// double. The test image is the product of a row profile and a column profile, and so is its blur by
// the separable kernel: the 2-D direct convolution is the product of the two 1-D ones.
std::vector<double> directBlur(const std::vector<double>& in, double sigma)
{
    const int n = int(in.size());
    const int radius = std::max(1, int(std::ceil(5 * sigma)));
    std::vector<double> k(std::size_t(2 * radius + 1));
    double total = 0;
    for (int i = -radius; i <= radius; ++i)
        total += k[std::size_t(i + radius)] = std::exp(-i * i / (2 * sigma * sigma));
    std::vector<double> out(in.size());
    for (int x = 0; x < n; ++x) {
        double s = 0;
        for (int i = -radius; i <= radius; ++i)
            s += k[std::size_t(i + radius)] * in[std::size_t(std::clamp(x + i, 0, n - 1))];
        out[std::size_t(x)] = s / total;
    }
    return out;
}

struct SigmaCase
{
    double sigma;
    int width;
    int height;
};

void PrintTo(const SigmaCase& c, std::ostream* os)
{
    *os << "sigma " << c.sigma;
}

class GaussianAgainstDirect : public ::testing::TestWithParam<SigmaCase>
{
};

} // namespace

TEST_P(GaussianAgainstDirect, staysWithinOneHundredthOnAStepImage)
{
    const SigmaCase& c = GetParam();
    // A 0/1 rectangle off centre: steps in both directions, near an edge and in the open.
    std::vector<double> columns(std::size_t(c.width)), rows(std::size_t(c.height));
    for (int x = 0; x < c.width; ++x)
        columns[std::size_t(x)] = x >= c.width / 5 && x < c.width * 3 / 5;
    for (int y = 0; y < c.height; ++y)
        rows[std::size_t(y)] = y >= c.height / 3;
    FloatPlane plane(c.width, c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            plane.row(y)[x] = float(columns[std::size_t(x)] * rows[std::size_t(y)]);
    const std::vector<double> across = directBlur(columns, c.sigma);
    const std::vector<double> down = directBlur(rows, c.sigma);
    const FloatPlane out = GaussianBlur::blurred(plane, c.sigma);
    double worst = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            worst = std::max(worst, std::abs(out.row(y)[x] - across[std::size_t(x)] * down[std::size_t(y)]));
    EXPECT_LT(worst, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Sigmas, GaussianAgainstDirect,
    ::testing::Values(SigmaCase { 0.2, 40, 30 }, SigmaCase { 0.5, 40, 30 }, SigmaCase { 1.9, 60, 40 },
        SigmaCase { 2.0, 60, 40 }, SigmaCase { 3, 80, 60 }, SigmaCase { 7.3, 120, 90 },
        SigmaCase { 30, 240, 160 }, SigmaCase { 160, 300, 200 }, SigmaCase { 160, 1600, 1000 }));

TEST(GaussianBlur, keepsUniformPlanesAndTheMean)
{
    for (double sigma : { 0.0, 0.7, 5.0, 60.0 }) {
        const FloatPlane flat = GaussianBlur::blurred(FloatPlane::filled(33, 17, 0.3f), sigma);
        for (int y = 0; y < 17; y += 4)
            for (int x = 0; x < 33; x += 4)
                EXPECT_NEAR(flat.row(y)[x], 0.3f, 1e-5) << sigma;
    }
    // A lone dot in the middle of a wide plane spreads without losing any of itself.
    FloatPlane dot = FloatPlane::filled(201, 201, 0.0f);
    dot.row(100)[100] = 1.0f;
    const FloatPlane spread = GaussianBlur::blurred(dot, 9.0);
    double sum = 0;
    for (int y = 0; y < 201; ++y)
        for (int x = 0; x < 201; ++x)
            sum += spread.row(y)[x];
    EXPECT_NEAR(sum, 1.0, 1e-4);
    EXPECT_NEAR(spread.row(100)[100], 1 / (2 * M_PI * 81), 3e-4); // the peak is where boxes differ most
    EXPECT_GE(GaussianBlur::reach(9.0), 27);
    EXPECT_EQ(GaussianBlur::reach(0.0), 0);
}
