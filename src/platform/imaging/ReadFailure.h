#pragma once

#include <QtGlobal>

namespace quavel {

// Why reading a photo file gave no image.
struct ReadFailure
{
    enum class Kind {
        unreadable, // missing, not a regular file, not a photo, or damaged (truncated, a decoding error)
        tooLarge, // more pixels to decode than PixelBudget allows, or more memory to hold than the decode's
                  // budget (DecodeMemory): refused before any pixel was decoded
        outOfMemory, // memory ran out while decoding
    };

    Kind kind = Kind::unreadable;
    // tooLarge: how many pixels the read would have decoded, and the most pixels of this file's kind the
    // budgets allow (PixelBudget::kMaxPixels, or fewer for a file whose decoder holds more a pixel).
    qint64 pixels = 0;
    qint64 limit = 0;

    bool operator==(const ReadFailure&) const = default;
};

} // namespace quavel
