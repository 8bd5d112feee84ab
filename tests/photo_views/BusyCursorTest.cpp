// The busy cursor of work the GUI thread does itself: shown while a scope lives, nested scopes
// counted, and nothing from another thread.
#include "photo/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <thread>

namespace quavel {
namespace {

TEST(BusyCursor, ShowsWhileTheGuiThreadWorks)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        const BusyCursor outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            const BusyCursor inner;
        }
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        std::thread other([] { const BusyCursor elsewhere; });
        other.join();
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace quavel
