// The crop geometry the crop editor's drags and the print canvases rely on.
#include "photo/PhotoComposer.h"
#include "photo/print/PrintFormat.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quavel {
namespace {

constexpr double eps = 1e-9;

void expectRect(const QRectF& actual, const QRectF& expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-6);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-6);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-6);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-6);
}

struct OverlapCase
{
    const char* name;
    QRectF crop;
    QSizeF image;
    QRectF expected;
};

class KeepOverlap : public testing::TestWithParam<OverlapCase>
{
};

TEST_P(KeepOverlap, ShiftsWithoutResizing)
{
    expectRect(PhotoComposer::keepOverlap(GetParam().crop, GetParam().image), GetParam().expected);
}

// m = 0.18 × min(crop side, image side): 36 for a 200 × 300 crop on a 1000 × 800 image.
INSTANTIATE_TEST_SUITE_P(Cases, KeepOverlap,
    testing::Values(OverlapCase { "inside", { 100, 100, 200, 300 }, { 1000, 800 }, { 100, 100, 200, 300 } },
        OverlapCase { "wholly_left", { -500, 100, 200, 300 }, { 1000, 800 }, { -164, 100, 200, 300 } },
        OverlapCase { "wholly_right", { 1500, 100, 200, 300 }, { 1000, 800 }, { 964, 100, 200, 300 } },
        OverlapCase { "wholly_above", { 100, -900, 200, 300 }, { 1000, 800 }, { 100, -264, 200, 300 } },
        OverlapCase { "wholly_below", { 100, 2000, 200, 300 }, { 1000, 800 }, { 100, 764, 200, 300 } },
        OverlapCase { "just_enough_left", { -164, 0, 200, 300 }, { 1000, 800 }, { -164, 0, 200, 300 } },
        // The image's smaller side (50) sets the margin when it is smaller than the crop's.
        OverlapCase { "small_image", { -5000, 0, 4000, 3000 }, { 100, 50 }, { -3991, 0, 4000, 3000 } },
        OverlapCase { "corner_beyond", { 2000, 2000, 100, 100 }, { 1000, 800 }, { 982, 782, 100, 100 } }),
    [](const auto& info) { return std::string(info.param.name); });

struct ZoomCase
{
    const char* name;
    QRectF crop;
    QSizeF image;
    double aspect;
    double expected;
};

class ZoomFor : public testing::TestWithParam<ZoomCase>
{
};

TEST_P(ZoomFor, BaseWidthOverCropWidth)
{
    EXPECT_NEAR(
        PhotoComposer::zoom(GetParam().crop, GetParam().image, GetParam().aspect), GetParam().expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZoomFor,
    testing::Values(
        // A4 landscape on 6000 × 4000: the aspect (1.414) is narrower than the image, the height limits.
        ZoomCase { "full_a4_landscape", { 0, 0, 4000 * 297.0 / 210, 4000 }, { 6000, 4000 }, 297.0 / 210, 1 },
        ZoomCase { "half_width", { 0, 0, 2800 / 2.0, 2000 }, { 6000, 4000 }, 0.7, 2 },
        // An aspect wider than the image: the image width is the base.
        ZoomCase { "wide_aspect", { 0, 0, 1500, 500 }, { 3000, 3000 }, 3, 2 },
        ZoomCase { "wider_than_five_bases", { 0, 0, 6 * 2800, 24000 }, { 6000, 4000 }, 0.7, 0.2 },
        ZoomCase { "tiny_crop_counts_as_one", { 0, 0, 0.25, 0.35 }, { 6000, 4000 }, 0.7, 2800 },
        ZoomCase { "zero_height_image", { 0, 0, 100, 100 }, { 500, 0 }, 1, 0.2 }),
    [](const auto& info) { return std::string(info.param.name); });

struct ResizeCase
{
    const char* name;
    CropEdge edge;
    QPointF delta;
    QRectF expected;
};

class ResizedCrop : public testing::TestWithParam<ResizeCase>
{
};

// A 300 × 200 crop (aspect 1.5) at (200, 200) on a 1000 × 800 image: minimum width 64, height 42.67.
const QRectF startCrop(200, 200, 300, 200);
const QSizeF startImage(1000, 800);

TEST_P(ResizedCrop, MovesOnlyTheDraggedSides)
{
    const QRectF result
        = PhotoComposer::resizedCrop(startCrop, GetParam().edge, GetParam().delta, startImage, 1.5);
    expectRect(result, GetParam().expected);
    EXPECT_NEAR(result.width() / result.height(), 1.5, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, ResizedCrop,
    testing::Values(ResizeCase { "left_grows", CropEdge::left, { -30, 99 }, { 170, 190, 330, 220 } },
        ResizeCase {
            "left_stops_at_minimum", CropEdge::left, { 10000, 0 }, { 436, 300 - 64 / 3.0, 64, 64 / 1.5 } },
        ResizeCase { "right_grows", CropEdge::right, { 30, 0 }, { 200, 190, 330, 220 } },
        ResizeCase { "top_grows", CropEdge::top, { 0, -20 }, { 185, 180, 330, 220 } },
        ResizeCase { "bottom_shrinks", CropEdge::bottom, { 7, -20 }, { 215, 200, 270, 180 } },
        ResizeCase { "top_left_by_dx", CropEdge::topLeft, { -30, 10 }, { 170, 180, 330, 220 } },
        ResizeCase { "top_left_by_dy", CropEdge::topLeft, { 5, -20 }, { 170, 180, 330, 220 } },
        ResizeCase { "top_right_by_dx", CropEdge::topRight, { 30, 0 }, { 200, 180, 330, 220 } },
        ResizeCase { "bottom_left_by_dy", CropEdge::bottomLeft, { 0, 20 }, { 170, 200, 330, 220 } },
        // dy is the larger movement: the height follows it (200 + 50), the width 1.5 × that.
        ResizeCase { "bottom_right_follows_dy", CropEdge::bottomRight, { 10, 50 }, { 200, 200, 375, 250 } },
        ResizeCase { "equal_moves_use_dx", CropEdge::bottomRight, { 30, -30 }, { 200, 200, 330, 220 } },
        // Four image widths at most (4000 × 2666.7); the origin is then kept in view by keepOverlap.
        ResizeCase { "capped", CropEdge::bottomRight, { 100000, 0 }, { 200, 200, 4000, 4000 / 1.5 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResizedCropLimits, MinimumWidthUsesThePortraitAspectAndThirtyTwoPixels)
{
    // Aspect below 1: minimum width 0.08 × 800 × 0.7 = 44.8; on a small image, 32 pixels.
    const QRectF portrait = PhotoComposer::resizedCrop(
        { 100, 100, 140, 200 }, CropEdge::right, { -1000, 0 }, { 1000, 800 }, 0.7);
    EXPECT_NEAR(portrait.width(), 44.8, eps);
    const QRectF small
        = PhotoComposer::resizedCrop({ 10, 10, 60, 60 }, CropEdge::left, { 1000, 0 }, { 100, 100 }, 1);
    EXPECT_NEAR(small.width(), 32, eps);
    // The height cap applies after the width cap: a tall aspect on a wide image.
    const QRectF tall
        = PhotoComposer::resizedCrop({ 0, 0, 100, 1000 }, CropEdge::bottom, { 0, 1e6 }, { 1000, 100 }, 0.1);
    EXPECT_NEAR(tall.height(), 400, eps);
    EXPECT_NEAR(tall.width(), 40, eps);
}

TEST(PrintFormatGeometry, AspectsCanvasesAndRawValues)
{
    EXPECT_EQ(PrintFormats::allCases(), (QList<PrintFormat> { PrintFormat::a5, PrintFormat::a4 }));
    EXPECT_DOUBLE_EQ(PrintFormats::cropAspect(PrintFormat::a5, false), 148.0 / 210);
    EXPECT_DOUBLE_EQ(PrintFormats::cropAspect(PrintFormat::a5, true), 210.0 / 148);
    EXPECT_DOUBLE_EQ(PrintFormats::cropAspect(PrintFormat::a4, false), 210.0 / 297);
    EXPECT_DOUBLE_EQ(PrintFormats::cropAspect(PrintFormat::a4, true), 297.0 / 210);
    EXPECT_EQ(PrintFormats::canvasSize(PrintFormat::a5, false), QSize(1748, 2480));
    EXPECT_EQ(PrintFormats::canvasSize(PrintFormat::a5, true), QSize(2480, 1748));
    EXPECT_EQ(PrintFormats::canvasSize(PrintFormat::a4, false), QSize(2480, 3508));
    EXPECT_EQ(PrintFormats::canvasSize(PrintFormat::a4, true), QSize(3508, 2480));
    for (PrintFormat format : PrintFormats::allCases())
        EXPECT_EQ(PrintFormats::fromRawValue(PrintFormats::rawValue(format)), format);
    for (const char* other : { "A4", "a3", "", " a5" })
        EXPECT_FALSE(PrintFormats::fromRawValue(QString::fromLatin1(other)).has_value()) << other;
}

} // namespace
} // namespace quavel

namespace quavel {
namespace {

struct LayoutCase
{
    const char* name;
    QSize image;
    PrintFormat format;
    double zoom;
    QSizeF offset;
    QRectF crop;
    QSize canvas;
};

class CropLayoutOnTheCanvas : public testing::TestWithParam<LayoutCase>
{
};

TEST_P(CropLayoutOnTheCanvas, CropFillsTheCanvas)
{
    const LayoutCase& c = GetParam();
    const PhotoComposer::CropLayout layout
        = PhotoComposer::cropLayout(c.image, c.format, c.zoom, c.offset, 0);
    expectRect(layout.crop, c.crop);
    EXPECT_EQ(layout.canvas, c.canvas);
    const QPointF topLeft = layout.imageToCanvas.map(layout.crop.topLeft());
    const QPointF bottomRight = layout.imageToCanvas.map(layout.crop.bottomRight());
    EXPECT_NEAR(topLeft.x(), 0, 1e-6);
    EXPECT_NEAR(topLeft.y(), 0, 1e-6);
    EXPECT_NEAR(bottomRight.x(), c.canvas.width(), 1e-6);
    EXPECT_NEAR(bottomRight.y(), c.canvas.height(), 1e-6);
}

constexpr double a4Landscape = 297.0 / 210;
constexpr double a5Portrait = 148.0 / 210;

INSTANTIATE_TEST_SUITE_P(Cases, CropLayoutOnTheCanvas,
    testing::Values(LayoutCase { "a4_landscape_full", { 6000, 4000 }, PrintFormat::a4, 1, { 0, 0 },
                        { (6000 - 4000 * a4Landscape) / 2, 0, 4000 * a4Landscape, 4000 }, { 3508, 2480 } },
        LayoutCase { "a5_portrait_full", { 4000, 6000 }, PrintFormat::a5, 1, { 0, 0 },
            { 0, (6000 - 4000 / a5Portrait) / 2, 4000, 4000 / a5Portrait }, { 1748, 2480 } },
        // Zoom below the floor renders as 0.2: five times the base crop, the rest black.
        LayoutCase { "zoom_floor", { 6000, 4000 }, PrintFormat::a4, 0.1, { 0, 0 },
            { (6000 - 20000 * a4Landscape) / 2, (4000 - 20000) / 2.0, 20000 * a4Landscape, 20000 },
            { 3508, 2480 } },
        LayoutCase { "offset_and_zoom", { 6000, 4000 }, PrintFormat::a5, 2, { 300, -100 },
            { 300 + (6000 - 2000 * 210.0 / 148) / 2, -100 + 1000, 2000 * 210.0 / 148, 2000 },
            { 2480, 1748 } },
        // A square image counts as landscape.
        LayoutCase { "square", { 3000, 3000 }, PrintFormat::a4, 1, { 0, 0 },
            { 0, (3000 - 3000 / a4Landscape) / 2, 3000, 3000 / a4Landscape }, { 3508, 2480 } },
        // A panorama narrower than the aspect in height: the width limits.
        LayoutCase { "tall_narrow", { 1000, 5000 }, PrintFormat::a4, 1, { 0, 0 },
            { 0, (5000 - 1000 * 297.0 / 210) / 2, 1000, 1000 * 297.0 / 210 }, { 2480, 3508 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CropLayoutRotation, TurnsClockwiseAboutTheCropCentre)
{
    const PhotoComposer::CropLayout layout
        = PhotoComposer::cropLayout({ 6000, 4000 }, PrintFormat::a4, 1, { 200, 100 }, 90);
    const QPointF centre = layout.crop.center();
    const QPointF mapped = layout.imageToCanvas.map(centre);
    EXPECT_NEAR(mapped.x(), 3508 / 2.0, 1e-6);
    EXPECT_NEAR(mapped.y(), 2480 / 2.0, 1e-6);
    // A point right of the centre lands below it once turned a quarter clockwise.
    const QPointF right = layout.imageToCanvas.map(centre + QPointF(100, 0));
    EXPECT_NEAR(right.x(), 3508 / 2.0, 1e-6);
    EXPECT_GT(right.y(), 2480 / 2.0 + 10);
}

TEST(WatermarkPlacement, SpansTheWidthOnTheBottomEdge)
{
    expectRect(PhotoComposer::watermarkRect({ 2000, 400 }, { 2480, 3508 }), { 0, 3508 - 496, 2480, 496 });
    expectRect(PhotoComposer::watermarkRect({ 5000, 500 }, { 1748, 2480 }), { 0, 2480 - 174.8, 1748, 174.8 });
    // Taller than the canvas once scaled: it reaches past the top (cut there when drawn).
    const QRectF tall = PhotoComposer::watermarkRect({ 100, 5000 }, { 1748, 2480 });
    EXPECT_NEAR(tall.height(), 87400, 1e-6);
    EXPECT_NEAR(tall.bottom(), 2480, 1e-6);
    EXPECT_LT(tall.top(), 0);
}

} // namespace
} // namespace quavel
