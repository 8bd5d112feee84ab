#pragma once

#include <optional>

namespace quavel {

// How the detail column of the orders screen shares its height between the gallery and the inline
// crop editor under it.
struct OrdersDetailHeights
{
    // The gallery never gets less than this, even when the column is shorter.
    static constexpr double minimumGallery = 160;
    // What the editor leaves to the gallery on a tall column.
    static constexpr double galleryReserve = 180;

    double gallery = 0;
    // Absent while the editor is closed.
    std::optional<double> editor;

    // `column` is the column's height H, `screen` the visible height S of the main screen (none without
    // a screen: the column's height stands for it). Editor open: E = max(H − 180, H / 2) capped at
    // S / 2, and the gallery G = H − E raised to 160. A column height that is not a number gives the
    // gallery its 160 and the editor half the screen (none when that is not known either: 0).
    static OrdersDetailHeights compute(double column, std::optional<double> screen, bool editorOpen);

    bool operator==(const OrdersDetailHeights&) const = default;
};

} // namespace quavel
