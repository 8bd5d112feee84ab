// The crop editor model's side and corner drags, without widgets: a pointer pressed on a handle of the
// crop as the canvas lays it out and moved by some points resizes the crop about the opposite side (its
// middle) or corner, keeps the sheet's aspect, and leaves the zoom and offset that stand for that crop.
#include "photo/CropGeometry.h"
#include "photo/crop/CropEditorModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <tuple>

namespace quavel {
namespace {

struct DragCase
{
    const char* name;
    CropEdge edge;
    // Where the handle lies on the crop, in unit coordinates of its rectangle.
    QPointF handle;
    // The pointer's movement in canvas points.
    QPointF delta;
};

// Outwards and inwards; the corners follow the larger of the two movements.
const DragCase drags[] = {
    { "left", CropEdge::left, { 0, 0.5 }, { -30, 9 } },
    { "right", CropEdge::right, { 1, 0.5 }, { -25, -7 } },
    { "top", CropEdge::top, { 0.5, 0 }, { 11, -20 } },
    { "bottom", CropEdge::bottom, { 0.5, 1 }, { -5, 24 } },
    { "top_left", CropEdge::topLeft, { 0, 0 }, { -30, -10 } },
    { "top_right", CropEdge::topRight, { 1, 0 }, { 6, 22 } },
    { "bottom_left", CropEdge::bottomLeft, { 0, 1 }, { 4, 28 } },
    { "bottom_right", CropEdge::bottomRight, { 1, 1 }, { -26, 8 } },
};

void PrintTo(const DragCase& c, std::ostream* os)
{
    *os << c.name;
}

class CropHandleDrag : public testing::TestWithParam<std::tuple<DragCase, PrintFormat>>
{
};

TEST_P(CropHandleDrag, ResizesAboutTheOppositeSideOrCorner)
{
    const auto& [drag, format] = GetParam();
    CropEditorModel model;
    model.setFormat(format);
    model.setZoom(1.6);
    model.setOffset(QSizeF(40, -25));

    const QSizeF image(1200, 800);
    const double aspect = CropGeometry::aspect(format, image);
    const QRectF start = CropGeometry::cropRect(image, aspect, model.zoom(), model.offset());
    const CropCanvasLayout layout = CropGeometry::layout(image, start, QSizeF(700, 500));
    const QRectF view = layout.crop;
    const QPointF pressed(
        view.x() + drag.handle.x() * view.width(), view.y() + drag.handle.y() * view.height());
    model.dragTo(pressed, pressed + drag.delta, layout, image);
    ASSERT_EQ(model.activeHandle(), CropHandle::edge(drag.edge));

    // The crop worked out from the handle: a side or a corner moving mostly sideways sets the width,
    // the others the height; the point of the crop opposite the handle stays.
    const QPointF moved = drag.delta / layout.scale;
    const double ux = drag.handle.x();
    const double uy = drag.handle.y();
    const bool byWidth = ux != 0.5 && (uy == 0.5 || std::abs(moved.x()) >= std::abs(moved.y()));
    const double width = byWidth ? start.width() + (ux == 1 ? moved.x() : -moved.x())
                                 : aspect * (start.height() + (uy == 1 ? moved.y() : -moved.y()));
    const QSizeF size(width, width / aspect);
    const QPointF fixed(start.x() + (1 - ux) * start.width(), start.y() + (1 - uy) * start.height());
    const QRectF expected(fixed.x() - (1 - ux) * size.width(), fixed.y() - (1 - uy) * size.height(),
        size.width(), size.height());

    const QSizeF fit = CropGeometry::cropSize(image, aspect, 1);
    EXPECT_NEAR(model.zoom(), fit.width() / expected.width(), 1e-9);
    EXPECT_NEAR(model.offset().width(), expected.center().x() - image.width() / 2, 1e-6);
    EXPECT_NEAR(model.offset().height(), expected.center().y() - image.height() / 2, 1e-6);
    const QRectF crop = CropGeometry::cropRect(image, aspect, model.zoom(), model.offset());
    EXPECT_NEAR(crop.x() + (1 - ux) * crop.width(), fixed.x(), 1e-6);
    EXPECT_NEAR(crop.y() + (1 - uy) * crop.height(), fixed.y(), 1e-6);
    // The dragged side follows the pointer on the axis that sets the size.
    if (byWidth)
        EXPECT_NEAR(crop.x() + ux * crop.width(), start.x() + ux * start.width() + moved.x(), 1e-6);
    else
        EXPECT_NEAR(crop.y() + uy * crop.height(), start.y() + uy * start.height() + moved.y(), 1e-6);

    // A second step computes from where the drag began, not from the first step.
    model.dragTo(pressed, pressed + drag.delta, layout, image);
    EXPECT_NEAR(model.zoom(), fit.width() / expected.width(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Handles, CropHandleDrag,
    testing::Combine(testing::ValuesIn(drags), testing::Values(PrintFormat::a5, PrintFormat::a4)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name)
            + (std::get<1>(info.param) == PrintFormat::a5 ? "_a5" : "_a4");
    });

} // namespace
} // namespace quavel
