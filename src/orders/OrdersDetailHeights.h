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

    // What the two parts need at the least: the gallery's height for one full row of thumbnails (the
    // gallery scrolls that row into view, past the header), and the editor's minimum height.
    struct Room
    {
        double galleryRow = minimumGallery;
        double editorMinimum = 0;
        bool operator==(const Room&) const = default;
    };

    // `column` is the column's height H, `screen` the visible height S of the main screen (none without
    // a screen: the column's height stands for it). Editor open: E = max(H − 180, H / 2) capped at
    // S / 2, and the gallery G = H − E raised to 160. A column height that is not a number gives the
    // gallery its 160 and the editor half the screen (none when that is not known either: 0).
    //
    // Where that G would not show the gallery's first full row, the gallery keeps the row and the editor
    // takes the rest of the column, down to its own minimum; on a column too short for both, the editor
    // keeps its minimum and the gallery what is left, never under 160.
    static OrdersDetailHeights compute(
        double column, std::optional<double> screen, bool editorOpen, Room room);
    static OrdersDetailHeights compute(double column, std::optional<double> screen, bool editorOpen)
    {
        return compute(column, screen, editorOpen, Room {});
    }
    // The column height that fits the gallery's row, the divider and the editor's minimum.
    static double minimumColumn(Room room);

    bool operator==(const OrdersDetailHeights&) const = default;
};

} // namespace quavel
