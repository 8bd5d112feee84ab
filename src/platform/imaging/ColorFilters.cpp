#include "platform/imaging/ColorFilters.h"

#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace quavel::ColorFilters {

FloatImage mapRgb(const FloatImage& image, const std::function<void(const RgbRow&)>& fn)
{
    if (image.isNull())
        return image;
    const int w = image.width();
    const int h = image.height();
    FloatPlane out[3] = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h) };
    float* planes[3] = { out[0].data(), out[1].data(), out[2].data() };
    RowPool::run(h, [&](int y0, int y1) {
        const std::size_t offset = std::size_t(y0) * w;
        const std::size_t count = std::size_t(y1 - y0) * w;
        for (int c = 0; c < 3; ++c)
            std::memcpy(planes[c] + offset, image.plane(c).constData() + offset, count * sizeof(float));
        // Row by row, so each row stays in cache through the filter.
        for (int y = y0; y < y1; ++y) {
            const std::size_t at = std::size_t(y) * w;
            fn(RgbRow { planes[0] + at, planes[1] + at, planes[2] + at, w });
        }
    });
    return FloatImage(out[0], out[1], out[2], image.plane(FloatImage::Alpha), image.iccProfile());
}

QUAVEL_VECTOR_CLONES void exposure(const RgbRow& row, float ev)
{
    const float gain = std::exp2(ev);
    for (float* p : { row.r, row.g, row.b })
        PixelMath::transform(p, row.n, [gain](float v) { return v * gain; });
}

FloatImage exposure(const FloatImage& image, double ev)
{
    return mapRgb(image, [ev](const RgbRow& row) { exposure(row, float(ev)); });
}

QUAVEL_VECTOR_CLONES void gamma(const RgbRow& row, float power)
{
    for (float* p : { row.r, row.g, row.b })
        PixelMath::transform(p, row.n, [power](float v) { return PixelMath::powSigned(v, power); });
}

FloatImage gamma(const FloatImage& image, double power)
{
    return mapRgb(image, [power](const RgbRow& row) { gamma(row, float(power)); });
}

void invert(const RgbRow& row)
{
    for (float* p : { row.r, row.g, row.b })
        PixelMath::transform(p, row.n, [](float v) { return 1.0f - v; });
}

FloatImage invert(const FloatImage& image)
{
    return mapRgb(image, [](const RgbRow& row) { invert(row); });
}

QUAVEL_VECTOR_CLONES void colorControls(const RgbRow& row, float saturation, float brightness, float contrast)
{
    float* __restrict r = row.r;
    float* __restrict g = row.g;
    float* __restrict b = row.b;
    for (int i = 0; i < row.n; ++i) {
        const float luma = kLumaR * r[i] + kLumaG * g[i] + kLumaB * b[i];
        r[i] = (PixelMath::mix(luma, r[i], saturation) + brightness - 0.5f) * contrast + 0.5f;
        g[i] = (PixelMath::mix(luma, g[i], saturation) + brightness - 0.5f) * contrast + 0.5f;
        b[i] = (PixelMath::mix(luma, b[i], saturation) + brightness - 0.5f) * contrast + 0.5f;
    }
}

FloatImage colorControls(const FloatImage& image, double saturation, double brightness, double contrast)
{
    return mapRgb(image, [=](const RgbRow& row) {
        colorControls(row, float(saturation), float(brightness), float(contrast));
    });
}

QUAVEL_VECTOR_CLONES void vibrance(const RgbRow& row, float amount)
{
    float* __restrict r = row.r;
    float* __restrict g = row.g;
    float* __restrict b = row.b;
    for (int i = 0; i < row.n; ++i) {
        const float luma = kLumaR * r[i] + kLumaG * g[i] + kLumaB * b[i];
        const float high = std::max(r[i], std::max(g[i], b[i]));
        const float low = std::min(r[i], std::min(g[i], b[i]));
        const float s = 1.0f + amount * (1.0f - PixelMath::clamp01(high - low));
        r[i] = PixelMath::mix(luma, r[i], s);
        g[i] = PixelMath::mix(luma, g[i], s);
        b[i] = PixelMath::mix(luma, b[i], s);
    }
}

FloatImage vibrance(const FloatImage& image, double amount)
{
    return mapRgb(image, [amount](const RgbRow& row) { vibrance(row, float(amount)); });
}

FloatImage colorMatrix(const FloatImage& image, const Matrix& m)
{
    if (image.isNull())
        return image;
    const int w = image.width();
    const int h = image.height();
    const bool keepsAlpha = m.alpha == std::array<float, 4> { 0, 0, 0, 1 } && m.bias[3] == 0;
    FloatPlane out[4] = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h),
        keepsAlpha ? image.plane(FloatImage::Alpha) : FloatPlane(w, h) };
    const std::array<float, 4>* vectors[4] = { &m.red, &m.green, &m.blue, &m.alpha };
    float* planes[4] = { out[0].data(), out[1].data(), out[2].data(), keepsAlpha ? nullptr : out[3].data() };
    RowPool::run(h, [&](int y0, int y1) {
        const std::size_t begin = std::size_t(y0) * w;
        const std::size_t end = std::size_t(y1) * w;
        const float* in[3]
            = { image.plane(0).constData(), image.plane(1).constData(), image.plane(2).constData() };
        const float* alpha = image.hasAlpha() ? image.plane(FloatImage::Alpha).constData() : nullptr;
        for (int c = 0; c < 4; ++c) {
            if (!planes[c])
                continue;
            const std::array<float, 4>& v = *vectors[c];
            float* o = planes[c];
            for (std::size_t i = begin; i < end; ++i) {
                const float a = alpha ? alpha[i] : 1.0f;
                o[i]
                    = in[0][i] * v[0] + in[1][i] * v[1] + in[2][i] * v[2] + a * v[3] + m.bias[std::size_t(c)];
            }
        }
    });
    return FloatImage(out[0], out[1], out[2], out[3], image.iccProfile());
}

FloatImage blendWithMask(const FloatImage& input, const FloatImage& background, const FloatPlane& mask)
{
    if (input.isNull())
        return input;
    if (background.size() != input.size() || mask.width() != input.width() || mask.height() != input.height())
        throw std::invalid_argument("blendWithMask: sizes differ");
    const int w = input.width();
    const int h = input.height();
    const bool alpha = input.hasAlpha() || background.hasAlpha();
    FloatPlane out[4]
        = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h), alpha ? FloatPlane(w, h) : FloatPlane() };
    float* planes[4] = { out[0].data(), out[1].data(), out[2].data(), alpha ? out[3].data() : nullptr };
    const float* t = mask.constData();
    RowPool::run(h, [&](int y0, int y1) {
        const std::size_t begin = std::size_t(y0) * w;
        const std::size_t end = std::size_t(y1) * w;
        for (int c = 0; c < 4; ++c) {
            if (!planes[c])
                continue;
            const float* a = input.plane(c).isNull() ? nullptr : input.plane(c).constData();
            const float* b = background.plane(c).isNull() ? nullptr : background.plane(c).constData();
            float* o = planes[c];
            for (std::size_t i = begin; i < end; ++i) {
                const float fg = a ? a[i] : 1.0f;
                const float bg = b ? b[i] : 1.0f;
                o[i] = bg + (fg - bg) * t[i];
            }
        }
    });
    return FloatImage(out[0], out[1], out[2], out[3], input.iccProfile());
}

} // namespace quavel::ColorFilters
