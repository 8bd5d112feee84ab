#include "ui/Backdrop.h"

#include "ui/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quavel {

namespace {

struct Vec
{
    double x, y;
};

double cross(const Vec& a, const Vec& b)
{
    return a.x * b.y - a.y * b.x;
}

// The (s, t) of a point in a bilinear patch, solved exactly (a quadratic in t); false when the point
// lies outside the patch. Corners: p00 top left, p10 top right, p01 bottom left, p11 bottom right.
bool inverseBilinear(
    const Vec& q, const Vec& p00, const Vec& p10, const Vec& p01, const Vec& p11, double& s, double& t)
{
    const Vec e { p10.x - p00.x, p10.y - p00.y };
    const Vec f { p01.x - p00.x, p01.y - p00.y };
    const Vec g { p00.x - p10.x + p11.x - p01.x, p00.y - p10.y + p11.y - p01.y };
    const Vec h { q.x - p00.x, q.y - p00.y };
    const double k2 = cross(g, f);
    const double k1 = cross(e, f) + cross(h, g);
    const double k0 = cross(h, e);
    auto sFor = [&](double tt) {
        const double dx = e.x + g.x * tt, dy = e.y + g.y * tt;
        return std::abs(dx) >= std::abs(dy) ? (h.x - f.x * tt) / dx : (h.y - f.y * tt) / dy;
    };
    constexpr double eps = 1e-7;
    auto inside
        = [&](double ss, double tt) { return ss >= -eps && ss <= 1 + eps && tt >= -eps && tt <= 1 + eps; };
    if (std::abs(k2) < 1e-12) {
        t = -k0 / k1;
        s = sFor(t);
        return inside(s, t);
    }
    double w = k1 * k1 - 4 * k0 * k2;
    if (w < 0)
        return false;
    w = std::sqrt(w);
    t = (-k1 - w) / (2 * k2);
    s = sFor(t);
    if (inside(s, t))
        return true;
    t = (-k1 + w) / (2 * k2);
    s = sFor(t);
    return inside(s, t);
}

// Catmull-Rom through three samples with the ends held, for u in [0, 2]: smooth across patch edges.
double smooth3(const double v[3], double u)
{
    const int i = std::clamp(int(std::floor(u)), 0, 1);
    const double t = u - i;
    auto at = [&](int k) { return v[std::clamp(k, 0, 2)]; };
    const double p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    const double t2 = t * t, t3 = t2 * t;
    return 0.5
        * (2 * p1 + (-p0 + p2) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2
            + (-p0 + 3 * p1 - 3 * p2 + p3) * t3);
}

QColor rgb(double r, double g, double b)
{
    return QColor::fromRgbF(float(r), float(g), float(b));
}

} // namespace

Backdrop::Backdrop(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Backdrop::Mesh Backdrop::mesh(bool dark)
{
    Mesh m;
    m.points = { QPointF(0, 0), QPointF(0.5, 0), QPointF(1, 0), QPointF(0, 0.5), QPointF(0.55, 0.42),
        QPointF(1, 0.55), QPointF(0, 1), QPointF(0.45, 1), QPointF(1, 1) };
    if (dark)
        m.colors = { rgb(0.05, 0.09, 0.12), rgb(0.08, 0.16, 0.20), rgb(0.06, 0.12, 0.16),
            rgb(0.07, 0.14, 0.18), rgb(0.12, 0.32, 0.34), rgb(0.10, 0.18, 0.24), rgb(0.04, 0.07, 0.10),
            rgb(0.06, 0.11, 0.14), rgb(0.05, 0.10, 0.13) };
    else
        m.colors = { rgb(0.90, 0.94, 0.96), rgb(0.82, 0.90, 0.93), rgb(0.88, 0.92, 0.95),
            rgb(0.84, 0.91, 0.90), rgb(0.72, 0.86, 0.86), rgb(0.86, 0.91, 0.94), rgb(0.93, 0.95, 0.96),
            rgb(0.88, 0.93, 0.94), rgb(0.91, 0.94, 0.96) };
    return m;
}

qreal Backdrop::materialOpacity(bool dark)
{
    return dark ? 0.18 : 0.28;
}

QColor Backdrop::leastContrasting(bool dark)
{
    // The gradient only mixes its mesh colours, so its extremes are among them.
    const QColor material = Theme::withOpacity(Theme::ultraThinMaterial(dark), materialOpacity(dark));
    // The text's own end of the scale: the colour farthest from it is the nearest to the text.
    const QColor far = dark ? QColor(Qt::black) : QColor(Qt::white);
    QColor found;
    qreal best = 0;
    for (const QColor& c : mesh(dark).colors) {
        const QColor shown = Theme::over(material, c);
        const qreal distance = Theme::contrast(shown, far);
        if (distance > best) {
            best = distance;
            found = shown;
        }
    }
    return found;
}

namespace {

// The gradient's colour at every pixel centre of a grid of `size`, in floating point, row by row:
// `out(x, y, rgb)`.
template <typename Out> void solve(const Backdrop::Mesh& mesh, QSize size, Out out)
{
    Vec pts[9];
    for (int i = 0; i < 9; ++i)
        pts[i] = { mesh.points[i].x(), mesh.points[i].y() };
    double channel[3][9];
    for (int i = 0; i < 9; ++i) {
        channel[0][i] = mesh.colors[i].redF();
        channel[1][i] = mesh.colors[i].greenF();
        channel[2][i] = mesh.colors[i].blueF();
    }
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const Vec q { (x + 0.5) / size.width(), (y + 0.5) / size.height() };
            // Find the patch holding the point and its place in it, as mesh coordinates (u, v) in [0, 2].
            double u = 1, v = 1;
            for (int k : { 0, 1, 3, 4 }) {
                double s, t;
                if (inverseBilinear(q, pts[k], pts[k + 1], pts[k + 3], pts[k + 4], s, t)) {
                    u = (k % 3) + std::clamp(s, 0.0, 1.0);
                    v = (k / 3) + std::clamp(t, 0.0, 1.0);
                    break;
                }
            }
            double rgbOut[3];
            for (int c = 0; c < 3; ++c) {
                double rows[3];
                for (int r = 0; r < 3; ++r) {
                    const double samples[3]
                        = { channel[c][r * 3], channel[c][r * 3 + 1], channel[c][r * 3 + 2] };
                    rows[r] = smooth3(samples, u);
                }
                rgbOut[c] = smooth3(rows, v);
            }
            out(x, y, rgbOut);
        }
    }
}

} // namespace

QImage Backdrop::render(const Mesh& mesh, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (size.isEmpty())
        return image;
    solve(mesh, size, [&image](int x, int y, const double rgb[3]) {
        int v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = std::clamp(int(std::lround(rgb[c] * 255)), 0, 255);
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = qRgb(v[0], v[1], v[2]);
    });
    return image;
}

namespace {

// The gradient sampled on a small grid, in floating point: it is smooth, so a bilinear lookup between
// samples is as good as solving the mesh at every pixel of the window.
struct Field
{
    static constexpr int width = 240;
    static constexpr int height = 160;
    std::vector<float> rgb; // row-major, three floats a sample, 0..1
};

const Field& field(bool dark)
{
    static Field fields[2];
    Field& f = fields[dark ? 1 : 0];
    if (f.rgb.empty()) {
        f.rgb.resize(size_t(Field::width) * Field::height * 3);
        solve(Backdrop::mesh(dark), QSize(Field::width, Field::height),
            [&f](int x, int y, const double rgb[3]) {
                float* out = &f.rgb[(size_t(y) * Field::width + x) * 3];
                for (int c = 0; c < 3; ++c)
                    out[c] = float(rgb[c]);
            });
    }
    return f;
}

// The backdrop at the window's pixel size, material included, with an ordered dither: a dark,
// slowly varying gradient rounded straight to 8 bits shows bands a few pixels wide.
QImage compose(bool dark, QSize size)
{
    static constexpr float bayer[4][4]
        = { { 0, 8, 2, 10 }, { 12, 4, 14, 6 }, { 3, 11, 1, 9 }, { 15, 7, 13, 5 } };
    const Field& f = field(dark);
    const QColor material = Theme::ultraThinMaterial(dark);
    const float alpha = float(Backdrop::materialOpacity(dark) * material.alphaF());
    const float over[3] = { float(material.redF()) * alpha, float(material.greenF()) * alpha,
        float(material.blueF()) * alpha };
    QImage image(size, QImage::Format_RGB32);
    const float sx = float(Field::width) / size.width(), sy = float(Field::height) / size.height();
    // Where each column falls between two samples, once for all rows.
    std::vector<int> x0s(size_t(size.width()));
    std::vector<float> txs(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x) {
        const float fx = std::clamp((x + 0.5f) * sx - 0.5f, 0.0f, float(Field::width - 1));
        x0s[size_t(x)] = std::min(int(fx), Field::width - 2);
        txs[size_t(x)] = fx - x0s[size_t(x)];
    }
    std::vector<float> row(size_t(Field::width) * 3);
    for (int y = 0; y < size.height(); ++y) {
        // The row of samples at this height, material laid over, then a lookup along it per pixel.
        const float fy = std::clamp((y + 0.5f) * sy - 0.5f, 0.0f, float(Field::height - 1));
        const int y0 = std::min(int(fy), Field::height - 2);
        const float ty = fy - y0;
        const float* top = &f.rgb[size_t(y0) * Field::width * 3];
        const float* bottom = top + size_t(Field::width) * 3;
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = ((top[i] + (bottom[i] - top[i]) * ty) * (1 - alpha) + over[i % 3]) * 255.0f;
        const float* dither = bayer[y & 3];
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const float* a = &row[size_t(x0s[size_t(x)]) * 3];
            const float t = txs[size_t(x)];
            const float threshold = (dither[x & 3] + 0.5f) / 16.0f;
            const int r = std::clamp(int(a[0] + (a[3] - a[0]) * t + threshold), 0, 255);
            const int g = std::clamp(int(a[1] + (a[4] - a[1]) * t + threshold), 0, 255);
            const int b = std::clamp(int(a[2] + (a[5] - a[2]) * t + threshold), 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

} // namespace

void Backdrop::paint(QPainter& painter, const QRectF& rect, bool dark)
{
    // One picture per scheme at the size last painted; a resize makes a new one.
    static QImage cache[2];
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (rect.size() * dpr).toSize().expandedTo(QSize(1, 1));
    QImage& image = cache[dark ? 1 : 0];
    if (image.size() != pixels) {
        image = compose(dark, pixels);
        image.setDevicePixelRatio(dpr);
    }
    painter.drawImage(rect.topLeft(), image);
}

void Backdrop::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint(p, rect(), Theme::isDark(this));
}

} // namespace quavel
