#include "platform/imaging/Resample.h"

#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quavel::Resample {

namespace {

// For each output sample: the first input sample it reads and its weights over the following ones.
struct Weights
{
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset; // into values
    std::vector<float> values;

    // The input samples output samples [begin, end) read: [low, high).
    int low(int begin) const { return first[std::size_t(begin)]; }
    int high(int begin, int end) const
    {
        int h = 0;
        for (int i = begin; i < end; ++i)
            h = std::max(h, first[std::size_t(i)] + count[std::size_t(i)]);
        return h;
    }
};

double lanczos(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1;
    if (x >= 3)
        return 0;
    const double px = M_PI * x;
    return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

// Taps beyond the edge are folded onto the edge sample, which is what repeating the edge means.
Weights lanczosWeights(int inSize, int outSize)
{
    Weights w;
    const double scale = double(outSize) / inSize;
    const double stretch = std::min(scale, 1.0); // downscaling widens the kernel
    const double support = 3 / stretch;
    for (int i = 0; i < outSize; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int lo = int(std::floor(centre - support)) + 1;
        const int hi = int(std::floor(centre + support));
        const int first = std::clamp(lo, 0, inSize - 1);
        const int last = std::clamp(hi, 0, inSize - 1);
        std::vector<double> taps(std::size_t(last - first + 1), 0.0);
        double total = 0;
        for (int j = lo; j <= hi; ++j) {
            const double v = lanczos((j - centre) * stretch);
            taps[std::size_t(std::clamp(j, 0, inSize - 1) - first)] += v;
            total += v;
        }
        w.first.push_back(first);
        w.count.push_back(int(taps.size()));
        w.offset.push_back(int(w.values.size()));
        for (double t : taps)
            w.values.push_back(float(total != 0 ? t / total : 0));
    }
    return w;
}

// Output pixel i of a copy scaled by scale covers [i / scale, (i + 1) / scale) of the input.
Weights areaWeights(int inSize, int outSize, double scale)
{
    Weights w;
    for (int i = 0; i < outSize; ++i) {
        const double a = std::min(double(inSize), i / scale);
        const double b = std::min(double(inSize), (i + 1) / scale);
        const int first = std::clamp(int(std::floor(a)), 0, inSize - 1);
        const int last = std::clamp(int(std::ceil(b)) - 1, first, inSize - 1);
        w.first.push_back(first);
        w.count.push_back(last - first + 1);
        w.offset.push_back(int(w.values.size()));
        const double span = std::max(b - a, 1e-12);
        for (int j = first; j <= last; ++j) {
            const double cover = std::min(b, j + 1.0) - std::max(a, double(j));
            w.values.push_back(float(std::max(cover, 0.0) / span));
        }
        if (b <= a) // nothing left to cover: repeat the last input sample
            w.values.back() = 1;
    }
    return w;
}

// One output row of the horizontal pass.
void horizontal(const float* row, float* out, int outW, const Weights& wx)
{
    for (int x = 0; x < outW; ++x) {
        const float* w = wx.values.data() + wx.offset[std::size_t(x)];
        const float* p = row + wx.first[std::size_t(x)];
        float sum = 0;
        for (int t = 0; t < wx.count[std::size_t(x)]; ++t)
            sum += w[t] * p[t];
        out[x] = sum;
    }
}

// Output row y of the vertical pass, from the input rows at first, stride samples apart.
void vertical(const float* first, std::ptrdiff_t stride, int width, int y, const Weights& wy, float* out)
{
    const float* w = wy.values.data() + wy.offset[std::size_t(y)];
    const float w0 = w[0];
    for (int x = 0; x < width; ++x)
        out[x] = w0 * first[x];
    for (int t = 1; t < wy.count[std::size_t(y)]; ++t) {
        const float* row = first + std::ptrdiff_t(t) * stride;
        const float wt = w[t];
        for (int x = 0; x < width; ++x)
            out[x] += wt * row[x];
    }
}

// What is resampled: three colour planes, or four with alpha (the colours are then resampled
// premultiplied), each at the top-left corner of the part read.
struct Source
{
    const float* planes[4] = {};
    std::ptrdiff_t stride = 0;
    int firstRow = 0; // the row the planes point at
    int width = 0;
    int height = 0;
    bool alpha = false;
    int count() const { return alpha ? 4 : 3; }
    const float* row(int c, int y) const { return planes[c] + std::ptrdiff_t(y - firstRow) * stride; }
};

Source sourceOf(const FloatImage& image, const QRect& part)
{
    Source s;
    s.alpha = image.hasAlpha();
    for (int c = 0; c < s.count(); ++c)
        s.planes[c] = image.row(c, part.top()) + part.left();
    s.stride = image.width();
    s.width = part.width();
    s.height = part.height();
    return s;
}

// The working rows of one band, reused by the thread from band to band.
struct BandScratch
{
    std::vector<float> premultiplied; // the input rows a band reads, colours times alpha
    std::vector<float> mid;
    std::vector<float> out; // the band itself, when it is handed to a sink
};

BandScratch& bandScratch()
{
    thread_local BandScratch scratch;
    return scratch;
}

constexpr double kBandBytes = 2 << 20;

// A resampling cut into bands of output rows. The separable passes run in the order that reads fewest
// samples: the row pass (a short product per output sample, counted double against the column pass,
// which runs along whole rows) over the input rows each band reads, or the column pass first.
class Plan
{
public:
    Plan(const Source& source, int outW, int outH, Weights wx, Weights wy)
        : m_source(source)
        , m_outW(outW)
        , m_outH(outH)
        , m_wx(std::move(wx))
        , m_wy(std::move(wy))
    {
        // Bands small enough that a thread's working rows stay near kBandBytes (they are kept from job
        // to job), and enough of them to keep every thread busy.
        const int threads = RowPool::concurrency();
        const double rowBytes = double(source.count()) * sizeof(float)
            * (outW + std::max(double(outW) * source.height / outH, double(source.width)));
        m_bandRows = std::clamp(int(kBandBytes / rowBytes), 1, 64);
        m_bandRows = std::min(m_bandRows, std::max(1, (outH + 3 * threads - 1) / (3 * threads)));
        m_bands = (outH + m_bandRows - 1) / m_bandRows;
        double inputRows = 0; // the rows the row pass goes over, band by band
        for (int b = 0; b < m_bands; ++b) {
            const int y0 = b * m_bandRows;
            const int y1 = std::min(outH, y0 + m_bandRows);
            inputRows += m_wy.high(y0, y1) - m_wy.low(y0);
        }
        const double tapsX = double(m_wx.values.size()) / std::max(outW, 1);
        const double tapsY = double(m_wy.values.size()) / std::max(outH, 1);
        const double rowsFirst = 2 * inputRows * outW * tapsX + double(outW) * outH * tapsY;
        const double columnsFirst = double(source.width) * outH * tapsY + 2 * double(outW) * outH * tapsX;
        m_byRows = rowsFirst <= columnsFirst;
    }

    int bands() const { return m_bands; }
    int bandTop(int b) const { return b * m_bandRows; }
    int bandBottom(int b) const { return std::min(m_outH, (b + 1) * m_bandRows); }

    // Output rows of band b into out (row bandTop(b) of each plane), stride samples apart.
    void run(int b, float* const out[4], std::ptrdiff_t outStride, BandScratch& scratch) const
    {
        const int y0 = bandTop(b);
        const int y1 = bandBottom(b);
        const int n = m_source.count();
        // The input rows the band reads, premultiplied first when the colours are (alpha copied beside
        // them, so that all four share one stride).
        const int r0 = m_wy.low(y0);
        const int r1 = m_wy.high(y0, y1);
        Source in = m_source;
        if (m_source.alpha) {
            const std::size_t rowSize = std::size_t(m_source.width);
            const std::size_t planeSize = rowSize * std::size_t(r1 - r0);
            float* pre = quavel::scratch(scratch.premultiplied, 4 * planeSize);
            for (int r = r0; r < r1; ++r) {
                const std::size_t at = std::size_t(r - r0) * rowSize;
                const float* a = m_source.row(3, r);
                std::copy_n(a, rowSize, pre + 3 * planeSize + at);
                for (int c = 0; c < 3; ++c) {
                    const float* p = m_source.row(c, r);
                    float* o = pre + std::size_t(c) * planeSize + at;
                    for (std::size_t x = 0; x < rowSize; ++x)
                        o[x] = p[x] * a[x];
                }
            }
            for (int c = 0; c < 4; ++c)
                in.planes[c] = pre + std::size_t(c) * planeSize;
            in.stride = std::ptrdiff_t(rowSize);
            in.firstRow = r0;
        }
        if (m_byRows) {
            const std::size_t planeSize = std::size_t(m_outW) * std::size_t(r1 - r0);
            float* mid = quavel::scratch(scratch.mid, std::size_t(n) * planeSize);
            for (int c = 0; c < n; ++c) {
                float* m = mid + std::size_t(c) * planeSize;
                for (int r = r0; r < r1; ++r)
                    horizontal(in.row(c, r), m + std::size_t(r - r0) * std::size_t(m_outW), m_outW, m_wx);
                for (int y = y0; y < y1; ++y)
                    vertical(m + std::size_t(m_wy.first[std::size_t(y)] - r0) * std::size_t(m_outW), m_outW,
                        m_outW, y, m_wy, out[c] + std::ptrdiff_t(y - y0) * outStride);
            }
        } else {
            float* mid = quavel::scratch(scratch.mid, std::size_t(m_source.width));
            for (int c = 0; c < n; ++c)
                for (int y = y0; y < y1; ++y) {
                    vertical(in.row(c, m_wy.first[std::size_t(y)]), in.stride, m_source.width, y, m_wy, mid);
                    horizontal(mid, out[c] + std::ptrdiff_t(y - y0) * outStride, m_outW, m_wx);
                }
        }
        if (!m_source.alpha)
            return;
        for (int y = y0; y < y1; ++y) {
            const std::ptrdiff_t at = std::ptrdiff_t(y - y0) * outStride;
            const float* alpha = out[3] + at;
            for (int x = 0; x < m_outW; ++x) {
                const float inverse = alpha[x] > 1e-6f ? 1.0f / alpha[x] : 0.0f;
                for (int c = 0; c < 3; ++c)
                    out[c][at + x] *= inverse;
            }
        }
    }

private:
    Source m_source;
    int m_outW;
    int m_outH;
    Weights m_wx;
    Weights m_wy;
    int m_bandRows = 1;
    int m_bands = 0;
    bool m_byRows = true;
};

FloatImage resample(const FloatImage& image, const QRect& part, int outW, int outH, Weights wx, Weights wy)
{
    const Plan plan(sourceOf(image, part), outW, outH, std::move(wx), std::move(wy));
    FloatPlane planes[4];
    for (int c = 0; c < (image.hasAlpha() ? 4 : 3); ++c)
        planes[c] = FloatPlane(outW, outH);
    RowPool::run(
        plan.bands(),
        [&](int b0, int b1) {
            for (int b = b0; b < b1; ++b) {
                float* out[4] = {};
                for (int c = 0; c < 4; ++c)
                    if (!planes[c].isNull())
                        out[c] = planes[c].row(plan.bandTop(b));
                plan.run(b, out, outW, bandScratch());
            }
        },
        1);
    return FloatImage(std::move(planes[0]), std::move(planes[1]), std::move(planes[2]), std::move(planes[3]),
        image.iccProfile());
}

} // namespace

FloatImage lanczos3(const FloatImage& image, int width, int height)
{
    if (image.isNull() || width <= 0 || height <= 0)
        return FloatImage();
    if (width == image.width() && height == image.height())
        return image;
    return lanczos3(image, QRect(QPoint(0, 0), image.size()), width, height);
}

FloatImage lanczos3(const FloatImage& image, double scale)
{
    if (image.isNull() || !(scale > 0))
        return FloatImage();
    return lanczos3(image, std::max(1, int(std::lround(image.width() * scale))),
        std::max(1, int(std::lround(image.height() * scale))));
}

FloatImage lanczos3(const FloatImage& image, const QRect& region, int width, int height)
{
    const QRect part = region.intersected(QRect(QPoint(0, 0), image.size()));
    if (image.isNull() || part.isEmpty() || width <= 0 || height <= 0)
        return FloatImage();
    return resample(image, part, width, height, lanczosWeights(part.width(), width),
        lanczosWeights(part.height(), height));
}

void lanczos3Bands(
    const FloatImage& image, int width, int height, const std::function<void(const Band& band)>& sink)
{
    if (image.isNull() || width <= 0 || height <= 0)
        return;
    const int n = image.hasAlpha() ? 4 : 3;
    const Plan plan(sourceOf(image, QRect(QPoint(0, 0), image.size())), width, height,
        lanczosWeights(image.width(), width), lanczosWeights(image.height(), height));
    RowPool::run(
        plan.bands(),
        [&](int b0, int b1) {
            BandScratch& scratch = bandScratch();
            for (int b = b0; b < b1; ++b) {
                Band band;
                band.top = plan.bandTop(b);
                band.height = plan.bandBottom(b) - band.top;
                band.width = width;
                band.stride = width;
                const std::size_t planeSize = std::size_t(width) * std::size_t(band.height);
                float* memory = quavel::scratch(scratch.out, std::size_t(n) * planeSize);
                float* out[4] = {};
                for (int c = 0; c < n; ++c) {
                    out[c] = memory + std::size_t(c) * planeSize;
                    band.planes[c] = out[c];
                }
                plan.run(b, out, width, scratch);
                sink(band);
            }
        },
        1);
}

FloatImage areaDownscale(const FloatImage& image, double scale)
{
    if (image.isNull() || !(scale > 0))
        return FloatImage();
    scale = std::min(scale, 1.0);
    // The rounding of a product such as 6000 × 0.08 must not add a column.
    const int w = std::max(1, int(std::ceil(image.width() * scale - 1e-9)));
    const int h = std::max(1, int(std::ceil(image.height() * scale - 1e-9)));
    return resample(image, QRect(QPoint(0, 0), image.size()), w, h, areaWeights(image.width(), w, scale),
        areaWeights(image.height(), h, scale));
}

} // namespace quavel::Resample
