// The crop canvas geometry: crop rectangles, the canvas fit, the handle zones and the three drags.
#include "photo/CropGeometry.h"
#include "photo/PhotoComposer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace quavel {
namespace {

using namespace CropGeometry;

// QSizeF() is (-1, -1): every offset here is spelled out.
const QSizeF zero(0, 0);

void expectRect(const QRectF& actual, const QRectF& expected, double tolerance = 1e-3)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

// ---- the crop rectangle of a format, zoom and offset ----

struct CropCase
{
    const char* name;
    QSizeF image;
    PrintFormat format;
    double zoom;
    QSizeF offset;
    QRectF expected;
};

class CropRectangle : public testing::TestWithParam<CropCase>
{
};

TEST_P(CropRectangle, FollowsFormatZoomAndOffset)
{
    const CropCase& c = GetParam();
    expectRect(cropRect(c.image, c.format, c.zoom, c.offset), c.expected);
}

const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Cases, CropRectangle,
    testing::Values(CropCase { "portraitA5FillsTheWidth", { 2000, 3000 }, PrintFormat::a5, 1, zero,
                        { 0, 81.0811, 2000, 2837.8378 } },
        CropCase { "landscapeA5InvertsTheAspect", { 3000, 2000 }, PrintFormat::a5, 1, zero,
            { 81.0811, 0, 2837.8378, 2000 } },
        CropCase { "squareImageTakesTheLandscapeAspect", { 1000, 1000 }, PrintFormat::a4, 1, zero,
            { 0, 146.4646, 1000, 707.0707 } },
        CropCase { "wideLandscapeA4FillsTheWidth", { 4000, 3000 }, PrintFormat::a4, 1, zero,
            { 0, 85.8586, 4000, 2828.2828 } },
        CropCase { "zoomBelowTheMinimumCountsAsTheMinimum", { 2000, 3000 }, PrintFormat::a5, 0.1, zero,
            { -4000, -5594.5946, 10000, 14189.1892 } },
        CropCase { "zoomThatIsNotANumberCountsAsTheMinimum", { 2000, 3000 }, PrintFormat::a5, nan, zero,
            { -4000, -5594.5946, 10000, 14189.1892 } },
        CropCase { "zoomAndOffsetShiftTheCentredCrop", { 2000, 3000 }, PrintFormat::a4, 2, { 10, -20 },
            { 510, 772.8571, 1000, 1414.2857 } },
        CropCase { "onePixelHighImageComparesByWidth", { 100, 1 }, PrintFormat::a5, 1, zero,
            { 49.2905, 0, 1.4189, 1 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CropRectangleAtZoomOne, IsTheLargestOfTheAspectInsideTheImage)
{
    for (const QSizeF image : { QSizeF(2048, 1365), QSizeF(1365, 2048), QSizeF(1000, 1000), QSizeF(300, 2000),
             QSizeF(2000, 300), QSizeF(1, 1) }) {
        for (const PrintFormat format : PrintFormats::allCases()) {
            const QRectF crop = cropRect(image, format, 1, zero);
            SCOPED_TRACE(testing::Message() << image.width() << "x" << image.height());
            EXPECT_NEAR(crop.width() / crop.height(), aspect(format, image), 1e-9);
            EXPECT_GE(crop.x(), -1e-9);
            EXPECT_GE(crop.y(), -1e-9);
            // Touches the image on one axis at least.
            EXPECT_TRUE(std::abs(crop.width() - image.width()) < 1e-9
                || std::abs(crop.height() - image.height()) < 1e-9);
            // The offset of a crop gives the crop back.
            const QSizeF moved = offsetOf(crop.translated(37, -12), image);
            EXPECT_NEAR(moved.width(), 37, 1e-9);
            EXPECT_NEAR(moved.height(), -12, 1e-9);
        }
    }
}

TEST(CropRectangleOnTheCanvas, IsTheCropTheComposerPrints)
{
    // What the canvas shows is what the print canvas is cut from, for every format, side and zoom.
    for (const QSize image : { QSize(2048, 1365), QSize(1365, 2048), QSize(1000, 1000), QSize(120, 1) }) {
        for (const PrintFormat format : PrintFormats::allCases()) {
            for (const double zoom : { 0.1, 0.2, 1.0, 2.7 }) {
                const QSizeF offset(13.5, -7.25);
                SCOPED_TRACE(
                    testing::Message() << image.width() << "x" << image.height() << " zoom " << zoom);
                expectRect(cropRect(QSizeF(image), format, zoom, offset),
                    PhotoComposer::cropLayout(image, format, zoom, offset, 0).crop, 1e-9);
            }
        }
    }
}

// ---- the canvas fit ----

struct LayoutCase
{
    const char* name;
    QSizeF image;
    QRectF crop;
    QSizeF canvas;
    CropCanvasLayout expected;
};

class CanvasLayout : public testing::TestWithParam<LayoutCase>
{
};

TEST_P(CanvasLayout, FitsImageAndCropCentredWithMargins)
{
    const LayoutCase& c = GetParam();
    const CropCanvasLayout l = layout(c.image, c.crop, c.canvas);
    expectRect(l.image, c.expected.image);
    expectRect(l.crop, c.expected.crop);
    EXPECT_NEAR(l.scale, c.expected.scale, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, CanvasLayout,
    testing::Values(LayoutCase { "cropInsideTheImage", { 1000, 500 }, { 100, 0, 700, 500 }, { 508, 266 },
                        { { 4, 8, 500, 250 }, { 54, 8, 350, 250 }, 0.5 } },
        LayoutCase { "cropPastTheLeftEdgeStaysVisible", { 1000, 500 }, { -500, 0, 1000, 500 }, { 1508, 516 },
            { { 504, 8, 1000, 500 }, { 4, 8, 1000, 500 }, 1 } },
        LayoutCase { "tallCanvasCentresVertically", { 1000, 500 }, { 0, 0, 1000, 500 }, { 108, 400 },
            { { 4, 175, 100, 50 }, { 4, 175, 100, 50 }, 0.1 } },
        LayoutCase { "onePixelHighUnionScalesByTheCanvasHeight", { 10, 1 }, { 0, 0, 10, 1 }, { 100, 100 },
            { { 4, 45.4, 92, 9.2 }, { 4, 45.4, 92, 9.2 }, 9.2 } },
        LayoutCase { "canvasSmallerThanItsMarginsStillHasAScale", { 100, 100 }, { 0, 0, 100, 100 }, { 2, 2 },
            { { 0.5, 0.5, 1, 1 }, { 0.5, 0.5, 1, 1 }, 0.01 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotationAnchor, IsTheCropCentreInUnitsOfTheImage)
{
    const QPointF anchor = rotationAnchor({ 100, 50, 200, 100 }, { 400, 200 });
    EXPECT_DOUBLE_EQ(anchor.x(), 0.5);
    EXPECT_DOUBLE_EQ(anchor.y(), 0.5);
    const QPointF degenerate = rotationAnchor({ 0, 0, 0, 0 }, { 0, 0 });
    EXPECT_DOUBLE_EQ(degenerate.x(), 0);
    EXPECT_DOUBLE_EQ(degenerate.y(), 0);
}

// ---- handles and their zones ----

struct HitCase
{
    const char* name;
    QRectF crop;
    QPointF point;
    std::optional<CropHandle> expected;
};

class HandleZones : public testing::TestWithParam<HitCase>
{
};

TEST_P(HandleZones, TakeTheFirstRuleThatHolds)
{
    const HitCase& c = GetParam();
    EXPECT_EQ(hitTest(c.point, c.crop), c.expected);
}

const QRectF crop(100, 100, 200, 300);
const QRectF small(100, 100, 40, 40);
CropHandle edge(CropEdge e)
{
    return CropHandle::edge(e);
}

INSTANTIATE_TEST_SUITE_P(Cases, HandleZones,
    testing::Values(HitCase { "rotateExactlyAtItsReach", crop, { 126, 144 }, CropHandle::rotate() },
        HitCase { "justPastTheRotateReachIsMove", crop, { 126, 144.01 }, CropHandle::move() },
        HitCase { "rotateBottomRight", crop, { 274, 374 }, CropHandle::rotate() },
        HitCase { "cornerExactlyAtItsReach", crop, { 88, 100 }, edge(CropEdge::topLeft) },
        HitCase { "cornerTopRight", crop, { 305, 95 }, edge(CropEdge::topRight) },
        HitCase { "cornerBottomLeft", crop, { 100, 412 }, edge(CropEdge::bottomLeft) },
        HitCase { "cornerBottomRight", crop, { 300, 400 }, edge(CropEdge::bottomRight) },
        HitCase { "endOfTheTopSideInsideIsMove", crop, { 105, 111 }, CropHandle::move() },
        HitCase { "endOfTheTopSideOutsideIsNothing", crop, { 95, 111 }, std::nullopt },
        HitCase { "endOfTheLeftSideIsNotTheSide", crop, { 90, 111 }, std::nullopt },
        HitCase { "topSide", crop, { 200, 95 }, edge(CropEdge::top) },
        HitCase { "topSideAtTheOuterLimit", crop, { 200, 88 }, edge(CropEdge::top) },
        HitCase { "beyondTheTopSide", crop, { 200, 87.9 }, std::nullopt },
        HitCase { "bottomSideOnTheEdge", crop, { 200, 400 }, edge(CropEdge::bottom) },
        HitCase { "bottomOuterLimitIsOutside", crop, { 200, 412 }, std::nullopt },
        HitCase { "leftSide", crop, { 88, 250 }, edge(CropEdge::left) },
        HitCase { "rightSide", crop, { 311, 250 }, edge(CropEdge::right) },
        HitCase { "rightOuterLimitIsOutside", crop, { 312, 250 }, std::nullopt },
        HitCase { "insideIsMove", crop, { 200, 250 }, CropHandle::move() },
        HitCase { "farOutsideIsNothing", crop, { 0, 0 }, std::nullopt },
        HitCase { "smallCropCornerStillACorner", small, { 100, 100 }, edge(CropEdge::topLeft) },
        HitCase { "smallCropRotateWinsOverTheCorner", small, { 104, 104 }, CropHandle::rotate() },
        HitCase { "equalCornerDistancesTakeTheEarlier", QRectF(100, 100, 0, 100), { 100, 95 },
            edge(CropEdge::topLeft) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HandleEquality, ComparesTheSideOfEdgesOnly)
{
    EXPECT_EQ(CropHandle::edge(CropEdge::top), CropHandle::edge(CropEdge::top));
    EXPECT_NE(CropHandle::edge(CropEdge::top), CropHandle::edge(CropEdge::left));
    EXPECT_NE(CropHandle::move(), CropHandle::rotate());
    EXPECT_EQ(CropHandle::move(), (CropHandle { CropHandle::Kind::move, CropEdge::bottom }));
}

TEST(HandlePlaces, BarsOnTheSidesRotatePointsInsideTheCorners)
{
    expectRect(edgeBar(CropEdge::top, crop), { 186, 97, 28, 6 });
    expectRect(edgeBar(CropEdge::right, crop), { 297, 236, 6, 28 });
    EXPECT_TRUE(edgeBar(CropEdge::topLeft, crop).isEmpty());
    const auto points = rotatePoints(crop);
    EXPECT_EQ(points[1], QPointF(274, 126));
    EXPECT_EQ(points[2], QPointF(126, 374));
    EXPECT_EQ(corners(crop)[3], QPointF(300, 400));
}

TEST(HandleCursors, ShowWhatEachHandleDoes)
{
    const std::pair<std::optional<CropHandle>, Qt::CursorShape> table[] = {
        { std::nullopt, Qt::ArrowCursor },
        { CropHandle::move(), Qt::OpenHandCursor },
        { CropHandle::rotate(), Qt::CrossCursor },
        { edge(CropEdge::left), Qt::SizeHorCursor },
        { edge(CropEdge::right), Qt::SizeHorCursor },
        { edge(CropEdge::top), Qt::SizeVerCursor },
        { edge(CropEdge::bottom), Qt::SizeVerCursor },
        { edge(CropEdge::topLeft), Qt::SizeFDiagCursor },
        { edge(CropEdge::bottomRight), Qt::SizeFDiagCursor },
        { edge(CropEdge::topRight), Qt::SizeBDiagCursor },
        { edge(CropEdge::bottomLeft), Qt::SizeBDiagCursor },
    };
    for (const auto& [handle, shape] : table)
        EXPECT_EQ(cursorShape(handle), shape);
}

// ---- rotation ----

struct RotateCase
{
    const char* name;
    double startAngle;
    QSizeF startVector;
    QPointF pointer;
    std::optional<double> expected;
};

class RotateDrag : public testing::TestWithParam<RotateCase>
{
};

TEST_P(RotateDrag, TurnsWithThePointerWithinTheLimits)
{
    const RotateCase& c = GetParam();
    const auto angle = rotatedAngle(c.startAngle, c.startVector, c.pointer, { 500, 500 });
    ASSERT_EQ(angle.has_value(), c.expected.has_value());
    if (angle) {
        EXPECT_NEAR(*angle, *c.expected, 1e-9);
    }
}

QPointF around(double degrees, double radius = 100)
{
    const double r = degrees * std::numbers::pi / 180;
    return { 500 + radius * std::cos(r), 500 + radius * std::sin(r) };
}

INSTANTIATE_TEST_SUITE_P(Cases, RotateDrag,
    testing::Values(RotateCase { "tenDegreesClockwise", 0, { 100, 0 }, around(10), 10.0 },
        RotateCase { "fromAStartAngle", -12, { 0, 100 }, around(95), -7.0 },
        RotateCase { "stopsAtPlusFortyFive", 30, { 100, 0 }, around(20), 45.0 },
        RotateCase { "stopsAtMinusFortyFive", 0, { 100, 0 }, around(-80), -45.0 },
        RotateCase { "sweepPastHalfATurnFlipsToTheOtherLimit", 0, { 100, 0 }, around(200), -45.0 },
        RotateCase { "startVectorTooShort", 5, { 3, 0 }, around(30), std::nullopt },
        RotateCase { "startVectorExactlyAtTheDeadZone", 5, { 0, 4 }, around(30), std::nullopt },
        RotateCase { "pointerWithinTheDeadZone", 5, { 100, 0 }, around(60, 3.99), std::nullopt },
        RotateCase { "pointerJustOutsideTheDeadZone", 0, { 100, 0 }, around(30, 4.01), 30.0 },
        RotateCase { "hugeStoredAngleEndsWithinTheLimits", 1e300, { 100, 0 }, around(0),
            std::clamp(normalizedAngle(1e300), -45.0, 45.0) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AngleNormalisation, BringsAnyAngleIntoHalfATurnEitherWay)
{
    const std::pair<double, double> table[] = { { 190, -170 }, { -190, 170 }, { 180, 180 }, { -180, -180 },
        { 540, 180 }, { -540, -180 }, { 725, 5 }, { -725, -5 }, { 45, 45 } };
    for (const auto& [in, out] : table)
        EXPECT_NEAR(normalizedAngle(in), out, 1e-9) << in;
    const double huge = normalizedAngle(-1e300);
    EXPECT_LE(std::abs(huge), 180);
}

// ---- move and resize ----

// A landscape image: the A5 crop at zoom 1 is 1418.92 × 1000 at x 290.54.
const QSizeF wide(2000, 1000);
const double wideAspect = 210.0 / 148.0;

TEST(MoveDrag, ShiftsByTheTranslationInImagePixels)
{
    const QSizeF offset = movedOffset({ 10, 0 }, { 100, -20 }, 0.5, wide, wideAspect, 1);
    EXPECT_NEAR(offset.width(), 210, 1e-9);
    EXPECT_NEAR(offset.height(), -40, 1e-9);
}

TEST(MoveDrag, KeepsTheCropOverlappingTheImage)
{
    // m = 0.18 × 1000: the left edge stops 180 px inside the right of the image.
    const QSizeF right = movedOffset(zero, { 10000, 0 }, 1, wide, wideAspect, 1);
    const QRectF moved = cropRect(wide, wideAspect, 1, right);
    EXPECT_NEAR(moved.x(), 2000 - 180, 1e-6);
    const QSizeF up = movedOffset(zero, { 0, -5000 }, 1, wide, wideAspect, 1);
    EXPECT_NEAR(cropRect(wide, wideAspect, 1, up).bottom(), 180, 1e-6);
}

struct ResizeCase
{
    const char* name;
    CropEdge side;
    QPointF translation;
    // What must stay put: the crop's left, top, right or bottom edge (image pixels).
    std::optional<double> left, top, right, bottom;
    double expectedWidth;
};

class ResizeDrag : public testing::TestWithParam<ResizeCase>
{
};

TEST_P(ResizeDrag, GivesAZoomAndOffsetThatRedrawTheResizedCrop)
{
    const ResizeCase& c = GetParam();
    const QRectF start = cropRect(wide, wideAspect, 1, zero);
    const Resize result = resized(start, c.side, c.translation, 0.5, wide, wideAspect);
    const QRectF drawn = cropRect(wide, wideAspect, result.zoom, result.offset);
    expectRect(drawn, PhotoComposer::resizedCrop(start, c.side, c.translation / 0.5, wide, wideAspect), 1e-6);
    EXPECT_NEAR(drawn.width() / drawn.height(), wideAspect, 1e-9);
    EXPECT_NEAR(drawn.width(), c.expectedWidth, 1e-6);
    if (c.left) {
        EXPECT_NEAR(drawn.left(), *c.left, 1e-6);
    }
    if (c.top) {
        EXPECT_NEAR(drawn.top(), *c.top, 1e-6);
    }
    if (c.right) {
        EXPECT_NEAR(drawn.right(), *c.right, 1e-6);
    }
    if (c.bottom) {
        EXPECT_NEAR(drawn.bottom(), *c.bottom, 1e-6);
    }
}

const double startLeft = (2000 - 1000 * wideAspect) / 2;
const double startRight = 2000 - startLeft;
const double startWidth = 1000 * wideAspect;

INSTANTIATE_TEST_SUITE_P(Cases, ResizeDrag,
    testing::Values(ResizeCase { "rightSideInwardKeepsTheLeft", CropEdge::right, { -100, 0 }, startLeft,
                        std::nullopt, std::nullopt, std::nullopt, startWidth - 200 },
        ResizeCase { "leftSideInwardKeepsTheRight", CropEdge::left, { 50, 30 }, std::nullopt, std::nullopt,
            startRight, std::nullopt, startWidth - 100 },
        ResizeCase { "bottomSideUpKeepsTheTop", CropEdge::bottom, { 0, -100 }, std::nullopt, 0.0,
            std::nullopt, std::nullopt, (1000 - 200) * wideAspect },
        ResizeCase { "cornerFollowsTheLargerMovement", CropEdge::bottomRight, { -100, -10 }, startLeft, 0.0,
            std::nullopt, std::nullopt, startWidth - 200 },
        ResizeCase { "cornerVerticalMovementWins", CropEdge::topLeft, { -10, 100 }, std::nullopt,
            std::nullopt, startRight, 1000.0, (1000 - 200) * wideAspect },
        ResizeCase { "shrinkingStopsAtTheMinimumWidth", CropEdge::right, { -5000, 0 }, startLeft,
            std::nullopt, std::nullopt, std::nullopt, 80 }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quavel
