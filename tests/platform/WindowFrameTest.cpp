#include "platform/WindowFrame.h"
#include "platform/UserDefaults.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST(WindowFrame, IsKeptAsOneTextAndAnyOtherShapeIsNoFrame)
{
    TempFolder folder;
    UserDefaults defaults(folder.file(QStringLiteral("defaults.json")));
    EXPECT_FALSE(WindowFrame::read(defaults));
    const WindowFrame frame { QRect(-1600, 40, 1180, 760), true };
    frame.write(defaults);
    EXPECT_EQ(defaults.string(QStringLiteral("windowGeometry")), "-1600 40 1180 760 maximized");
    // Read afresh, as at the next launch.
    EXPECT_EQ(WindowFrame::read(UserDefaults(defaults.path())), frame);
    EXPECT_EQ(WindowFrame::parse(u"12 30 800 600 normal"), (WindowFrame { QRect(12, 30, 800, 600), false }));

    for (const char16_t* bad : { u"", u"12 30 800 600", u"12 30 800 600 Maximized", u"12 30 0 600 normal",
             u"12 30 800 -5 normal", u"12 30 8e2 600 normal", u"12,30,800,600,normal",
             u"12 30 800 600 normal extra", u"12  30 800 600 normal" }) {
        EXPECT_FALSE(WindowFrame::parse(bad)) << QString::fromUtf16(bad).toStdString();
    }
    defaults.setInteger(QStringLiteral("windowGeometry"), 3);
    EXPECT_FALSE(WindowFrame::read(defaults));
}

TEST(WindowFrame, FitsAScreenThatHoldsItsMiddleAndItsTopEdge)
{
    const QList<QRect> one { QRect(0, 0, 1600, 1000) };
    const QList<QRect> two { QRect(0, 0, 1600, 1000), QRect(1600, 0, 1280, 800) };
    struct Case
    {
        QRect frame;
        const QList<QRect>& screens;
        bool fits;
    };
    const Case cases[] = {
        { QRect(100, 80, 1180, 760), one, true },
        { QRect(0, 0, 1600, 1000), one, true },
        { QRect(900, 80, 1180, 760), one, true }, // partly past the right edge, its middle on screen
        { QRect(1700, 80, 1180, 760), one, false }, // on a second screen that is gone
        { QRect(1700, 80, 1180, 760), two, true },
        { QRect(1700, 80, 1300, 760), two, false }, // wider than the screen it lies on
        { QRect(100, -20, 1180, 760), one, false }, // title bar above the screen
        { QRect(100, 80, 1700, 760), one, false },
        { QRect(-5000, -5000, 800, 600), two, false },
        { QRect(100, 80, 1180, 760), {}, false },
    };
    for (const Case& c : cases) {
        const WindowFrame frame { c.frame, false };
        EXPECT_EQ(frame.fitsOn(c.screens), c.fits)
            << frame.text().toStdString() << " on " << c.screens.size();
    }
}

} // namespace
