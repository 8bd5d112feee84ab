// The composer's drawing steps on float images: the photo drawn through an affine map onto black
// (exact for whole-pixel moves, turned, darkened by its alpha), and the watermark laid over an image
// (opaque, half transparent, cut at the top, over an image with alpha).
#include "photo/PhotoCanvas.h"
#include "platform/imaging/Resample.h"

#include <gtest/gtest.h>

namespace quavel {
namespace {

// An image whose red value tells each pixel apart: x + 100 y (÷ 10000), green 0.5, blue 0.25.
FloatImage numbered(int width, int height, float alpha = -1)
{
    FloatPlane r(width, height);
    FloatPlane g = FloatPlane::filled(width, height, 0.5f);
    FloatPlane b = FloatPlane::filled(width, height, 0.25f);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.row(y)[x] = float(x + 100 * y) / 10000.0f;
    FloatPlane a = alpha >= 0 ? FloatPlane::filled(width, height, alpha) : FloatPlane();
    return FloatImage(std::move(r), std::move(g), std::move(b), std::move(a), QByteArray("profile"));
}

FloatImage uniform(int width, int height, float value, float alpha = -1)
{
    FloatPlane a = alpha >= 0 ? FloatPlane::filled(width, height, alpha) : FloatPlane();
    return FloatImage(FloatPlane::filled(width, height, value), FloatPlane::filled(width, height, value),
        FloatPlane::filled(width, height, value), std::move(a));
}

float red(const FloatImage& image, int x, int y)
{
    return image.row(FloatImage::Red, y)[x];
}

TEST(DrawOnBlack, WholePixelMovesAreExactAndTheRestIsBlack)
{
    const FloatImage image = numbered(20, 10);
    const FloatImage same = PhotoCanvas::drawOnBlack(image, QTransform(), QSize(20, 10));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_FLOAT_EQ(red(same, x, y), red(image, x, y)) << x << "," << y;
    EXPECT_FALSE(same.hasAlpha());
    EXPECT_EQ(same.iccProfile(), QByteArray("profile"));

    const FloatImage moved = PhotoCanvas::drawOnBlack(image, QTransform::fromTranslate(5, 3), QSize(30, 20));
    EXPECT_FLOAT_EQ(red(moved, 5, 3), red(image, 0, 0));
    EXPECT_FLOAT_EQ(red(moved, 24, 12), red(image, 19, 9));
    for (const QPoint p : { QPoint(4, 3), QPoint(5, 2), QPoint(25, 12), QPoint(29, 19) }) {
        EXPECT_EQ(red(moved, p.x(), p.y()), 0.0f) << p.x() << "," << p.y();
        EXPECT_EQ(moved.row(FloatImage::Green, p.y())[p.x()], 0.0f);
    }
    // Half a pixel off the edge: half covered, half black.
    const FloatImage half
        = PhotoCanvas::drawOnBlack(uniform(4, 4, 1), QTransform::fromTranslate(0.5, 0), QSize(5, 4));
    EXPECT_FLOAT_EQ(red(half, 0, 1), 0.5f);
    EXPECT_FLOAT_EQ(red(half, 2, 1), 1.0f);
    EXPECT_FLOAT_EQ(red(half, 4, 1), 0.5f);
}

TEST(DrawOnBlack, TurnsAndDarkensByAlpha)
{
    // A quarter turn clockwise about the centre of a 10 × 10 image: the top-left pixel goes top-right.
    const FloatImage image = numbered(10, 10);
    QTransform turn;
    turn.translate(5, 5);
    turn.rotate(90);
    turn.translate(-5, -5);
    const FloatImage turned = PhotoCanvas::drawOnBlack(image, turn, QSize(10, 10));
    EXPECT_NEAR(red(turned, 9, 0), red(image, 0, 0), 1e-6);
    EXPECT_NEAR(red(turned, 0, 0), red(image, 0, 9), 1e-6);

    const FloatImage seeThrough
        = PhotoCanvas::drawOnBlack(uniform(4, 4, 0.8f, 0.5f), QTransform(), QSize(4, 4));
    EXPECT_FLOAT_EQ(red(seeThrough, 1, 1), 0.4f);
    EXPECT_FALSE(seeThrough.hasAlpha());

    const FloatImage nothing = PhotoCanvas::drawOnBlack(FloatImage(), QTransform(), QSize(3, 2));
    EXPECT_EQ(nothing.size(), QSize(3, 2));
    EXPECT_EQ(red(nothing, 2, 1), 0.0f);
}

TEST(DrawOver, LaysTheOverlayWithItsAlphaAndCutsItAtTheTop)
{
    const FloatImage base = uniform(10, 10, 0.2f);
    // Opaque, stretched from 5 × 2 to 10 × 4 at the bottom.
    const FloatImage opaque = PhotoCanvas::drawOver(base, uniform(5, 2, 1.0f), QRectF(0, 6, 10, 4));
    EXPECT_FLOAT_EQ(red(opaque, 0, 6), 1.0f);
    EXPECT_FLOAT_EQ(red(opaque, 9, 9), 1.0f);
    EXPECT_FLOAT_EQ(red(opaque, 5, 5), 0.2f);
    EXPECT_FLOAT_EQ(red(base, 0, 9), 0.2f); // the input is not changed

    const FloatImage blended = PhotoCanvas::drawOver(base, uniform(10, 2, 1.0f, 0.5f), QRectF(0, 8, 10, 2));
    EXPECT_FLOAT_EQ(red(blended, 3, 9), 0.6f);

    // Taller than the image: only its lower part shows.
    FloatImage tall = numbered(1, 40);
    const FloatImage cut = PhotoCanvas::drawOver(base, tall, QRectF(0, -30, 10, 40));
    EXPECT_FLOAT_EQ(red(cut, 0, 0), red(tall, 0, 30));
    EXPECT_FLOAT_EQ(red(cut, 9, 9), red(tall, 0, 39));

    // Over an image with alpha: source over, the image keeps an alpha plane.
    const FloatImage clear = uniform(4, 4, 0.0f, 0.0f);
    const FloatImage over = PhotoCanvas::drawOver(clear, uniform(4, 4, 1.0f, 0.5f), QRectF(0, 0, 4, 4));
    ASSERT_TRUE(over.hasAlpha());
    EXPECT_FLOAT_EQ(over.row(FloatImage::Alpha, 1)[1], 0.5f);
    EXPECT_FLOAT_EQ(red(over, 1, 1), 1.0f);
}

struct ResampledCase
{
    const char* name;
    QSize overlay;
    bool overlayAlpha;
    bool imageAlpha;
    QSize size; // the overlay resampled to
    QRectF target;
};

void PrintTo(const ResampledCase& c, std::ostream* os)
{
    *os << c.name;
}

class DrawOverResampled : public testing::TestWithParam<ResampledCase>
{
};

// The overlay resampled band after band lands exactly where, and as, the whole resampled overlay would.
TEST_P(DrawOverResampled, DrawsWhatTheWholeResampledOverlayDraws)
{
    const ResampledCase& c = GetParam();
    FloatImage overlay = numbered(c.overlay.width(), c.overlay.height(), c.overlayAlpha ? 0.6f : -1);
    const FloatImage base = numbered(64, 48, c.imageAlpha ? 0.3f : -1);
    const FloatImage expected
        = PhotoCanvas::drawOver(base, Resample::lanczos3(overlay, c.size.width(), c.size.height()), c.target);
    const FloatImage got = PhotoCanvas::drawOverResampled(base, overlay, c.size, c.target);
    ASSERT_EQ(got.hasAlpha(), c.imageAlpha);
    EXPECT_EQ(got.iccProfile(), QByteArray("profile"));
    for (int ch = 0; ch < (c.imageAlpha ? 4 : 3); ++ch)
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(got.row(ch, y)[x], expected.row(ch, y)[x]) << ch << " at " << x << "," << y;
    EXPECT_EQ(red(base, 5, 40), red(numbered(64, 48), 5, 40)); // the image shared with base is not changed
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawOverResampled,
    testing::Values(
        ResampledCase { "across the bottom", { 20, 4 }, true, false, { 64, 13 }, { 0, 35.2, 64, 12.8 } },
        ResampledCase { "taller than the image", { 10, 20 }, false, false, { 64, 128 }, { 0, -80, 64, 128 } },
        ResampledCase {
            "shrunk, fractional", { 200, 90 }, true, true, { 31, 14 }, { 10.3, 3.6, 30.6, 14.2 } },
        ResampledCase { "beside the image", { 8, 8 }, false, false, { 16, 16 }, { 70, 0, 16, 16 } }));

TEST(DrawOverResampledInPlace, WritesIntoAnImageHandedOverAndCopiesOneStillShared)
{
    FloatImage image = uniform(32, 16, 0.2f);
    const float* red = image.plane(0).constData();
    const FloatImage marked = PhotoCanvas::drawOverResampled(
        std::move(image), uniform(4, 2, 1.0f), QSize(32, 16), QRectF(0, 0, 32, 16));
    EXPECT_EQ(marked.plane(0).constData(), red);
    EXPECT_FLOAT_EQ(marked.row(0, 8)[8], 1.0f);

    const FloatImage kept = uniform(32, 16, 0.2f);
    const FloatImage copy
        = PhotoCanvas::drawOverResampled(kept, uniform(4, 2, 1.0f), QSize(32, 16), QRectF(0, 0, 32, 16));
    EXPECT_FLOAT_EQ(kept.row(0, 8)[8], 0.2f);
    EXPECT_FLOAT_EQ(copy.row(0, 8)[8], 1.0f);
}

TEST(Cropped, CopiesTheRegionInsideTheImage)
{
    const FloatImage image = numbered(20, 10, 0.75f);
    const FloatImage part = PhotoCanvas::cropped(image, QRect(15, 5, 10, 10));
    EXPECT_EQ(part.size(), QSize(5, 5));
    EXPECT_FLOAT_EQ(red(part, 0, 0), red(image, 15, 5));
    EXPECT_FLOAT_EQ(part.row(FloatImage::Alpha, 4)[4], 0.75f);
    EXPECT_TRUE(PhotoCanvas::cropped(image, QRect(30, 0, 5, 5)).isNull());
}

} // namespace
} // namespace quavel
