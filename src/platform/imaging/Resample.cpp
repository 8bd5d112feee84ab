#include "platform/imaging/Resample.h"

#include "platform/imaging/RowPool.h"

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

void rowsOf(const float* in, int inW, int y0, int y1, float* out, int outW, const Weights& wx)
{
    for (int y = y0; y < y1; ++y) {
        const float* row = in + std::size_t(y) * inW;
        float* o = out + std::size_t(y) * outW;
        for (int x = 0; x < outW; ++x) {
            const float* w = wx.values.data() + wx.offset[std::size_t(x)];
            const float* p = row + wx.first[std::size_t(x)];
            float sum = 0;
            for (int t = 0; t < wx.count[std::size_t(x)]; ++t)
                sum += w[t] * p[t];
            o[x] = sum;
        }
    }
}

void columnsOf(const float* in, int width, int y0, int y1, float* out, const Weights& wy)
{
    for (int y = y0; y < y1; ++y) {
        float* o = out + std::size_t(y) * width;
        const float* w = wy.values.data() + wy.offset[std::size_t(y)];
        const float* first = in + std::size_t(wy.first[std::size_t(y)]) * width;
        const float w0 = w[0];
        for (int x = 0; x < width; ++x)
            o[x] = w0 * first[x];
        for (int t = 1; t < wy.count[std::size_t(y)]; ++t) {
            const float* row = first + std::size_t(t) * width;
            const float wt = w[t];
            for (int x = 0; x < width; ++x)
                o[x] += wt * row[x];
        }
    }
}

// Separable, every plane in each pass (one wait for the pool per pass, not per plane). The order that
// reads fewest samples goes first; the row pass, a short product per output sample, counts double
// against the column pass, which runs along whole rows.
std::vector<FloatPlane> resamplePlanes(
    const std::vector<const FloatPlane*>& planes, int outW, int outH, const Weights& wx, const Weights& wy)
{
    const int inW = planes[0]->width();
    const int inH = planes[0]->height();
    const double tapsX = double(wx.values.size()) / std::max(outW, 1);
    const double tapsY = double(wy.values.size()) / std::max(outH, 1);
    const double rowsFirst = 2 * double(inH) * outW * tapsX + double(outW) * outH * tapsY;
    const double columnsFirst = double(inW) * outH * tapsY + 2 * double(outW) * outH * tapsX;
    const bool byRows = rowsFirst <= columnsFirst;
    const int n = int(planes.size());
    std::vector<FloatPlane> mids, results;
    for (int c = 0; c < n; ++c) {
        mids.emplace_back(byRows ? outW : inW, byRows ? inH : outH);
        results.emplace_back(outW, outH);
    }
    const int midRows = byRows ? inH : outH;
    RowPool::run(n * midRows, [&](int s0, int s1) {
        for (int s = s0; s < s1; ++s) {
            const int c = s / midRows;
            const int y = s % midRows;
            if (byRows)
                rowsOf(planes[std::size_t(c)]->constData(), inW, y, y + 1, mids[std::size_t(c)].data(), outW,
                    wx);
            else
                columnsOf(
                    planes[std::size_t(c)]->constData(), inW, y, y + 1, mids[std::size_t(c)].data(), wy);
        }
    });
    RowPool::run(n * outH, [&](int s0, int s1) {
        for (int s = s0; s < s1; ++s) {
            const int c = s / outH;
            const int y = s % outH;
            if (byRows)
                columnsOf(
                    mids[std::size_t(c)].constData(), outW, y, y + 1, results[std::size_t(c)].data(), wy);
            else
                rowsOf(mids[std::size_t(c)].constData(), inW, y, y + 1, results[std::size_t(c)].data(), outW,
                    wx);
        }
    });
    return results;
}

FloatImage resample(const FloatImage& image, int outW, int outH, const Weights& wx, const Weights& wy)
{
    if (!image.hasAlpha()) {
        std::vector<FloatPlane> out
            = resamplePlanes({ &image.plane(0), &image.plane(1), &image.plane(2) }, outW, outH, wx, wy);
        return FloatImage(out[0], out[1], out[2], FloatPlane(), image.iccProfile());
    } // Premultiplied: a transparent pixel's colour must not bleed into its opaque neighbours.
    const int w = image.width();
    const int h = image.height();
    FloatPlane pre[3] = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h) };
    const float* alpha = image.plane(FloatImage::Alpha).constData();
    float* out[3] = { pre[0].data(), pre[1].data(), pre[2].data() };
    RowPool::run(h, [&](int y0, int y1) {
        const std::size_t begin = std::size_t(y0) * w;
        const std::size_t end = std::size_t(y1) * w;
        for (int c = 0; c < 3; ++c) {
            const float* in = image.plane(c).constData();
            for (std::size_t i = begin; i < end; ++i)
                out[c][i] = in[i] * alpha[i];
        }
    });
    std::vector<FloatPlane> planes
        = resamplePlanes({ &pre[0], &pre[1], &pre[2], &image.plane(FloatImage::Alpha) }, outW, outH, wx, wy);
    FloatPlane colour[3] = { planes[0], planes[1], planes[2] };
    FloatPlane a = planes[3];
    float* ap = a.data();
    float* cp[3] = { colour[0].data(), colour[1].data(), colour[2].data() };
    RowPool::run(outH, [&](int y0, int y1) {
        for (std::size_t i = std::size_t(y0) * outW; i < std::size_t(y1) * outW; ++i) {
            const float alphaValue = ap[i];
            const float inverse = alphaValue > 1e-6f ? 1.0f / alphaValue : 0.0f;
            for (int c = 0; c < 3; ++c)
                cp[c][i] *= inverse;
        }
    });
    return FloatImage(colour[0], colour[1], colour[2], a, image.iccProfile());
}

} // namespace

FloatImage lanczos3(const FloatImage& image, int width, int height)
{
    if (image.isNull() || width <= 0 || height <= 0)
        return FloatImage();
    if (width == image.width() && height == image.height())
        return image;
    return resample(
        image, width, height, lanczosWeights(image.width(), width), lanczosWeights(image.height(), height));
}

FloatImage lanczos3(const FloatImage& image, double scale)
{
    if (image.isNull() || !(scale > 0))
        return FloatImage();
    return lanczos3(image, std::max(1, int(std::lround(image.width() * scale))),
        std::max(1, int(std::lround(image.height() * scale))));
}

FloatImage areaDownscale(const FloatImage& image, double scale)
{
    if (image.isNull() || !(scale > 0))
        return FloatImage();
    scale = std::min(scale, 1.0);
    // The rounding of a product such as 6000 × 0.08 must not add a column.
    const int w = std::max(1, int(std::ceil(image.width() * scale - 1e-9)));
    const int h = std::max(1, int(std::ceil(image.height() * scale - 1e-9)));
    return resample(image, w, h, areaWeights(image.width(), w, scale), areaWeights(image.height(), h, scale));
}

} // namespace quavel::Resample
