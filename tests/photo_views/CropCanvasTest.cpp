// The crop canvas on screen over an editor model holding a real picture: drags that move, resize and
// straighten as the crop geometry says, the pointer shape over each zone, the hover help, and the layers
// read back from the canvas's own pixels.
#include "photo/views/CropCanvas.h"
#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "photo/CropGeometry.h"
#include "photo/crop/CropEditorModel.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace quavel;
using namespace quavel::test;

namespace {

constexpr int kWidth = 620;
constexpr int kHeight = 420;

class CropCanvasTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A landscape working image of 600 × 400 pixels in one mid grey.
        const QString path
            = writePhoto(folder.file(QStringLiteral("grey.png")), filled(600, 400, QColor(128, 128, 128)));
        model.open(path, std::nullopt, {});
        ASSERT_TRUE(waitUntil([&] { return !model.preview().isNull(); }, 30000));
        ASSERT_EQ(model.sourceImage().size(), QSize(600, 400));
        canvas.resize(kWidth, kHeight);
        QPalette white;
        white.setColor(QPalette::Window, Qt::white);
        canvas.setPalette(white);
        canvas.setAutoFillBackground(true);
        canvas.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    }

    QRectF crop() const { return canvas.canvasLayout().crop; }

    // The geometry as a drag leaves it (no history step of its own).
    void setCrop(double zoom, QSizeF offset, double angle)
    {
        model.setZoom(zoom);
        model.setOffset(offset);
        model.setAngle(angle);
    }

    // The model's watermark file (none for a null picture) and whether the state includes it.
    void setWatermark(const QImage& mark, bool included)
    {
        std::optional<QString> path;
        if (!mark.isNull())
            path = writePhoto(folder.file(QStringLiteral("mark-%1.png").arg(++marks)), mark);
        model.setWatermark(path);
        ASSERT_TRUE(waitUntil([&] { return model.watermarkImage().isNull() == mark.isNull(); }));
        model.setIncludeWatermark(included);
    }

    void drag(QPointF from, QPointF to)
    {
        QTest::mousePress(&canvas, Qt::LeftButton, {}, from.toPoint());
        QTest::mouseMove(&canvas, to.toPoint());
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, to.toPoint());
    }

    QColor pixel(const QImage& image, QPointF at) const { return image.pixelColor(at.toPoint()); }

    TempFolder folder;
    int marks = 0;
    CropEditorModel model;
    CropCanvas canvas { &model };
};

TEST_F(CropCanvasTest, MoveAndResizeDragsFollowTheGeometry)
{
    setCrop(2, QSizeF(0, 0), 0);
    const qsizetype stepsBefore = model.history().size();

    const struct
    {
        const char* name;
        QPointF (*start)(const QRectF&);
        QPointF translation;
    } drags[] = {
        { "move", [](const QRectF& r) { return r.center() + QPointF(10, 5); }, { 40, -25 } },
        { "move far past the image", [](const QRectF& r) { return r.center(); }, { 900, 0 } },
        { "right side", [](const QRectF& r) { return QPointF(r.right(), r.center().y()); }, { 30, 0 } },
        { "top side", [](const QRectF& r) { return QPointF(r.center().x(), r.top()); }, { 0, -20 } },
        { "bottom-left corner", [](const QRectF& r) { return r.bottomLeft(); }, { -20, 6 } },
        { "top-right corner inwards", [](const QRectF& r) { return r.topRight(); }, { -15, 30 } },
    };
    for (const auto& d : drags) {
        setCrop(2, QSizeF(0, 0), 0);
        const CropCanvasLayout before = canvas.canvasLayout();
        const QRectF startCrop = canvas.imageCrop();
        const QPointF from = d.start(before.crop);
        const std::optional<CropHandle> handle = CropGeometry::hitTest(from, before.crop);
        ASSERT_TRUE(handle) << d.name;
        // What the geometry says one step of that drag gives.
        const QPointF to = (from + d.translation).toPoint();
        const QPointF t = to - from.toPoint();
        double zoom = 2;
        QSizeF offset(0, 0);
        if (handle->kind == CropHandle::Kind::move) {
            offset = CropGeometry::movedOffset(
                QSizeF(0, 0), t, before.scale, QSizeF(600, 400), canvas.aspect(), 2);
        } else {
            const auto r = CropGeometry::resized(
                startCrop, handle->side, t, before.scale, QSizeF(600, 400), canvas.aspect());
            zoom = r.zoom;
            offset = r.offset;
        }
        // One step of the pointer is one change of the crop, told once.
        QSignalSpy edits(&model, &CropEditorModel::offsetChanged);
        drag(from, to);
        EXPECT_EQ(edits.count(), 1) << d.name;
        EXPECT_DOUBLE_EQ(canvas.zoom(), zoom) << d.name;
        EXPECT_NEAR(canvas.offset().width(), offset.width(), 1e-9) << d.name;
        EXPECT_NEAR(canvas.offset().height(), offset.height(), 1e-9) << d.name;
        EXPECT_NE(std::make_pair(canvas.zoom(), canvas.offset()), std::make_pair(2.0, QSizeF(0, 0)))
            << d.name;
    }
    // Each drag ended as one step of the history.
    EXPECT_EQ(model.history().size() - stepsBefore, qsizetype(std::size(drags)));
}

TEST_F(CropCanvasTest, RotateDragsTurnAboutTheCropCentre)
{
    setCrop(1.5, QSizeF(0, 0), 0);
    QSignalSpy angles(&model, &CropEditorModel::angleChanged);
    const QRectF r = crop();
    const QPointF grip = CropGeometry::rotatePoints(r)[1]; // top-right
    const QPointF centre = r.center();
    // A quarter turn clockwise on screen, stopped at 45°.
    const QPointF v = grip - centre;
    const QPointF turned = centre + QPointF(-v.y(), v.x());
    drag(grip, turned);
    EXPECT_DOUBLE_EQ(canvas.angle(), 45);
    EXPECT_EQ(angles.count(), 1);

    setCrop(1.5, QSizeF(0, 0), 0);
    angles.clear(); // the reset is no drag
    const QPointF slightly = (centre + QPointF(v.x(), v.y() + 30)).toPoint();
    drag(grip, slightly);
    const auto expected = CropGeometry::rotatedAngle(
        0, QSizeF(grip.toPoint().x() - centre.x(), grip.toPoint().y() - centre.y()), slightly, centre);
    ASSERT_TRUE(expected);
    EXPECT_NEAR(canvas.angle(), *expected, 1e-9);
    EXPECT_GT(canvas.angle(), 0);
    EXPECT_EQ(angles.count(), 1);
}

TEST_F(CropCanvasTest, DragsOnNothingAndClicksChangeNothing)
{
    // A zoom set as a drag sets it waits for the end of a gesture to become a step.
    setCrop(3, QSizeF(0, 0), 0);
    ASSERT_TRUE(model.history().isEmpty());
    QSignalSpy edits(&model, &CropEditorModel::offsetChanged);
    QSignalSpy zooms(&model, &CropEditorModel::zoomChanged);
    const QRectF r = crop();
    // More than 12 points left of the crop, level with its middle.
    drag(QPointF(r.left() - 20, r.center().y()), QPointF(r.left() + 60, r.center().y()));
    EXPECT_EQ(edits.count() + zooms.count(), 0);
    EXPECT_FALSE(model.activeHandle());
    // Its end still ends a gesture: the pending zoom is the one step.
    EXPECT_EQ(model.history().size(), 1);
    EXPECT_EQ(canvas.offset(), QSizeF(0, 0));

    // A press and release on the spot is no drag at all: no gesture ends, nothing becomes a step.
    model.setAngle(4);
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, r.center().toPoint());
    EXPECT_EQ(model.history().size(), 1);
    EXPECT_FALSE(canvas.isDragging());
}

TEST_F(CropCanvasTest, EachZoneHasItsPointer)
{
    setCrop(2, QSizeF(0, 0), 0);
    const QRectF r = crop();
    const struct
    {
        QPointF at;
        Qt::CursorShape shape;
    } zones[] = {
        { r.center(), Qt::OpenHandCursor },
        { CropGeometry::rotatePoints(r)[0], Qt::CrossCursor },
        { CropGeometry::rotatePoints(r)[3] + QPointF(-10, 0), Qt::CrossCursor },
        { QPointF(r.left(), r.center().y()), Qt::SizeHorCursor },
        { QPointF(r.right() + 8, r.center().y()), Qt::SizeHorCursor },
        { QPointF(r.center().x(), r.top() - 6), Qt::SizeVerCursor },
        { QPointF(r.center().x(), r.bottom()), Qt::SizeVerCursor },
        { r.topLeft() + QPointF(-3, -3), Qt::SizeFDiagCursor },
        { r.bottomRight(), Qt::SizeFDiagCursor },
        { r.topRight(), Qt::SizeBDiagCursor },
        { r.bottomLeft() + QPointF(2, 2), Qt::SizeBDiagCursor },
        { QPointF(r.left() - 30, r.center().y()), Qt::ArrowCursor },
    };
    for (const auto& z : zones) {
        QTest::mouseMove(&canvas, z.at.toPoint());
        EXPECT_EQ(canvas.cursor().shape(), z.shape) << z.at.x() << "," << z.at.y();
    }
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&canvas, &leave);
    EXPECT_EQ(canvas.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CropCanvasTest, HoverHelpOnDotsAndGlyphsOnly)
{
    setCrop(1.5, QSizeF(0, 0), 0);
    const QRectF r = crop();
    for (const QPointF& c : CropGeometry::corners(r))
        EXPECT_EQ(canvas.helpAt(c), QStringLiteral("Redimensionner"));
    for (const QPointF& p : CropGeometry::rotatePoints(r))
        EXPECT_EQ(canvas.helpAt(p), QStringLiteral("Corriger l’angle"));
    EXPECT_EQ(canvas.helpAt(QPointF(r.center().x(), r.top())), QString());
    EXPECT_EQ(canvas.helpAt(r.center()), QString());
}

TEST_F(CropCanvasTest, DimmingHoleAndWhiteFrame)
{
    // Zoom 0.8: the crop reaches past the image, the layout keeps it all on the canvas.
    setCrop(2, QSizeF(0, 0), 0);
    const QImage inside = canvas.grab().toImage();
    const CropCanvasLayout l = canvas.canvasLayout();
    const QRectF r = l.crop;
    // In the hole the photo is untouched; around it the photo is dimmed to 0.55.
    EXPECT_NEAR(pixel(inside, r.center() + QPointF(30, 30)).red(), 128, 2);
    EXPECT_NEAR(pixel(inside, QPointF(l.image.left() + 6, l.image.top() + 20)).red(), 70, 3);
    // The frame: white on its inner two points, dimmed photo just outside.
    const QPointF edge(r.left() + 0.5, r.top() + 50);
    EXPECT_GT(pixel(inside, edge).lightness(), 245);
    EXPECT_NEAR(pixel(inside, edge - QPointF(3, 0)).red(), 70, 3);

    setCrop(0.8, QSizeF(0, 0), 0);
    const QImage wide = canvas.grab().toImage();
    const CropCanvasLayout w = canvas.canvasLayout();
    EXPECT_TRUE(QRectF(canvas.rect()).contains(w.crop));
    // Outside the crop where no photo lies, the canvas's own white is dimmed too.
    EXPECT_NEAR(pixel(wide, QPointF(1, 1)).red(), 140, 3);
    // Inside the crop but off the photo: the canvas's white, not dimmed.
    const QPointF offPhoto(w.crop.center().x(), (w.crop.top() + w.image.top()) / 2);
    ASSERT_LT(offPhoto.y(), w.image.top());
    EXPECT_GT(pixel(wide, offPhoto).red(), 250);
}

TEST_F(CropCanvasTest, ThePhotoTurnsUnderTheFrame)
{
    setCrop(1.5, QSizeF(0, 0), 20);
    const QImage image = canvas.grab().toImage();
    const CropCanvasLayout l = canvas.canvasLayout();
    // The image's top-right corner region turns away: canvas white (dimmed) shows there.
    EXPECT_NEAR(pixel(image, l.image.topRight() + QPointF(-3, 3)).red(), 140, 4);
    // The crop centre stays on the photo.
    EXPECT_NEAR(pixel(image, l.crop.center() + QPointF(20, 20)).red(), 128, 2);
}

TEST_F(CropCanvasTest, WatermarkCoversTheCropFromItsBottom)
{
    setCrop(1.5, QSizeF(0, 0), 0);
    // Red on its lower half, clear above; drawn across the crop's width it reaches 0.85 of the crop's
    // height, its red half 0.43.
    QImage mark(100, 60, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    for (int y = 30; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            mark.setPixelColor(x, y, Qt::red);
    const QRectF r = crop();
    const QPointF low(r.center().x() + 30, r.bottom() - r.height() / 4);
    const QPointF high(r.center().x() + 30, r.top() + r.height() / 4);

    setWatermark(mark, false);
    EXPECT_FALSE(canvas.showsWatermark());
    EXPECT_NEAR(pixel(canvas.grab().toImage(), low).red(), 128, 2);

    setWatermark(mark, true);
    const QImage shown = canvas.grab().toImage();
    EXPECT_EQ(pixel(shown, low), QColor(Qt::red));
    EXPECT_NEAR(pixel(shown, high).red(), 128, 2);
    // Cut to the crop: nothing red below it.
    EXPECT_NE(pixel(shown, QPointF(low.x(), r.bottom() + 4)), QColor(Qt::red));

    setWatermark(QImage(), true);
    EXPECT_FALSE(canvas.showsWatermark());
    EXPECT_NEAR(pixel(canvas.grab().toImage(), low).red(), 128, 2);
}

} // namespace
