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

void resampleRows(const float* in, int inW, int rows, float* out, int outW, const Weights& wx)
{
    RowPool::run(rows, [&](int y0, int y1) {
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
    });
}

void resampleColumns(const float* in, int width, float* out, int outH, const Weights& wy)
{
    RowPool::run(outH, [&](int y0, int y1) {
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
    });
}

// Separable: the order that reads fewest samples goes first; the row pass, a short product per output
// sample, counts double against the column pass, which runs along whole rows.
FloatPlane resamplePlane(const FloatPlane& in, int outW, int outH, const Weights& wx, const Weights& wy)
{
    const double tapsX = double(wx.values.size()) / std::max(outW, 1);
    const double tapsY = double(wy.values.size()) / std::max(outH, 1);
    const double rowsFirst = 2 * double(in.height()) * outW * tapsX + double(outW) * outH * tapsY;
    const double columnsFirst = double(in.width()) * outH * tapsY + 2 * double(outW) * outH * tapsX;
    FloatPlane result(outW, outH);
    if (rowsFirst <= columnsFirst) {
        FloatPlane mid(outW, in.height());
        resampleRows(in.constData(), in.width(), in.height(), mid.data(), outW, wx);
        resampleColumns(mid.constData(), outW, result.data(), outH, wy);
    } else {
        FloatPlane mid(in.width(), outH);
        resampleColumns(in.constData(), in.width(), mid.data(), outH, wy);
        resampleRows(mid.constData(), in.width(), outH, result.data(), outW, wx);
    }
    return result;
}

FloatImage resample(const FloatImage& image, int outW, int outH, const Weights& wx, const Weights& wy)
{
    if (!image.hasAlpha()) {
        return FloatImage(resamplePlane(image.plane(0), outW, outH, wx, wy),
            resamplePlane(image.plane(1), outW, outH, wx, wy),
            resamplePlane(image.plane(2), outW, outH, wx, wy), FloatPlane(), image.iccProfile());
    }
    // Premultiplied: a transparent pixel's colour must not bleed into its opaque neighbours.
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
    FloatPlane a = resamplePlane(image.plane(FloatImage::Alpha), outW, outH, wx, wy);
    FloatPlane colour[3];
    for (int c = 0; c < 3; ++c)
        colour[c] = resamplePlane(pre[c], outW, outH, wx, wy);
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
