#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RgbRow.h"

#include <array>
#include <vector>

namespace quavel {

// A tone curve through five points: the monotone cubic (Fritsch–Carlson) spline through them, sampled
// into a 4096-entry table. Inputs are clamped to [0, 1]; between table entries the value is interpolated.
// The curve passes through the five points; it never overshoots between them.
class ToneCurve
{
public:
    struct Point
    {
        float x;
        float y;
    };

    // Points in increasing x (as the retoucher gives them); equal x values keep the first.
    explicit ToneCurve(const std::array<Point, 5>& points);

    float operator()(float x) const
    {
        const float position = PixelMath::clamp01(x) * float(kEntries - 1);
        const int i = std::min(int(position), kEntries - 2);
        const float f = position - float(i);
        return m_table[std::size_t(i)] + (m_table[std::size_t(i) + 1] - m_table[std::size_t(i)]) * f;
    }

    // The spline itself, without the table (for checking the table against it).
    float exact(float x) const;

    void apply(const RgbRow& row) const;
    FloatImage apply(const FloatImage& image) const;

    static constexpr int kEntries = 4096;

private:
    std::vector<float> m_x, m_y, m_slope;
    std::vector<float> m_table;
};

} // namespace quavel
