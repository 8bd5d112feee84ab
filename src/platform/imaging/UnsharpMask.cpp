#include "platform/imaging/UnsharpMask.h"

#include "platform/imaging/GaussianBlur.h"
#include "platform/imaging/RowPool.h"

namespace quavel::UnsharpMask {

FloatImage apply(const FloatImage& image, double radius, double intensity)
{
    if (image.isNull())
        return image;
    const int w = image.width();
    const int h = image.height();
    const float k = float(intensity);
    FloatPlane out[3];
    for (int c = 0; c < 3; ++c) {
        // The blurred plane becomes the result in place.
        out[c] = FloatPlane(w, h);
        GaussianBlur::blur(PlaneView::reading(image.plane(c)), PlaneView::of(out[c]), radius, true);
        const float* base = image.plane(c).constData();
        float* o = out[c].data();
        RowPool::run(h, [&](int y0, int y1) {
            for (std::size_t i = std::size_t(y0) * w; i < std::size_t(y1) * w; ++i)
                o[i] = base[i] + (base[i] - o[i]) * k;
        });
    }
    return FloatImage(out[0], out[1], out[2], image.plane(FloatImage::Alpha), image.iccProfile());
}

} // namespace quavel::UnsharpMask
