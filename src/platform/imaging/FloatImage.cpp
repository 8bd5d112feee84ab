#include "platform/imaging/FloatImage.h"

#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"

#include <QColorSpace>
#include <QImage>

#include <stdexcept>

namespace quavel {

FloatImage::FloatImage(
    FloatPlane red, FloatPlane green, FloatPlane blue, FloatPlane alpha, QByteArray iccProfile)
    : m_planes { std::move(red), std::move(green), std::move(blue), std::move(alpha) }
    , m_iccProfile(std::move(iccProfile))
{
    const QSize size(m_planes[0].width(), m_planes[0].height());
    for (const FloatPlane& p : m_planes) {
        if (&p == &m_planes[Alpha] && p.isNull())
            continue;
        if (p.width() != size.width() || p.height() != size.height())
            throw std::invalid_argument("FloatImage: planes of different sizes");
    }
}

FloatImage FloatImage::withIccProfile(const QByteArray& profile) const
{
    FloatImage copy = *this;
    copy.m_iccProfile = profile;
    return copy;
}

bool FloatImage::sharesPixelsWith(const FloatImage& other) const
{
    for (std::size_t c = 0; c < 4; ++c) {
        if (m_planes[c].isNull() != other.m_planes[c].isNull())
            return false;
        if (!m_planes[c].isNull() && !m_planes[c].sharesDataWith(other.m_planes[c]))
            return false;
    }
    return !isNull();
}

QImage FloatImage::toQImage() const
{
    if (isNull())
        return QImage();
    QImage out(width(), height(), hasAlpha() ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (out.isNull())
        return QImage();
    using PixelMath::toByte;
    uchar* bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    RowPool::run(height(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            uchar* line = bits + stride * y;
            const float* r = row(Red, y);
            const float* g = row(Green, y);
            const float* b = row(Blue, y);
            const float* a = hasAlpha() ? row(Alpha, y) : nullptr;
            for (int x = 0; x < width(); ++x) {
                line[4 * x] = toByte(r[x]);
                line[4 * x + 1] = toByte(g[x]);
                line[4 * x + 2] = toByte(b[x]);
                line[4 * x + 3] = a ? toByte(a[x]) : 255;
            }
        }
    });
    if (!m_iccProfile.isEmpty()) {
        const QColorSpace space = QColorSpace::fromIccProfile(m_iccProfile);
        if (space.isValid())
            out.setColorSpace(space);
    }
    return out;
}

FloatImage FloatImage::fromQImage(const QImage& image)
{
    if (image.isNull())
        return FloatImage();
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    const int w = source.width();
    const int h = source.height();
    FloatPlane r(w, h), g(w, h), b(w, h), a;
    if (alpha)
        a = FloatPlane(w, h);
    using PixelMath::fromByte;
    float* planes[4] = { r.data(), g.data(), b.data(), alpha ? a.data() : nullptr };
    RowPool::run(h, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uchar* line = source.constScanLine(y);
            const std::size_t offset = std::size_t(y) * std::size_t(w);
            float* pr = planes[0] + offset;
            float* pg = planes[1] + offset;
            float* pb = planes[2] + offset;
            float* pa = alpha ? planes[3] + offset : nullptr;
            for (int x = 0; x < w; ++x) {
                pr[x] = fromByte(line[4 * x]);
                pg[x] = fromByte(line[4 * x + 1]);
                pb[x] = fromByte(line[4 * x + 2]);
                if (pa)
                    pa[x] = fromByte(line[4 * x + 3]);
            }
        }
    });
    QByteArray profile;
    if (image.colorSpace().isValid())
        profile = image.colorSpace().iccProfile();
    return FloatImage(std::move(r), std::move(g), std::move(b), std::move(a), profile);
}

} // namespace quavel
