#include "photo/retouch/RetouchMaps.h"

#include "platform/imaging/GaussianBlur.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/SampledFunction.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>

namespace quavel::PhotoRetoucher::detail {

int mapFactor(double sigma)
{
    return sigma >= 8 ? int(std::floor(sigma / 4)) : 1;
}

bool wholeImageMap(int factor, QSize imageSize)
{
    constexpr qint64 kSmallMap = qint64(16) << 20; // bytes
    const qint64 cells = qint64(imageSize.width() / factor + 3) * qint64(imageSize.height() / factor + 3);
    return factor >= 3 || cells * qint64(sizeof(float)) <= kSmallMap;
}

namespace {

// Adds the sums of each cell's f columns of the edge-extended row (cell i at i + 1) to cells.
void addCells(const float* luma, int w, int factor, double* cells, int cellCount)
{
    for (int i = 0; i < cellCount; ++i) {
        const int first = (i - 1) * factor;
        double sum = 0;
        if (first >= 0 && first + factor <= w) {
            for (int u = 0; u < factor; ++u)
                sum += luma[first + u];
        } else {
            for (int u = 0; u < factor; ++u)
                sum += luma[std::clamp(first + u, 0, w - 1)];
        }
        cells[i] += sum;
    }
}

} // namespace

QUAVEL_VECTOR_CLONES void lumaRow(const float* const in[3], int n, const SampledFunction& linear, float scale,
    float offset, float* __restrict out, float* __restrict work)
{
    const float weights[3] = { 0.2126f, 0.7152f, 0.0722f };
    int outside = 0;
    for (int c = 0; c < 3; ++c) {
        const float* p = in[c];
        for (int x = 0; x < n; ++x)
            outside |= int(p[x] < 0.0f) | int(p[x] > 1.0f);
    }
    for (int c = 0; c < 3; ++c) {
        if (outside) {
            const float* p = in[c];
            for (int x = 0; x < n; ++x)
                work[x] = PixelMath::srgbToLinear(p[x] * scale + offset);
        } else {
            linear.apply(in[c], work, n);
        }
        const float k = weights[c];
        if (c == 0)
            for (int x = 0; x < n; ++x)
                out[x] = k * work[x];
        else
            for (int x = 0; x < n; ++x)
                out[x] += k * work[x];
    }
}

SampledFunction linearLoad(float scale, float offset)
{
    return SampledFunction(
        0, 1, 2048, [=](double c) { return PixelMath::srgbToLinear(float(c) * scale + offset); });
}

FloatPlane reducedLumaMap(const FloatImage& image, float scale, float offset, int factor)
{
    // Cell (i, j) is the mean of the f × f block [i·f, (i + 1)·f) × [j·f, (j + 1)·f) of the edge-extended
    // map, for i from −1 to ⌈w / f⌉ (stored one place on): with a cell of pure extension on every side,
    // the reduced blur's own edge extension continues exactly what the full map's would, and a partial
    // block at the right or bottom edge keeps its place on the grid.
    const int w = image.width();
    const int h = image.height();
    const int rw = (w + factor - 1) / factor + 2;
    const int rh = (h + factor - 1) / factor + 2;
    FloatPlane reduced(rw, rh);
    float* out = reduced.data();
    const double cellArea = double(factor) * factor;
    const SampledFunction linear = linearLoad(scale, offset);
    RowPool::run(rh, [&](int j0, int j1) {
        std::vector<float> luma(static_cast<std::size_t>(w)), work(static_cast<std::size_t>(w));
        std::vector<double> cells(static_cast<std::size_t>(rw));
        for (int j = j0; j < j1; ++j) {
            std::fill(cells.begin(), cells.end(), 0.0);
            for (int t = 0; t < factor; ++t) {
                const int y = std::clamp((j - 1) * factor + t, 0, h - 1);
                const float* in[3] = { image.row(0, y), image.row(1, y), image.row(2, y) };
                lumaRow(in, w, linear, scale, offset, luma.data(), work.data());
                addCells(luma.data(), w, factor, cells.data(), rw);
            }
            float* o = out + std::size_t(j) * rw;
            for (int i = 0; i < rw; ++i)
                o[i] = float(cells[std::size_t(i)] / cellArea);
        }
    });
    return reduced;
}

LumaMap blurMap(const FloatPlane& reduced, int factor, double sigma, int width, int height, bool parallel)
{
    // The block means and the interpolation already spread the map by about (3f² − 1) / 12 squared
    // pixels: the reduced blur makes up the rest.
    const double spread = factor > 1 ? (3.0 * factor * factor - 1) / 12 : 0;
    const double reducedSigma = std::sqrt(std::max(sigma * sigma - spread, 1e-4)) / factor;
    FloatPlane blurred(reduced.width(), reduced.height());
    GaussianBlur::blur(PlaneView::reading(reduced), PlaneView::of(blurred), reducedSigma, parallel);
    return LumaMap(std::move(blurred), factor, width, height);
}

LumaMap::LumaMap(FloatPlane reduced, int factor, int width, int)
    : m_map(std::move(reduced))
    , m_factor(factor)
{
    if (m_factor == 1)
        return;
    // Block i's centre sits at i·f + (f − 1) / 2; block i is stored at i + 1.
    m_column.resize(std::size_t(width));
    m_weight.resize(std::size_t(width));
    const int last = m_map.width() - 1;
    for (int x = 0; x < width; ++x) {
        const double u = (x - (m_factor - 1) / 2.0) / m_factor + 1;
        const int left = std::clamp(int(std::floor(u)), 0, last);
        m_column[std::size_t(x)] = left;
        m_weight[std::size_t(x)] = float(std::clamp(u - left, 0.0, 1.0));
    }
}

void LumaMap::sample(int y, int x0, int n, float* out, std::vector<float>& scratch) const
{
    if (m_factor == 1) {
        std::copy_n(m_map.row(y + 1) + x0 + 1, n, out);
        return;
    }
    const double v = (y - (m_factor - 1) / 2.0) / m_factor + 1;
    const int lastRow = m_map.height() - 1;
    const int top = std::clamp(int(std::floor(v)), 0, lastRow);
    const int bottom = std::min(top + 1, lastRow);
    const float wy = float(std::clamp(v - top, 0.0, 1.0));
    // The two reduced rows mixed once over the span the columns read, then mixed across.
    const int first = m_column[std::size_t(x0)];
    const int end = std::min(m_map.width(), m_column[std::size_t(x0 + n - 1)] + 2);
    quavel::scratch(scratch, std::size_t(end - first) + 1);
    const float* a = m_map.row(top);
    const float* b = m_map.row(bottom);
    for (int i = first; i < end; ++i)
        scratch[std::size_t(i - first)] = a[i] + (b[i] - a[i]) * wy;
    scratch[std::size_t(end - first)] = scratch[std::size_t(end - first - 1)];
    const int lastColumn = m_map.width() - 1;
    for (int k = 0; k < n; ++k) {
        const int left = m_column[std::size_t(x0 + k)];
        const int right = std::min(left + 1, lastColumn);
        const float l = scratch[std::size_t(left - first)];
        const float r = scratch[std::size_t(right - first)];
        out[k] = l + (r - l) * m_weight[std::size_t(x0 + k)];
    }
}

} // namespace quavel::PhotoRetoucher::detail
