// The share button's picture is never blank: without a service it is drawn from the icon theme.
#include "photo/views/AirDropIcon.h"
#include "photo/AirDropShare.h"
#include "ui/Symbols.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quavel;

namespace {

TEST(AirDropIcon, DrawsARoundPictureOfTwentyEightPoints)
{
    Symbols::installIconTheme();
    const QImage icon = AirDropShare::icon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.deviceIndependentSize().toSize(), QSize(28, 28));
    EXPECT_EQ(AirDropShare::icon().cacheKey(), icon.cacheKey()); // made once
    // A service's own picture comes first.
    QImage own(10, 10, QImage::Format_ARGB32);
    own.fill(Qt::red);
    EXPECT_EQ(AirDropShare::makeIcon(own), own);

    AirDropIcon view;
    EXPECT_EQ(view.size(), QSize(28, 28));
    QImage shot(view.size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    view.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(shot.pixel(0, 0)), 0); // outside the circle
    EXPECT_EQ(qAlpha(shot.pixel(shot.width() / 2, 3)), 255); // inside it
    // The theme's symbol is drawn in white over the blue disc.
    int white = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            white += qRed(icon.pixel(x, y)) > 240 && qAlpha(icon.pixel(x, y)) == 255;
    EXPECT_GT(white, 20);
}

} // namespace
