#include "platform/imaging/ToneCurve.h"

#include "platform/imaging/ColorFilters.h"
#include "platform/imaging/PixelMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quavel {

ToneCurve::ToneCurve(const std::array<Point, 5>& points)
{
    for (const Point& p : points) {
        if (!m_x.empty() && !(p.x > m_x.back()))
            continue;
        m_x.push_back(p.x);
        m_y.push_back(p.y);
    }
    const std::size_t n = m_x.size();
    m_slope.assign(n, 0.0f);
    if (n >= 2) {
        std::vector<double> h(n - 1), d(n - 1);
        for (std::size_t k = 0; k + 1 < n; ++k) {
            h[k] = double(m_x[k + 1]) - m_x[k];
            d[k] = (double(m_y[k + 1]) - m_y[k]) / h[k];
        }
        // Inner knots: the weighted harmonic mean of the neighbouring secants, 0 at an extremum.
        for (std::size_t k = 1; k + 1 < n; ++k) {
            if (d[k - 1] * d[k] <= 0)
                continue;
            const double w1 = 2 * h[k] + h[k - 1];
            const double w2 = h[k] + 2 * h[k - 1];
            m_slope[k] = float((w1 + w2) / (w1 / d[k - 1] + w2 / d[k]));
        }
        // End knots: the three-point formula, kept within what monotony allows.
        auto endSlope = [](double h0, double h1, double d0, double d1) {
            double m = ((2 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
            if (m * d0 <= 0)
                m = 0;
            else if (d0 * d1 <= 0 && std::abs(m) > 3 * std::abs(d0))
                m = 3 * d0;
            return m;
        };
        if (n == 2) {
            m_slope[0] = m_slope[1] = float(d[0]);
        } else {
            m_slope[0] = float(endSlope(h[0], h[1], d[0], d[1]));
            m_slope[n - 1] = float(endSlope(h[n - 2], h[n - 3], d[n - 2], d[n - 3]));
        }
    }
    m_table.resize(kEntries);
    for (int i = 0; i < kEntries; ++i)
        m_table[std::size_t(i)] = exact(float(i) / float(kEntries - 1));
}

float ToneCurve::exact(float x) const
{
    if (m_x.empty())
        return x;
    if (x <= m_x.front())
        return m_y.front();
    if (x >= m_x.back())
        return m_y.back();
    const std::size_t k = std::size_t(std::upper_bound(m_x.begin(), m_x.end(), x) - m_x.begin()) - 1;
    const double h = double(m_x[k + 1]) - m_x[k];
    const double t = (double(x) - m_x[k]) / h;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return float((2 * t3 - 3 * t2 + 1) * m_y[k] + (t3 - 2 * t2 + t) * h * m_slope[k]
        + (-2 * t3 + 3 * t2) * m_y[k + 1] + (t3 - t2) * h * m_slope[k + 1]);
}

QUAVEL_VECTOR_CLONES void ToneCurve::apply(const RgbRow& row) const
{
    for (float* p : { row.r, row.g, row.b })
        PixelMath::transform(p, row.n, [this](float v) { return (*this)(v); });
}

FloatImage ToneCurve::apply(const FloatImage& image) const
{
    return ColorFilters::mapRgb(image, [this](const RgbRow& row) { apply(row); });
}

} // namespace quavel
