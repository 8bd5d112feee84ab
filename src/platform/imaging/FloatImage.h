#pragma once

#include "platform/imaging/FloatPlane.h"

#include <QByteArray>
#include <QSize>

#include <array>

class QImage;

namespace quavel {

// An immutable picture of float32 samples: red, green and blue planes and an optional alpha plane (none
// means opaque), with the ICC profile of its colour space carried along untouched. Samples are the
// image's own encoded values (0 to 1 for what an 8-bit file holds; filters may go beyond). Planar, so
// that per-channel loops vectorise and an unchanged plane (alpha, most often) is shared, not copied.
// Copies are cheap and share the planes; images can be read from any number of threads.
class FloatImage
{
public:
    enum Channel { Red = 0, Green = 1, Blue = 2, Alpha = 3 };

    FloatImage() = default;
    // The planes must all have one size; a null alpha plane makes the image opaque.
    FloatImage(FloatPlane red, FloatPlane green, FloatPlane blue, FloatPlane alpha = FloatPlane(),
        QByteArray iccProfile = QByteArray());

    bool isNull() const { return m_planes[0].isNull(); }
    int width() const { return m_planes[0].width(); }
    int height() const { return m_planes[0].height(); }
    QSize size() const { return QSize(width(), height()); }
    bool hasAlpha() const { return !m_planes[Alpha].isNull(); }

    // Channel 0 to 3; the alpha plane is null for an opaque image.
    const FloatPlane& plane(int channel) const { return m_planes[std::size_t(channel)]; }
    const float* row(int channel, int y) const { return m_planes[std::size_t(channel)].row(y); }

    const QByteArray& iccProfile() const { return m_iccProfile; }
    FloatImage withIccProfile(const QByteArray& profile) const;

    // The same samples, not merely equal ones.
    bool sharesPixelsWith(const FloatImage& other) const;

    // 8-bit form for screens and canvases: RGBA8888 with alpha, RGBX8888 without, values clamped and
    // rounded, the colour space set from the profile when Qt can read it. A null image gives a null QImage.
    QImage toQImage() const;
    // Any QImage; its colour space's profile is kept when it has one.
    static FloatImage fromQImage(const QImage& image);

private:
    std::array<FloatPlane, 4> m_planes;
    QByteArray m_iccProfile;
};

} // namespace quavel
