#pragma once

// The photo tests build their pictures with the imaging tests' helpers.
#include "imaging/ImagingTestSupport.h"
