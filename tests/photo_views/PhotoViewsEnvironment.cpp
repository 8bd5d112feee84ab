// The icon theme is installed before any test draws a symbol: a symbol drawn before would be cached
// empty for the rest of the program, and a picture test would lose its glyphs to an earlier test.
#include "ui/Symbols.h"

#include <gtest/gtest.h>

namespace {

class IconTheme : public ::testing::Environment
{
public:
    void SetUp() override { quavel::Symbols::installIconTheme(); }
};

const auto* const g_iconTheme = ::testing::AddGlobalTestEnvironment(new IconTheme);

} // namespace
