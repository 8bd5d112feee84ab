#include "platform/imaging/GaussianBlur.h"

#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quavel::GaussianBlur {

namespace {

// Below this sigma the sampled kernel is short and a box approximation too coarse.
constexpr double kDirectBelow = 2.0;
constexpr int kBoxPasses = 5;
// Columns handled together by the vertical passes: wide enough to vectorise, narrow enough that a
// strip's rows stay in cache.
constexpr int kStrip = 64;

struct Kernel
{
    int radius = 0;
    std::vector<float> weights; // 2·radius + 1, normalised
};

Kernel sampledKernel(double sigma)
{
    Kernel k;
    k.radius = std::clamp(int(std::ceil(4.0 * sigma)), 1, 8); // sigma below 2
    k.weights.resize(std::size_t(2 * k.radius + 1));
    double sum = 0;
    for (int i = -k.radius; i <= k.radius; ++i) {
        const double w = std::exp(-double(i) * i / (2 * sigma * sigma));
        k.weights[std::size_t(i + k.radius)] = float(w);
        sum += w;
    }
    for (float& w : k.weights)
        w = float(w / sum);
    return k;
}

// One extended box: weight 1 on [-r, r], alpha at ±(r + 1), variance sigma² / passes.
struct Box
{
    int r = 0;
    float alpha = 0;
    float scale = 1; // 1 / total weight
    int reach() const { return r + 1; }
};

Box extendedBox(double sigma)
{
    const double s2 = sigma * sigma / kBoxPasses;
    Box b;
    b.r = int(std::floor((std::sqrt(1 + 12 * s2) - 1) / 2));
    while (double(b.r + 1) * (b.r + 2) / 3 <= s2)
        ++b.r;
    while (b.r > 0 && double(b.r) * (b.r + 1) / 3 > s2)
        --b.r;
    const double r = b.r;
    b.alpha = float((2 * r + 1) * (s2 - r * (r + 1) / 3) / (2 * ((r + 1) * (r + 1) - s2)));
    b.scale = float(1.0 / (2 * r + 1 + 2 * double(b.alpha)));
    return b;
}

// The same down a strip of columns: rows are vectors of width samples, stride apart.
QUAVEL_VECTOR_CLONES void boxPassRows(
    const float* in, float* out, int count, int width, std::ptrdiff_t stride, const Box& b, float* sum)
{
    const int e = b.reach();
    std::fill_n(sum, width, 0.0f);
    for (int k = 1; k < 2 * e; ++k) {
        const float* row = in + k * stride;
        for (int x = 0; x < width; ++x)
            sum[x] += row[x];
    }
    for (int i = 0; i < count; ++i) {
        const float* first = in + i * stride;
        const float* last = in + (i + 2 * e) * stride;
        const float* leaving = in + (i + 1) * stride;
        float* o = out + i * stride;
        for (int x = 0; x < width; ++x) {
            o[x] = (sum[x] + b.alpha * (first[x] + last[x])) * b.scale;
            sum[x] += last[x] - leaving[x];
        }
    }
}

// out = w0 · c + w · (a + b): the first pair of taps on top of the centre.
inline void firStart(const float* __restrict c, const float* __restrict a, const float* __restrict b,
    float* __restrict out, int n, float w0, float w)
{
    for (int x = 0; x < n; ++x)
        out[x] = w0 * c[x] + w * (a[x] + b[x]);
}

// out += w · (a + b): each further pair of taps (out stays in the first-level cache meanwhile).
inline void firAdd(
    const float* __restrict a, const float* __restrict b, float* __restrict out, int n, float w)
{
    for (int x = 0; x < n; ++x)
        out[x] += w * (a[x] + b[x]);
}

QUAVEL_VECTOR_CLONES void rowsDirect(
    const PlaneView& src, const PlaneView& dst, int y0, int y1, const Kernel& k)
{
    thread_local std::vector<float> paddedRow;
    float* const padded = scratch(paddedRow, std::size_t(src.width + 2 * k.radius));
    const float* w = k.weights.data() + k.radius; // the centre, then the taps outwards
    for (int y = y0; y < y1; ++y) {
        const float* in = src.row(y);
        std::fill_n(padded, k.radius, in[0]);
        std::memcpy(padded + k.radius, in, std::size_t(src.width) * sizeof(float));
        std::fill_n(padded + k.radius + src.width, k.radius, in[src.width - 1]);
        const float* c = padded + k.radius;
        float* out = dst.row(y);
        // The kernel is symmetric: the centre tap, then each pair of taps.
        firStart(c, c - 1, c + 1, out, src.width, w[0], w[1]);
        for (int t = 2; t <= k.radius; ++t)
            firAdd(c - t, c + t, out, src.width, w[t]);
    }
}

QUAVEL_VECTOR_CLONES void columnsDirect(
    const PlaneView& src, const PlaneView& dst, int y0, int y1, const Kernel& k)
{
    const float* w = k.weights.data() + k.radius;
    auto row = [&](int y) { return src.row(std::clamp(y, 0, src.height - 1)); };
    for (int y = y0; y < y1; ++y) {
        float* out = dst.row(y);
        firStart(row(y), row(y - 1), row(y + 1), out, src.width, w[0], w[1]);
        for (int t = 2; t <= k.radius; ++t)
            firAdd(row(y - t), row(y + t), out, src.width, w[t]);
    }
}

void columnsBox(const PlaneView& src, const PlaneView& dst, int x0, int x1, const Box& b)
{
    const int e = b.reach();
    const int margin = kBoxPasses * e;
    const int width = x1 - x0;
    const int rows = src.height + 2 * margin;
    thread_local std::vector<float> stripA, stripC, sums;
    float* const a = scratch(stripA, std::size_t(rows) * kStrip);
    float* const c = scratch(stripC, std::size_t(rows) * kStrip);
    float* const sum = scratch(sums, kStrip);
    for (int i = 0; i < rows; ++i)
        std::memcpy(a + std::size_t(i) * kStrip, src.row(std::clamp(i - margin, 0, src.height - 1)) + x0,
            std::size_t(width) * sizeof(float));
    float* from = a;
    float* to = c;
    int count = rows;
    for (int pass = 0; pass < kBoxPasses; ++pass) {
        count -= 2 * e;
        boxPassRows(from, to, count, width, kStrip, b, sum);
        std::swap(from, to);
    }
    for (int y = 0; y < src.height; ++y)
        std::memcpy(dst.row(y) + x0, from + std::size_t(y) * kStrip, std::size_t(width) * sizeof(float));
}

void forRange(int count, bool parallel, const std::function<void(int, int)>& body, int grain = 0)
{
    if (parallel)
        RowPool::run(count, body, grain);
    else
        body(0, count);
}

// dst (width = src's height) = src turned about its diagonal, in cache-sized blocks.
void transpose(const PlaneView& src, const PlaneView& dst, bool parallel)
{
    constexpr int block = 32;
    const int blocksDown = (src.height + block - 1) / block;
    forRange(blocksDown, parallel, [&](int b0, int b1) {
        for (int by = b0 * block; by < std::min(src.height, b1 * block); by += block)
            for (int bx = 0; bx < src.width; bx += block)
                for (int y = by; y < std::min(src.height, by + block); ++y) {
                    const float* in = src.row(y);
                    for (int x = bx; x < std::min(src.width, bx + block); ++x)
                        dst.row(x)[y] = in[x];
                }
    });
}

} // namespace

int reach(double sigma)
{
    if (!(sigma > 0))
        return 0;
    if (sigma < kDirectBelow)
        return sampledKernel(sigma).radius;
    return kBoxPasses * extendedBox(sigma).reach();
}

void blur(const PlaneView& src, const PlaneView& dst, double sigma, bool parallel)
{
    if (src.width <= 0 || src.height <= 0)
        return;
    if (!(sigma > 0)) {
        for (int y = 0; y < src.height; ++y)
            std::memcpy(dst.row(y), src.row(y), std::size_t(src.width) * sizeof(float));
        return;
    }
    // Packed temporaries: the plane's own for a parallel blur, else the thread's, kept from one call
    // to the next (a tile blurs once per channel).
    const std::size_t size = std::size_t(src.width) * std::size_t(src.height);
    thread_local std::vector<float> ownFirst, ownSecond;
    FloatPlane first, second;
    float* firstData;
    float* secondData;
    if (parallel) {
        first = FloatPlane(src.width, src.height);
        second = FloatPlane(src.height, src.width);
        firstData = first.data();
        secondData = second.data();
    } else {
        firstData = scratch(ownFirst, size);
        secondData = scratch(ownSecond, size);
    }
    const PlaneView mid { firstData, src.width, src.height, src.width };
    if (sigma < kDirectBelow) {
        // Rows into the temporary, then columns into dst.
        const Kernel k = sampledKernel(sigma);
        forRange(src.height, parallel, [&](int y0, int y1) { rowsDirect(src, mid, y0, y1, k); });
        forRange(src.height, parallel, [&](int y0, int y1) { columnsDirect(mid, dst, y0, y1, k); });
        return;
    }
    const Box b = extendedBox(sigma);
    auto columns = [&](const PlaneView& from, const PlaneView& to) {
        const int strips = (from.width + kStrip - 1) / kStrip;
        forRange(
            strips, parallel,
            [&](int s0, int s1) {
                for (int s = s0; s < s1; ++s)
                    columnsBox(from, to, s * kStrip, std::min(from.width, (s + 1) * kStrip), b);
            },
            1);
    };
    // The row passes, a running sum that cannot vectorise along a row, run as column passes on the
    // transposed plane, a strip of columns at once: src turned into mid's memory, blurred down its
    // columns into second, turned back into mid, blurred down the columns into dst.
    const PlaneView across { firstData, src.height, src.width, src.height };
    const PlaneView blurredAcross { secondData, src.height, src.width, src.height };
    transpose(src, across, parallel);
    columns(across, blurredAcross);
    transpose(blurredAcross, mid, parallel);
    columns(mid, dst);
}

FloatPlane blurred(const FloatPlane& plane, double sigma)
{
    if (plane.isNull())
        return plane;
    FloatPlane out(plane.width(), plane.height());
    blur(PlaneView::reading(plane), PlaneView::of(out), sigma, true);
    return out;
}

FloatImage blurred(const FloatImage& image, double sigma)
{
    if (image.isNull())
        return image;
    FloatPlane planes[4];
    for (int c = 0; c < 4; ++c)
        if (!image.plane(c).isNull())
            planes[c] = blurred(image.plane(c), sigma);
    return FloatImage(planes[0], planes[1], planes[2], planes[3], image.iccProfile());
}

} // namespace quavel::GaussianBlur
