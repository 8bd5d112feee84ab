#include "photo/PhotoCanvas.h"

#include "platform/imaging/Resample.h"
#include "platform/imaging/RowPool.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quavel::PhotoCanvas {

namespace {

constexpr int channels = 3;

} // namespace

FloatImage cropped(const FloatImage& image, const QRect& region)
{
    const QRect r = region.intersected(QRect(QPoint(0, 0), image.size()));
    if (r.isEmpty())
        return {};
    FloatPlane planes[4];
    for (int c = 0; c < 4; ++c) {
        if (image.plane(c).isNull())
            continue;
        planes[c] = FloatPlane(r.width(), r.height());
    }
    RowPool::run(r.height(), [&](int begin, int end) {
        for (int c = 0; c < 4; ++c) {
            if (planes[c].isNull())
                continue;
            for (int y = begin; y < end; ++y)
                std::memcpy(planes[c].row(y), image.row(c, r.top() + y) + r.left(),
                    std::size_t(r.width()) * sizeof(float));
        }
    });
    return FloatImage(std::move(planes[0]), std::move(planes[1]), std::move(planes[2]), std::move(planes[3]),
        image.iccProfile());
}

FloatImage drawOnBlack(const FloatImage& image, const QTransform& imageToCanvas, const QSize& canvasSize)
{
    const int cw = canvasSize.width();
    const int ch = canvasSize.height();
    FloatPlane out[channels] = { FloatPlane(cw, ch), FloatPlane(cw, ch), FloatPlane(cw, ch) };
    bool invertible = false;
    const QTransform toImage = imageToCanvas.inverted(&invertible);
    const int w = image.width();
    const int h = image.height();
    const bool alpha = image.hasAlpha();
    const float* planes[4] = { image.plane(0).constData(), image.plane(1).constData(),
        image.plane(2).constData(), alpha ? image.plane(3).constData() : nullptr };

    // Not turned (the common case): the map is separable, each canvas column takes the same two photo
    // columns with the same weights on every row. Taps beyond the photo weigh nothing.
    if (invertible && !image.isNull() && !alpha && toImage.m12() == 0 && toImage.m21() == 0) {
        struct Tap
        {
            int first;
            int second;
            float w0;
            float w1;
        };
        const auto taps = [](int count, int size, double scale, double shift) {
            std::vector<Tap> result;
            result.resize(std::size_t(count));
            for (int i = 0; i < count; ++i) {
                const double f = scale * (i + 0.5) + shift - 0.5;
                const int i0 = int(std::floor(f));
                const float t = float(f - i0);
                const bool in0 = i0 >= 0 && i0 < size;
                const bool in1 = i0 + 1 >= 0 && i0 + 1 < size;
                result[std::size_t(i)] = { std::clamp(i0, 0, size - 1), std::clamp(i0 + 1, 0, size - 1),
                    in0 ? 1 - t : 0.0f, in1 ? t : 0.0f };
            }
            return result;
        };
        const std::vector<Tap> columns = taps(cw, w, toImage.m11(), toImage.dx());
        const std::vector<Tap> rows = taps(ch, h, toImage.m22(), toImage.dy());
        RowPool::run(ch, [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                const Tap& r = rows[std::size_t(y)];
                for (int c = 0; c < channels; ++c) {
                    float* d = out[c].row(y);
                    const float* top = planes[c] + std::size_t(r.first) * std::size_t(w);
                    const float* bottom = planes[c] + std::size_t(r.second) * std::size_t(w);
                    for (int x = 0; x < cw; ++x) {
                        const Tap& k = columns[std::size_t(x)];
                        d[x] = r.w0 * (k.w0 * top[k.first] + k.w1 * top[k.second])
                            + r.w1 * (k.w0 * bottom[k.first] + k.w1 * bottom[k.second]);
                    }
                }
            }
        });
        return FloatImage(
            std::move(out[0]), std::move(out[1]), std::move(out[2]), FloatPlane(), image.iccProfile());
    }

    RowPool::run(ch, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            float* dst[channels] = { out[0].row(y), out[1].row(y), out[2].row(y) };
            if (!invertible || image.isNull()) {
                for (auto* d : dst)
                    std::fill(d, d + cw, 0.0f);
                continue;
            }
            // The photo position of canvas pixel centres along the row moves by a constant step.
            const QPointF start = toImage.map(QPointF(0.5, y + 0.5));
            const QPointF next = toImage.map(QPointF(1.5, y + 0.5));
            const double du = next.x() - start.x();
            const double dv = next.y() - start.y();
            for (int x = 0; x < cw; ++x) {
                // Bilinear between the four nearest pixel centres; pixels beyond the photo are black and
                // transparent, so its edges come out antialiased against the black.
                const double fx = start.x() + du * x - 0.5;
                const double fy = start.y() + dv * x - 0.5;
                if (fx <= -1 || fy <= -1 || fx >= w || fy >= h) {
                    dst[0][x] = dst[1][x] = dst[2][x] = 0.0f;
                    continue;
                }
                const int x0 = int(std::floor(fx));
                const int y0 = int(std::floor(fy));
                const float tx = float(fx - x0);
                const float ty = float(fy - y0);
                float sum[channels] = { 0, 0, 0 };
                if (!alpha && x0 >= 0 && y0 >= 0 && x0 + 1 < w && y0 + 1 < h) {
                    // Inside an opaque photo, the common case: no per-tap tests.
                    const std::size_t at = std::size_t(y0) * std::size_t(w) + std::size_t(x0);
                    for (int c = 0; c < channels; ++c) {
                        const float* p = planes[c] + at;
                        const float top = p[0] + (p[1] - p[0]) * tx;
                        const float bottom = p[w] + (p[w + 1] - p[w]) * tx;
                        sum[c] = top + (bottom - top) * ty;
                    }
                    for (int c = 0; c < channels; ++c)
                        dst[c][x] = sum[c];
                    continue;
                }
                const float weights[4] = { (1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty };
                const int xs[4] = { x0, x0 + 1, x0, x0 + 1 };
                const int ys[4] = { y0, y0, y0 + 1, y0 + 1 };
                for (int k = 0; k < 4; ++k) {
                    if (xs[k] < 0 || ys[k] < 0 || xs[k] >= w || ys[k] >= h)
                        continue;
                    const std::size_t at = std::size_t(ys[k]) * std::size_t(w) + std::size_t(xs[k]);
                    const float wa = weights[k] * (alpha ? planes[3][at] : 1.0f);
                    for (int c = 0; c < channels; ++c)
                        sum[c] += wa * planes[c][at];
                }
                for (int c = 0; c < channels; ++c)
                    dst[c][x] = sum[c];
            }
        }
    });
    return FloatImage(
        std::move(out[0]), std::move(out[1]), std::move(out[2]), FloatPlane(), image.iccProfile());
}

namespace {

// Where an overlay lands on an image: the image pixels whose centres fall inside the target, clipped to
// the image, and for each the overlay pixel stretched onto it (the nearest one).
struct Placement
{
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    QRectF target;
    QSize overlay;

    Placement(const QSize& imageSize, const QSize& overlaySize, const QRectF& t)
        : left(std::max(0, int(std::ceil(t.left() - 0.5))))
        , right(std::min(imageSize.width(), int(std::ceil(t.right() - 0.5))))
        , top(std::max(0, int(std::ceil(t.top() - 0.5))))
        , bottom(std::min(imageSize.height(), int(std::ceil(t.bottom() - 0.5))))
        , target(t)
        , overlay(overlaySize)
    { }

    bool isEmpty() const { return left >= right || top >= bottom; }
    int overlayRow(int y) const
    {
        return std::clamp(
            int((y + 0.5 - target.top()) * (overlay.height() / target.height())), 0, overlay.height() - 1);
    }
    int overlayColumn(int x) const
    {
        return std::clamp(
            int((x + 0.5 - target.left()) * (overlay.width() / target.width())), 0, overlay.width() - 1);
    }
};

// The image's planes, written in place: planes nobody else holds are written as they are; shared ones
// are copied first, so that other holders keep what they had.
struct Destination
{
    FloatPlane planes[4];
    QByteArray profile;
    float* base[4] = {};
    int width = 0;

    explicit Destination(FloatImage image)
        : planes { image.plane(0), image.plane(1), image.plane(2), image.plane(3) }
        , profile(image.iccProfile())
        , width(image.width())
    {
        image = FloatImage(); // let go of the image before the planes detach
        for (int c = 0; c < 4; ++c)
            base[c] = planes[c].isNull() ? nullptr : planes[c].data();
    }

    FloatImage image()
    {
        return FloatImage(
            std::move(planes[0]), std::move(planes[1]), std::move(planes[2]), std::move(planes[3]), profile);
    }

    // Source over, with the overlay's own alpha, of overlay row o (colour and alpha rows; alpha null when
    // opaque) onto row y.
    void composite(const Placement& at, int y, const float* const o[3], const float* oa)
    {
        const std::size_t offset = std::size_t(y) * std::size_t(width);
        for (int x = at.left; x < at.right; ++x) {
            const int ox = at.overlayColumn(x);
            const float a = oa ? std::clamp(oa[ox], 0.0f, 1.0f) : 1.0f;
            if (base[3]) {
                const float under = base[3][offset + x];
                const float result = a + under * (1 - a);
                for (int c = 0; c < 3; ++c) {
                    float& v = base[c][offset + x];
                    v = result > 0 ? (o[c][ox] * a + v * under * (1 - a)) / result : 0.0f;
                }
                base[3][offset + x] = result;
            } else {
                for (int c = 0; c < 3; ++c) {
                    float& v = base[c][offset + x];
                    v = o[c][ox] * a + v * (1 - a);
                }
            }
        }
    }
};

} // namespace

FloatImage drawOver(FloatImage image, const FloatImage& overlay, const QRectF& target)
{
    if (image.isNull() || overlay.isNull() || target.width() <= 0 || target.height() <= 0)
        return image;
    const Placement at(image.size(), overlay.size(), target);
    if (at.isEmpty())
        return image;
    Destination out(std::move(image));
    const bool overlayAlpha = overlay.hasAlpha();
    RowPool::run(at.bottom - at.top, [&](int begin, int end) {
        for (int y = at.top + begin; y < at.top + end; ++y) {
            const int oy = at.overlayRow(y);
            const float* o[3] = { overlay.row(0, oy), overlay.row(1, oy), overlay.row(2, oy) };
            out.composite(at, y, o, overlayAlpha ? overlay.row(FloatImage::Alpha, oy) : nullptr);
        }
    });
    return out.image();
}

FloatImage drawOverResampled(
    FloatImage image, const FloatImage& overlay, const QSize& size, const QRectF& target)
{
    if (image.isNull() || overlay.isNull() || size.isEmpty() || target.width() <= 0 || target.height() <= 0)
        return image;
    const Placement at(image.size(), size, target);
    if (at.isEmpty())
        return image;
    Destination out(std::move(image));
    // The overlay row of each image row, in order: the image rows a band of overlay rows covers are
    // consecutive.
    std::vector<int> rows(std::size_t(at.bottom - at.top));
    for (int y = at.top; y < at.bottom; ++y)
        rows[std::size_t(y - at.top)] = at.overlayRow(y);
    Resample::lanczos3Bands(overlay, size.width(), size.height(), [&](const Resample::Band& band) {
        const auto first = std::lower_bound(rows.begin(), rows.end(), band.top);
        const auto last = std::lower_bound(first, rows.end(), band.top + band.height);
        for (auto it = first; it != last; ++it) {
            const float* o[3] = { band.row(0, *it), band.row(1, *it), band.row(2, *it) };
            out.composite(
                at, at.top + int(it - rows.begin()), o, band.planes[3] ? band.row(3, *it) : nullptr);
        }
    });
    return out.image();
}

} // namespace quavel::PhotoCanvas
