#pragma once

#include "common/TestSupport.h"
#include "platform/imaging/FloatImage.h"

#include <QColorSpace>
#include <QString>

#include <array>
#include <functional>
#include <random>

namespace quavel::test {

using Rgb = std::array<float, 3>;

// An image whose every pixel is fn(x, y); with alpha when alphaFn is given.
inline FloatImage makeImage(int w, int h, const std::function<Rgb(int, int)>& fn,
    const std::function<float(int, int)>& alphaFn = {}, const QByteArray& icc = {})
{
    FloatPlane r(w, h), g(w, h), b(w, h), a;
    if (alphaFn)
        a = FloatPlane(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = fn(x, y);
            r.row(y)[x] = c[0];
            g.row(y)[x] = c[1];
            b.row(y)[x] = c[2];
            if (alphaFn)
                a.row(y)[x] = alphaFn(x, y);
        }
    return FloatImage(r, g, b, a, icc);
}

inline FloatImage uniform(int w, int h, Rgb c)
{
    return makeImage(w, h, [c](int, int) { return c; });
}

inline FloatImage grey(int w, int h, float v)
{
    return uniform(w, h, { v, v, v });
}

// Smooth colour gradients plus grey noise of the given deviation, from a fixed seed.
inline FloatImage photoLike(int w, int h, float noise = 0.0f, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> n(0.0f, noise > 0 ? noise : 1.0f);
    return makeImage(w, h, [&](int x, int y) {
        const float e = noise > 0 ? n(random) : 0.0f;
        const float u = float(x) / float(w);
        const float v = float(y) / float(h);
        return Rgb { 0.15f + 0.7f * u + e, 0.2f + 0.6f * v + e, 0.8f - 0.5f * u * v + e };
    });
}

inline Rgb pixel(const FloatImage& image, int x, int y)
{
    return { image.row(0, y)[x], image.row(1, y)[x], image.row(2, y)[x] };
}

inline QByteArray displayP3Profile()
{
    return QColorSpace(QColorSpace::DisplayP3).iccProfile();
}

} // namespace quavel::test
