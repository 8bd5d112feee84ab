#pragma once

#include "platform/imaging/PixelMath.h"

#include <algorithm>
#include <vector>

namespace quavel {

// A function of one value sampled at n + 1 evenly spaced points of [lo, hi] and read back by linear
// interpolation, the input clamped to the range: per-pixel curves built once per rendering instead of
// an exponential per sample. Accurate to about h² / 8 times the function's curvature (h the spacing).
class SampledFunction
{
public:
    SampledFunction() = default;

    template <typename F>
    SampledFunction(float lo, float hi, int n, F f)
        : m_values(std::size_t(n) + 2)
        , m_lo(lo)
        , m_hi(hi)
        , m_scale(float(n) / (hi - lo))
        , m_last(float(n))
    {
        for (int i = 0; i <= n; ++i)
            m_values[std::size_t(i)] = float(f(double(lo) + (double(hi) - lo) * i / n));
        m_values[std::size_t(n) + 1] = m_values[std::size_t(n)]; // read by the interpolation at hi
    }

    bool isNull() const { return m_values.empty(); }
    float lo() const { return m_lo; }
    float hi() const { return m_hi; }

    float operator()(float x) const
    {
        const float position = std::min(m_last, std::max(0.0f, (x - m_lo) * m_scale)); // NaN reads 0
        const int i = int(position);
        const float t = position - float(i);
        const float a = m_values[std::size_t(i)];
        return a + (m_values[std::size_t(i) + 1] - a) * t;
    }

    // In place over n samples.
    void apply(float* __restrict p, int n) const
    {
        const float* values = m_values.data();
        const float lo = m_lo;
        const float scale = m_scale;
        const float last = m_last;
        for (int k = 0; k < n; ++k) {
            const float position = std::min(last, std::max(0.0f, (p[k] - lo) * scale));
            const int i = int(position);
            const float t = position - float(i);
            const float a = values[i];
            p[k] = a + (values[i + 1] - a) * t;
        }
    }

    // From in to out, which do not overlap.
    void apply(const float* __restrict in, float* __restrict out, int n) const
    {
        const float* values = m_values.data();
        const float lo = m_lo;
        const float scale = m_scale;
        const float last = m_last;
        for (int k = 0; k < n; ++k) {
            const float position = std::min(last, std::max(0.0f, (in[k] - lo) * scale));
            const int i = int(position);
            const float t = position - float(i);
            const float a = values[i];
            out[k] = a + (values[i + 1] - a) * t;
        }
    }

    // The same, telling whether every input lay in [lo, hi]: when one did not, out holds clamped
    // readings and the caller uses the function itself for the row instead.
    bool applyWithin(const float* __restrict in, float* __restrict out, int n) const
    {
        const float* values = m_values.data();
        const float lo = m_lo;
        const float hi = m_hi;
        const float scale = m_scale;
        const float last = m_last;
        int outside = 0;
        for (int k = 0; k < n; ++k) {
            const float v = in[k];
            outside |= int(v < lo) | int(v > hi);
            const float position = std::min(last, std::max(0.0f, (v - lo) * scale));
            const int i = int(position);
            const float t = position - float(i);
            const float a = values[i];
            out[k] = a + (values[i + 1] - a) * t;
        }
        return outside == 0;
    }

private:
    std::vector<float> m_values;
    float m_lo = 0;
    float m_hi = 1;
    float m_scale = 1;
    float m_last = 0;
};

// The smallest and largest of n samples.
inline void sampleRange(const float* __restrict p, int n, float& lowest, float& highest)
{
    float a = p[0], b = p[0];
    for (int i = 1; i < n; ++i) {
        a = std::min(a, p[i]);
        b = std::max(b, p[i]);
    }
    lowest = a;
    highest = b;
}

} // namespace quavel
