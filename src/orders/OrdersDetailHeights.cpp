#include "orders/OrdersDetailHeights.h"

#include <algorithm>
#include <cmath>

namespace quavel {

OrdersDetailHeights OrdersDetailHeights::compute(
    double column, std::optional<double> screen, bool editorOpen, Room room)
{
    if (!editorOpen)
        return { column, std::nullopt };
    const double s = screen && std::isfinite(*screen) ? *screen : column;
    double editor = 0;
    if (std::isfinite(column))
        editor = std::max(column - galleryReserve, column / 2);
    else if (std::isfinite(s))
        editor = s / 2;
    if (std::isfinite(s))
        editor = std::min(editor, s / 2);
    editor = std::max(editor, 0.0);
    double gallery = column - editor;
    // "Not a number" also raises the gallery: the comparison below is false for NaN.
    if (!(gallery > minimumGallery))
        gallery = minimumGallery;

    const double row = std::max(room.galleryRow, minimumGallery);
    if (!std::isfinite(column) || gallery >= row)
        return { gallery, editor };
    gallery = row;
    editor = column - row;
    if (!(editor >= room.editorMinimum)) {
        editor = std::max(room.editorMinimum, 0.0);
        gallery = std::max(column - editor, minimumGallery);
    }
    return { gallery, editor };
}

double OrdersDetailHeights::minimumColumn(Room room)
{
    // The divider between the two takes one point.
    return std::max(room.galleryRow, minimumGallery) + 1 + std::max(room.editorMinimum, 0.0);
}

} // namespace quavel
