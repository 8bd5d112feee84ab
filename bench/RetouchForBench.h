#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"

namespace quavel::bench {

// The retouch settings of the photo benchmarks: every stage on.
inline PhotoRetouchSettings everyStage()
{
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.contrast = 20;
    s.brightness = 10;
    s.saturation = 10;
    s.vibrance = 10;
    s.gamma = 1.1;
    s.shadows = 30;
    s.highlights = -30;
    s.shadowRadius = 30;
    s.highlightRadius = 40;
    s.exposure = 0.3;
    s.autoContrast = true;
    return s;
}

} // namespace quavel::bench
