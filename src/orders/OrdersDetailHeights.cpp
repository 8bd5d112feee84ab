#include "orders/OrdersDetailHeights.h"

#include <algorithm>
#include <cmath>

namespace quavel {

OrdersDetailHeights OrdersDetailHeights::compute(double column, std::optional<double> screen, bool editorOpen)
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
    return { gallery, editor };
}

} // namespace quavel
