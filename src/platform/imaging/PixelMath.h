#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

// The hot loops of the filters are built twice, for the x86-64-v3 level (AVX2, FMA) and for the
// baseline, and the loader picks the one the processor runs; the sanitizer builds keep one.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define QUAVEL_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define QUAVEL_VECTOR_CLONES
#endif

// Per-sample arithmetic of the filters, written branch-free so that the compiler vectorises the loops
// that use it (with -fno-trapping-math, which lets it compute both sides of a select). The exponentials
// are our own: a libm pow per sample would cost more than everything else a render does. Relative error
// stays below 1e-6, far under one 8-bit step.
namespace quavel::PixelMath {

// f applied to n samples in place, in a loop the compiler can vectorise.
template <typename F> inline void transform(float* __restrict p, int n, F f)
{
    for (int i = 0; i < n; ++i)
        p[i] = f(p[i]);
}

// NaN gives 0 (the argument order of min and max decides that).
inline float clamp01(float x)
{
    return std::min(1.0f, std::max(0.0f, x));
}

inline std::uint8_t toByte(float x)
{
    return std::uint8_t(int(clamp01(x) * 255.0f + 0.5f));
}

inline float fromByte(std::uint8_t v)
{
    return float(v) * (1.0f / 255.0f);
}

inline float mix(float a, float b, float t)
{
    return a + (b - a) * t;
}

inline float smoothstep(float e0, float e1, float x)
{
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

// log2 of a positive normal number: the exponent, plus ln(m) from its atanh series with m brought into
// [√½, √2). Values at or below the smallest normal give about -126.
inline float log2Positive(float x)
{
    x = std::max(x, 1.17549435e-38f);
    const std::int32_t bits = std::bit_cast<std::int32_t>(x);
    std::int32_t exponent = ((bits >> 23) & 0xFF) - 127;
    float m = std::bit_cast<float>((bits & 0x007FFFFF) | 0x3F800000);
    const bool high = m > 1.41421356f;
    m = high ? m * 0.5f : m;
    exponent = high ? exponent + 1 : exponent;
    const float s = (m - 1.0f) / (m + 1.0f);
    const float s2 = s * s;
    const float series = 1.0f + s2 * (1.0f / 3 + s2 * (1.0f / 5 + s2 * (1.0f / 7 + s2 * (1.0f / 9))));
    return float(exponent) + 2.0f * s * series * 1.44269504f;
}

// 2^x: the nearest integer goes to the exponent field, the rest (|f| ≤ ½) through a degree-7 series.
inline float exp2(float x)
{
    x = std::min(std::max(x, -126.0f), 127.0f);
    const float rounded = (x + 12582912.0f) - 12582912.0f; // round to nearest, |x| < 2^22
    const float t = (x - rounded) * 0.693147181f;
    const float p = 1.0f
        + t
            * (1.0f
                + t
                    * (0.5f
                        + t
                            * (1.0f / 6
                                + t
                                    * (1.0f / 24
                                        + t * (1.0f / 120 + t * (1.0f / 720 + t * (1.0f / 5040)))))));
    const std::int32_t scale = (std::int32_t(rounded) + 127) << 23;
    return p * std::bit_cast<float>(scale);
}

// x^p for x > 0, 0 for x ≤ 0 (p > 0).
inline float powPositive(float x, float p)
{
    const float r = exp2(p * log2Positive(x));
    return x > 0.0f ? r : 0.0f;
}

// sign(x)·|x|^p: gamma of values that automatic contrast may have pushed below zero.
inline float powSigned(float x, float p)
{
    const float r = powPositive(std::abs(x), p);
    return x < 0.0f ? -r : r;
}

// The sRGB transfer curve, both ways, as the retouch kernels define it (linear below the knee on both
// sides, so negative values stay negative and the two are exact inverses).
inline float srgbToLinear(float x)
{
    const float curve = powPositive((x + 0.055f) * (1.0f / 1.055f), 2.4f);
    return x <= 0.04045f ? x * (1.0f / 12.92f) : curve;
}

inline float linearToSrgb(float x)
{
    const float curve = 1.055f * powPositive(x, 1.0f / 2.4f) - 0.055f;
    return x <= 0.0031308f ? x * 12.92f : curve;
}

} // namespace quavel::PixelMath
