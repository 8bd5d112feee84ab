#pragma once

// The pictures the screens' tests draw (arenaPhoto, watermarkStrip) come from the photo fixture library.
#include "common/photo/PhotoFixtures.h"
