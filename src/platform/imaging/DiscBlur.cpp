#include "platform/imaging/DiscBlur.h"

#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace quavel::DiscBlur {

namespace {

QUAVEL_VECTOR_CLONES void blurRows(
    const PlaneView& src, const PlaneView& dst, int y0, int y1, const std::vector<int>& halfWidth)
{
    const int w = src.width;
    const int h = src.height;
    const int rv = int(halfWidth.size()) / 2;
    const int rh = halfWidth[std::size_t(rv)];
    double count = 0;
    for (int hw : halfWidth)
        count += 2 * hw + 1;
    const float scale = float(1 / count);
    // Prefix sums of the edge-extended rows y0 − rv … y1 + rv: sums[j] = the first j padded samples.
    const int rows = (y1 - y0) + 2 * rv;
    const std::size_t stride = std::size_t(w + 2 * rh + 1);
    thread_local std::vector<double> sumRows;
    double* const sums = scratch(sumRows, std::size_t(rows) * stride);
    for (int i = 0; i < rows; ++i) {
        const float* in = src.row(std::clamp(y0 - rv + i, 0, h - 1));
        double* s = sums + std::size_t(i) * stride;
        s[0] = 0;
        for (int j = 0; j < w + 2 * rh; ++j)
            s[j + 1] = s[j] + in[std::clamp(j - rh, 0, w - 1)];
    }
    thread_local std::vector<double> totalRow;
    double* const total = scratch(totalRow, std::size_t(w));
    for (int y = y0; y < y1; ++y) {
        std::fill_n(total, w, 0.0);
        for (int dy = -rv; dy <= rv; ++dy) {
            const double* s = sums + std::size_t(y - y0 + rv + dy) * stride;
            const int hw = halfWidth[std::size_t(dy + rv)];
            // Padded index of column x is x + rh; the disc row spans [x − hw, x + hw].
            for (int x = 0; x < w; ++x)
                total[std::size_t(x)] += s[x + rh + hw + 1] - s[x + rh - hw];
        }
        float* out = dst.row(y);
        for (int x = 0; x < w; ++x)
            out[x] = float(total[std::size_t(x)]) * scale;
    }
}

// A disc smaller than a pixel weighs each pixel by the area of it that the disc covers, the pixels being
// unit squares around their centres. Below a radius of 0.5 the disc lies inside its own pixel and
// changes nothing; above it, it reaches into the four side neighbours, and past √0.5 into the four
// diagonal ones. At a radius of 1 the spread (0.39 px² per axis) meets the lattice disc's (0.4).
struct SubPixelWeights
{
    double centre;
    double side;
    double diagonal;
};

SubPixelWeights subPixelWeights(double radius)
{
    const double r = std::clamp(radius, 0.5, 1.0);
    const double r2 = r * r;
    // The part of the disc beyond one side of the centre square (x > 0.5): a circular segment.
    const double chord = std::sqrt(r2 - 0.25); // half the segment's chord, where the circle meets x = 0.5
    const double segment = r2 * std::acos(0.5 / r) - 0.5 * chord;
    // The part beyond two sides (x > 0.5 and y > 0.5): ∫ from 0.5 to the chord's end of √(r² − x²) − 0.5.
    const double corner
        = chord > 0.5 ? r2 * (std::asin(chord / r) - std::asin(0.5 / r)) / 2 - 0.5 * (chord - 0.5) : 0.0;
    const double area = std::numbers::pi * r2;
    SubPixelWeights w;
    w.side = (segment - 2 * corner) / area;
    w.diagonal = corner / area;
    w.centre = 1 - 4 * w.side - 4 * w.diagonal;
    return w;
}

QUAVEL_VECTOR_CLONES void subPixelRows(
    const PlaneView& src, const PlaneView& dst, int y0, int y1, double radius)
{
    const int w = src.width;
    const int h = src.height;
    const SubPixelWeights k = subPixelWeights(radius);
    const float centre = float(k.centre);
    const float side = float(k.side);
    const float diagonal = float(k.diagonal);
    const auto at = [&](const float* above, const float* here, const float* below, int x, int l, int r) {
        return centre * here[x] + side * (above[x] + below[x] + here[l] + here[r])
            + diagonal * (above[l] + above[r] + below[l] + below[r]);
    };
    for (int y = y0; y < y1; ++y) {
        const float* above = src.row(std::max(y - 1, 0));
        const float* here = src.row(y);
        const float* below = src.row(std::min(y + 1, h - 1));
        float* out = dst.row(y);
        // The first and last columns take their missing neighbour from the edge; the loop between has
        // no clamp, so that it vectorises.
        out[0] = at(above, here, below, 0, 0, std::min(1, w - 1));
        for (int x = 1; x < w - 1; ++x)
            out[x] = at(above, here, below, x, x - 1, x + 1);
        if (w > 1)
            out[w - 1] = at(above, here, below, w - 1, w - 2, w - 1);
    }
}

} // namespace

int reach(double radius)
{
    if (radius >= 1)
        return int(std::floor(radius));
    return radius > 0.5 ? 1 : 0;
}

void blur(const PlaneView& src, const PlaneView& dst, double radius, bool parallel)
{
    if (src.width <= 0 || src.height <= 0)
        return;
    const int rv = reach(radius);
    if (rv == 0) {
        for (int y = 0; y < src.height; ++y)
            std::memcpy(dst.row(y), src.row(y), std::size_t(src.width) * sizeof(float));
        return;
    }
    if (radius < 1) {
        auto band = [&](int y0, int y1) { subPixelRows(src, dst, y0, y1, radius); };
        if (parallel)
            RowPool::run(src.height, band, 16);
        else
            band(0, src.height);
        return;
    }
    std::vector<int> halfWidth(std::size_t(2 * rv + 1));
    for (int dy = -rv; dy <= rv; ++dy)
        halfWidth[std::size_t(dy + rv)]
            = int(std::floor(std::sqrt(std::max(0.0, radius * radius - dy * dy)) + 1e-9));
    auto band = [&](int y0, int y1) { blurRows(src, dst, y0, y1, halfWidth); };
    if (parallel)
        RowPool::run(src.height, band, std::max(16, 2 * rv));
    else
        band(0, src.height);
}

FloatImage blurred(const FloatImage& image, double radius)
{
    if (image.isNull())
        return image;
    FloatPlane out[3];
    for (int c = 0; c < 3; ++c) {
        out[c] = FloatPlane(image.width(), image.height());
        blur(PlaneView::reading(image.plane(c)), PlaneView::of(out[c]), radius, true);
    }
    return FloatImage(out[0], out[1], out[2], image.plane(FloatImage::Alpha), image.iccProfile());
}

} // namespace quavel::DiscBlur
