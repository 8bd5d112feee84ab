#include "platform/imaging/DiscBlur.h"

#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

} // namespace

int reach(double radius)
{
    return radius >= 1 ? int(std::floor(radius)) : 0;
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
