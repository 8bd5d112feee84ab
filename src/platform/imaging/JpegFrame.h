#pragma once

#include <array>

namespace quavel {

// A JPEG's frame as its structural check reads it (ImageContent::examine): what the memory its decoder
// holds depends on (DecodeMemory). Internal to the imaging layer.
struct JpegFrame
{
    // libjpeg's own limit on the components of a frame.
    static constexpr int kMaxComponents = 10;

    int width = 0;
    int height = 0;
    int components = 0;
    // Each component's horizontal and vertical sampling factors (1 to 4).
    std::array<int, kMaxComponents> horizontal {};
    std::array<int, kMaxComponents> vertical {};
    // libjpeg keeps every coefficient of the photo until the last scan has been read: a progressive
    // frame, or one whose components come in scans of their own.
    bool multiScan = false;

    bool isKnown() const { return components > 0 && width > 0 && height > 0; }
};

} // namespace quavel
