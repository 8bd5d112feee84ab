// Appearance, backdrop, desktop settings and symbols.
#include "ui/Theme.h"
#include "library/LibraryStore.h"
#include "platform/UserDefaults.h"
#include "ui/AppearanceController.h"
#include "ui/Backdrop.h"
#include "ui/DesktopSettings.h"
#include "ui/Symbols.h"

#include "common/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <gtest/gtest.h>

using namespace quavel;

namespace {

TEST(Appearance, SchemeFollowsPreferenceAndDesktop)
{
    EXPECT_FALSE(AppearanceController::isDark(AppearancePreference::system, false));
    EXPECT_TRUE(AppearanceController::isDark(AppearancePreference::system, true));
    EXPECT_FALSE(AppearanceController::isDark(AppearancePreference::light, true));
    EXPECT_TRUE(AppearanceController::isDark(AppearancePreference::dark, false));
    EXPECT_EQ(DesktopSettings::schemeFromPortal(1), DesktopSettings::ColorScheme::dark);
    EXPECT_EQ(DesktopSettings::schemeFromPortal(2), DesktopSettings::ColorScheme::light);
    EXPECT_EQ(DesktopSettings::schemeFromPortal(0), DesktopSettings::ColorScheme::noPreference);
    EXPECT_EQ(DesktopSettings::schemeFromPortal(7), DesktopSettings::ColorScheme::noPreference);
}

TEST(Appearance, ChangingThePreferenceRecoloursAtOnceAndSystemFollowsDesktop)
{
    test::TempFolder folder;
    UserDefaults defaults(folder.file(QStringLiteral("d.json")));
    LibraryStore store(folder.path(), defaults);
    DesktopSettings desktop;
    desktop.setColorScheme(DesktopSettings::ColorScheme::light);
    AppearanceController controller(store, desktop);
    controller.apply();
    QWidget w;
    auto isDark = [&w] {
        QApplication::processEvents();
        return Theme::isDark(&w);
    };
    EXPECT_FALSE(isDark());
    store.setAppearance(AppearancePreference::dark);
    EXPECT_TRUE(isDark());
    store.setAppearance(AppearancePreference::system);
    EXPECT_FALSE(isDark());
    desktop.setColorScheme(DesktopSettings::ColorScheme::dark);
    EXPECT_TRUE(isDark());
    store.setAppearance(AppearancePreference::light);
    EXPECT_FALSE(isDark());
    const auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_TRUE(style);
    EXPECT_EQ(style->baseStyle()->name().toLower(), QStringLiteral("fusion"));
}

QColor at(const QImage& image, double x, double y)
{
    return image.pixelColor(std::min(image.width() - 1, int(x * image.width())),
        std::min(image.height() - 1, int(y * image.height())));
}

void expectNear(const QColor& a, const QColor& b, double tolerance = 0.025)
{
    EXPECT_NEAR(a.redF(), b.redF(), tolerance);
    EXPECT_NEAR(a.greenF(), b.greenF(), tolerance);
    EXPECT_NEAR(a.blueF(), b.blueF(), tolerance);
}

class BackdropColours : public ::testing::TestWithParam<bool>
{
};

// The gradient passes through its control points, the moved centre included, and is seamless.
TEST_P(BackdropColours, PassThroughTheControlPoints)
{
    const bool dark = GetParam();
    const auto mesh = Backdrop::mesh(dark);
    const QImage image = Backdrop::render(mesh, QSize(400, 300));
    for (int i : { 0, 2, 4, 6, 8 })
        expectNear(at(image, mesh.points[i].x(), mesh.points[i].y()), mesh.colors[i]);
    // No pixel differs much from its neighbour: no seams and no stray dots.
    int worst = 0;
    for (int y = 1; y < image.height(); ++y)
        for (int x = 1; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y), l = image.pixelColor(x - 1, y),
                         u = image.pixelColor(x, y - 1);
            worst = std::max({ worst, std::abs(c.green() - l.green()), std::abs(c.green() - u.green()) });
        }
    EXPECT_LE(worst, 3);
    EXPECT_EQ(Backdrop::materialOpacity(dark), dark ? 0.18 : 0.28);
}

// As painted in a window, the dark gradient climbs smoothly: rounded straight to 8 bits it would stand
// still for several columns and then jump a level, bands that show on a good screen.
TEST_P(BackdropColours, PaintedWithoutBands)
{
    QImage painted(QSize(1180, 740), QImage::Format_RGB32);
    {
        QPainter p(&painted);
        Backdrop::paint(p, QRectF(painted.rect()), GetParam());
    }
    // Column means of a strip across the strongest horizontal change of the gradient.
    QList<double> means;
    for (int x = 150; x < 450; ++x) {
        double sum = 0;
        for (int y = 300; y < 364; ++y)
            sum += painted.pixelColor(x, y).green();
        means.append(sum / 64);
    }
    int still = 0;
    for (qsizetype i = 1; i < means.size(); ++i)
        if (std::abs(means[i] - means[i - 1]) < 0.02)
            ++still;
    EXPECT_GT(std::abs(means.last() - means.first()), 2.0);
    EXPECT_LT(still, means.size() / 4);
}

INSTANTIATE_TEST_SUITE_P(Schemes, BackdropColours, ::testing::Bool());

// Every symbol the screens name draws something, from the icon theme or by hand, in its tint.
TEST(Symbols, EveryKnownSymbolDrawsInItsTint)
{
    Symbols::installIconTheme();
    QFile table(QStringLiteral(":/quavel/symbols.tsv"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    int checked = 0;
    for (const QByteArray& line : table.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString symbol = QString::fromUtf8(line.left(line.indexOf('\t')));
        SCOPED_TRACE(symbol.toStdString());
        const QImage image = Symbols::pixmap(symbol, 22, QColor(200, 30, 40)).toImage();
        int covered = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 200) {
                    ++covered;
                    EXPECT_NEAR(c.red(), 200, 3);
                    EXPECT_NEAR(c.blue(), 40, 3);
                }
            }
        EXPECT_GT(covered, 6);
        ++checked;
    }
    EXPECT_GE(checked, 20);
    EXPECT_FALSE(Symbols::isKnown(QStringLiteral("pas.un.symbole")));
    EXPECT_TRUE(
        Symbols::pixmap(QStringLiteral("pas.un.symbole"), 16, Qt::black).toImage().pixelColor(8, 8).alpha()
        == 0);
}

} // namespace
