#pragma once

// The photo tests build their pictures with the imaging tests' helpers.
#include "imaging/ImagingTestSupport.h"
#include "photo/retouch/PhotoRetouchSettings.h"

namespace quavel::test {

// The look the tests of damaged and oversized photos apply: one stop brighter.
inline PhotoRetouchSettings brighter()
{
    PhotoRetouchSettings s;
    s.exposure = 1;
    return s;
}

} // namespace quavel::test
