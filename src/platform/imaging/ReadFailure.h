#pragma once

#include <QtGlobal>

namespace quavel {

// Why reading a photo file gave no image.
struct ReadFailure
{
    enum class Kind {
        unreadable, // missing, not a regular file, not a photo, or damaged (truncated, a decoding error)
        tooLarge, // more pixels to decode than PixelBudget allows: refused before any was decoded
        outOfMemory, // memory ran out while decoding
    };

    Kind kind = Kind::unreadable;
    // tooLarge: how many pixels the read would have decoded.
    qint64 pixels = 0;

    bool operator==(const ReadFailure&) const = default;
};

} // namespace quavel
