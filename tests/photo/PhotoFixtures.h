#pragma once

// The photo tests' files come from the one fixture library of the photo, orders and print tests.
#include "common/photo/PhotoFixtures.h"
