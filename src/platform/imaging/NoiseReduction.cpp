#include "platform/imaging/NoiseReduction.h"

#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quavel::NoiseReduction {

namespace {

constexpr int kPad = 2; // columns of edge samples on each side of a luma row

// The working rows of one band [y0, y1) of the result: the lumas of the input rows it reads (three more
// on each side) and the gated means (one more on each side).
struct Band
{
    int width;
    int height;
    int y0;
    int y1;
    int first; // first luma row held (clamped view rows are mapped onto it)
    std::vector<float> luma; // rows [first, y1 + 3), each width + 2·kPad wide
    std::vector<float> mean; // rows [y0 − 1, y1 + 1), each width + 2 wide

    float* lumaRow(int y)
    {
        return luma.data() + std::size_t(std::clamp(y, 0, height - 1) - first) * (width + 2 * kPad) + kPad;
    }
};

// The 5 × 5 means of the lumas within level of the centre, the taps written out so that the loop over
// x is straight-line code the vectoriser takes whole, with the sums in registers.
inline void gatedMeans(const float* const rows[5], float* __restrict out, int w, float level)
{
    const float* r0 = rows[0];
    const float* r1 = rows[1];
    const float* r2 = rows[2];
    const float* r3 = rows[3];
    const float* r4 = rows[4];
    for (int x = 0; x < w; ++x) {
        const float c = r2[x];
        float sum = 0.0f;
        float count = 0.0f;
        auto tap = [&](float v) {
            const bool near = std::abs(v - c) <= level;
            sum += near ? v : 0.0f;
            count += near ? 1.0f : 0.0f;
        };
        auto row = [&](const float* p) {
            tap(p[x - 2]);
            tap(p[x - 1]);
            tap(p[x]);
            tap(p[x + 1]);
            tap(p[x + 2]);
        };
        row(r0);
        row(r1);
        row(r2);
        row(r3);
        row(r4);
        out[x] = sum / count; // the centre always counts
    }
}

QUAVEL_VECTOR_CLONES void computeDeltas(
    const PlaneView in[3], int y0, int y1, float level, float sharpness, std::vector<float>& delta)
{
    const int w = in[0].width;
    const int h = in[0].height;
    // The working rows stay with the thread: tiles call this once each.
    thread_local Band band;
    band.width = w;
    band.height = h;
    band.y0 = y0;
    band.y1 = y1;
    band.first = std::max(0, y0 - kReach);
    const int last = std::min(h, y1 + kReach);
    const std::size_t lumaStride = std::size_t(w + 2 * kPad);
    scratch(band.luma, std::size_t(last - band.first) * lumaStride);
    for (int y = band.first; y < last; ++y) {
        float* l = band.luma.data() + std::size_t(y - band.first) * lumaStride + kPad;
        const float* r = in[0].row(y);
        const float* g = in[1].row(y);
        const float* b = in[2].row(y);
        for (int x = 0; x < w; ++x)
            l[x] = 0.2126f * r[x] + 0.7152f * g[x] + 0.0722f * b[x];
        for (int p = 1; p <= kPad; ++p) {
            l[-p] = l[0];
            l[w - 1 + p] = l[w - 1];
        }
    }
    // Gated 5 × 5 means for rows y0 − 1 … y1 (clamped), padded by one column each side.
    const int meanRows = (y1 + 1) - (y0 - 1);
    const std::size_t meanStride = std::size_t(w + 2);
    scratch(band.mean, std::size_t(meanRows) * meanStride);
    for (int i = 0; i < meanRows; ++i) {
        const int y = std::clamp(y0 - 1 + i, 0, h - 1);
        const float* rows[5] = { band.lumaRow(y - 2), band.lumaRow(y - 1), band.lumaRow(y),
            band.lumaRow(y + 1), band.lumaRow(y + 2) };
        float* m = band.mean.data() + std::size_t(i) * meanStride + 1;
        gatedMeans(rows, m, w, level);
        m[-1] = m[0];
        m[w] = m[w - 1];
    }
    scratch(delta, std::size_t(y1 - y0) * w);
    for (int y = y0; y < y1; ++y) {
        const int i = y - (y0 - 1);
        const float* above = band.mean.data() + std::size_t(i - 1) * meanStride + 1;
        const float* here = band.mean.data() + std::size_t(i) * meanStride + 1;
        const float* below = band.mean.data() + std::size_t(i + 1) * meanStride + 1;
        const float* l = band.lumaRow(y);
        float* d = delta.data() + std::size_t(y - y0) * w;
        for (int x = 0; x < w; ++x) {
            const float box = (above[x - 1] + above[x] + above[x + 1] + here[x - 1] + here[x] + here[x + 1]
                                  + below[x - 1] + below[x] + below[x + 1])
                * (1.0f / 9);
            const float sharpened = here[x] + sharpness * (here[x] - box);
            d[x] = sharpened - l[x];
        }
    }
}

QUAVEL_VECTOR_CLONES void addDelta(const float* __restrict src, const float* __restrict d, float* dst, int n)
{
    for (int x = 0; x < n; ++x)
        dst[x] = src[x] + d[x];
}

} // namespace

void apply(const PlaneView in[3], const PlaneView out[3], float noiseLevel, float sharpness, bool parallel)
{
    const int w = in[0].width;
    const int h = in[0].height;
    if (w <= 0 || h <= 0)
        return;
    // The deltas of every row are made before any row is written, so out may be in.
    std::vector<std::vector<float>> ownDeltas;
    thread_local std::vector<std::vector<float>> tileDeltas; // a tile's, kept for the next tile
    std::vector<std::vector<float>>& deltas = parallel ? ownDeltas : tileDeltas;
    const int bandHeight = parallel ? std::max(8, h / (4 * RowPool::concurrency())) : h;
    const int bands = (h + bandHeight - 1) / bandHeight;
    deltas.resize(std::size_t(bands));
    auto each = [&](const std::function<void(int)>& fn) {
        if (parallel)
            RowPool::run(
                bands,
                [&](int b0, int b1) {
                    for (int b = b0; b < b1; ++b)
                        fn(b);
                },
                1);
        else
            for (int b = 0; b < bands; ++b)
                fn(b);
    };
    each([&](int b) {
        computeDeltas(in, b * bandHeight, std::min(h, (b + 1) * bandHeight), noiseLevel, sharpness,
            deltas[std::size_t(b)]);
    });
    each([&](int b) {
        const int y0 = b * bandHeight;
        const int y1 = std::min(h, (b + 1) * bandHeight);
        for (int y = y0; y < y1; ++y) {
            const float* d = deltas[std::size_t(b)].data() + std::size_t(y - y0) * w;
            for (int c = 0; c < 3; ++c)
                addDelta(in[c].row(y), d, out[c].row(y), w);
        }
    });
}

FloatImage apply(const FloatImage& image, double noiseLevel, double sharpness)
{
    if (image.isNull())
        return image;
    const int w = image.width();
    const int h = image.height();
    FloatPlane out[3] = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h) };
    const PlaneView inViews[3] = { PlaneView::reading(image.plane(0)), PlaneView::reading(image.plane(1)),
        PlaneView::reading(image.plane(2)) };
    const PlaneView outViews[3] = { PlaneView::of(out[0]), PlaneView::of(out[1]), PlaneView::of(out[2]) };
    apply(inViews, outViews, float(noiseLevel), float(sharpness), true);
    return FloatImage(out[0], out[1], out[2], image.plane(FloatImage::Alpha), image.iccProfile());
}

} // namespace quavel::NoiseReduction
