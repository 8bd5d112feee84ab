// The capsule look: the tables of sizes and layers, the states a button can be drawn in, and the
// composite controls built on it.
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMenu.h"
#include "ui/CapsuleMetrics.h"
#include "ui/FusedCapsule.h"
#include "ui/LinkedGroup.h"
#include "ui/PickButton.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace quavel;

namespace {

const ControlSize kSizes[] = { ControlSize::mini, ControlSize::small, ControlSize::regular,
    ControlSize::large, ControlSize::extraLarge };

struct SizeRow
{
    ControlSize size;
    qreal font, fusedInset, glassInset, side, fusedMin, divider;
};

class CapsuleSizes : public ::testing::TestWithParam<SizeRow>
{
};

TEST_P(CapsuleSizes, FollowTheControlSize)
{
    const SizeRow r = GetParam();
    using namespace CapsuleMetrics;
    EXPECT_EQ(fontSize(CapsuleKind::glass, r.size), r.font);
    EXPECT_EQ(fontSize(CapsuleKind::tinyIcon, r.size), 10);
    EXPECT_EQ(horizontalInset(CapsuleKind::fused, r.size), r.fusedInset);
    EXPECT_EQ(horizontalInset(CapsuleKind::glass, r.size), r.glassInset);
    EXPECT_EQ(horizontalInset(CapsuleKind::prominent, r.size), r.glassInset);
    for (CapsuleKind k : { CapsuleKind::icon, CapsuleKind::tinyIcon, CapsuleKind::fusedIcon })
        EXPECT_EQ(horizontalInset(k, r.size), 0);
    EXPECT_EQ(height(CapsuleKind::glass, r.size), r.side);
    EXPECT_EQ(fixedWidth(CapsuleKind::icon, r.size), r.side);
    EXPECT_EQ(fixedWidth(CapsuleKind::tinyIcon, r.size), 16);
    EXPECT_EQ(height(CapsuleKind::tinyIcon, r.size), 16);
    EXPECT_FALSE(fixedWidth(CapsuleKind::glass, r.size));
    EXPECT_EQ(minimumWidth(CapsuleKind::fused, r.size), r.fusedMin);
    EXPECT_EQ(minimumWidth(CapsuleKind::prominent, r.size), 0);
    EXPECT_EQ(fusedDividerHeight(r.size), r.divider);
}

INSTANTIATE_TEST_SUITE_P(Table, CapsuleSizes,
    ::testing::Values(SizeRow { ControlSize::mini, 11, 14, 9, 22, 30, 12 },
        // The small size is narrower than its points: the desktop's font is wider than the drawings'.
        SizeRow { ControlSize::small, 11, 12, 10, 26, 34, 14 },
        SizeRow { ControlSize::regular, 12.5, 18, 13, 28, 36, 16 },
        SizeRow { ControlSize::large, 13.5, 20, 16, 32, 40, 18 },
        SizeRow { ControlSize::extraLarge, 16.5, 20, 16, 33, 41, 20 }));

struct LayerRow
{
    CapsuleKind kind;
    bool selected;
    bool dark;
    qreal wash; // white layer alpha, -1 none
    qreal fill; // accent alpha, -1 none
    qreal rim; // rim alpha, -1 none
    bool capsule;
};

class CapsuleLayers : public ::testing::TestWithParam<LayerRow>
{
};

qreal alphaOf(const QColor& c)
{
    return c.isValid() ? std::round(c.alphaF() * 100) / 100 : -1;
}

TEST_P(CapsuleLayers, MatchTheScheme)
{
    const LayerRow r = GetParam();
    const auto l = CapsuleMetrics::layers(r.kind, r.selected, r.dark);
    EXPECT_NEAR(alphaOf(l.whiteWash), r.wash, 0.005);
    EXPECT_NEAR(alphaOf(l.fill), r.fill, 0.005);
    EXPECT_NEAR(alphaOf(l.rim), r.rim, 0.005);
    EXPECT_EQ(l.capsuleShape, r.capsule);
    if (l.fill.isValid()) {
        QColor opaque = l.fill;
        opaque.setAlphaF(1);
        EXPECT_EQ(opaque, Theme::accent(r.dark));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CapsuleLayers,
    ::testing::Values(LayerRow { CapsuleKind::glass, true, true, 0.08, 0.38, 0.16, true },
        LayerRow { CapsuleKind::glass, true, false, 0.48, 0.22, 0.82, true },
        LayerRow { CapsuleKind::glass, false, false, 0.48, -1, 0.82, true },
        LayerRow { CapsuleKind::tinyIcon, false, true, 0.08, -1, 0.16, true },
        // A selected prominent capsule looks like an unselected one.
        LayerRow { CapsuleKind::prominent, true, true, -1, 1, 0.18, true },
        LayerRow { CapsuleKind::prominent, false, false, -1, 1, 0.28, true },
        // Fused segments: clear unless selected, never a rim, a rectangle.
        LayerRow { CapsuleKind::fused, false, true, -1, -1, -1, false },
        LayerRow { CapsuleKind::fused, true, true, -1, 0.42, -1, false },
        LayerRow { CapsuleKind::fusedIcon, true, false, -1, 0.24, -1, false }));

TEST(CapsuleStates, HoverOnlyWhenEnabledOverAndNotPressed)
{
    using CapsuleMetrics::hoverOpacity;
    EXPECT_EQ(hoverOpacity(true, true, false, true), 0.08);
    EXPECT_EQ(hoverOpacity(true, true, false, false), 0.10);
    EXPECT_EQ(hoverOpacity(false, true, false, false), 0);
    EXPECT_EQ(hoverOpacity(true, true, true, false), 0);
    EXPECT_EQ(hoverOpacity(true, false, false, false), 0);
    EXPECT_EQ(CapsuleMetrics::opacity(false), 0.42);
    EXPECT_EQ(CapsuleMetrics::pressedScale(true, false), 0.97);
    EXPECT_EQ(CapsuleMetrics::pressedScale(true, true), 1.0);
}

TEST(CapsuleStates, ProminentForegroundIsDarkTealOnDarkAndWhiteOnLight)
{
    EXPECT_EQ(CapsuleMetrics::layers(CapsuleKind::prominent, false, true).foreground,
        QColor::fromRgbF(0.06f, 0.14f, 0.16f));
    EXPECT_EQ(CapsuleMetrics::layers(CapsuleKind::prominent, false, false).foreground, QColor(Qt::white));
}

// Renders a button over opaque white and returns the colour at its centre.
QColor centreOf(CapsuleButton& b)
{
    b.resize(b.sizeHint());
    QImage image(b.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    b.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.pixelColor(2 * image.width() / 3 + 2, 3);
}

TEST(CapsuleButtons, DisabledProminentIsDrawnFaded)
{
    QApplication::setPalette(Theme::palette(false));
    CapsuleButton on(QString(), QString(), CapsuleKind::prominent);
    on.setText(QStringLiteral("      "));
    CapsuleButton off(QString(), QString(), CapsuleKind::prominent);
    off.setText(QStringLiteral("      "));
    off.setEnabled(false);
    const QColor a = centreOf(on), b = centreOf(off);
    const QColor accent = Theme::accent(false);
    EXPECT_NEAR(a.redF(), accent.redF(), 0.02);
    // 0.42 of the accent over white.
    EXPECT_NEAR(b.redF(), 0.42 * accent.redF() + 0.58, 0.03);
    EXPECT_NEAR(b.greenF(), 0.42 * accent.greenF() + 0.58, 0.03);
}

TEST(CapsuleButtons, TinyIconIsSixteenSquareAtEverySize)
{
    QWidget host;
    auto* b = new CapsuleButton(QString(), QStringLiteral("plus"), CapsuleKind::tinyIcon, &host);
    for (ControlSize s : kSizes) {
        Capsule::setControlSize(&host, s);
        EXPECT_EQ(b->sizeHint(), QSize(16, 16));
    }
}

TEST(CapsuleButtons, LargeAndExtraLargeShareInsetButNotHeight)
{
    QWidget host;
    auto* b = new CapsuleButton(QStringLiteral("Organiser"), QString(), CapsuleKind::glass, &host);
    Capsule::setControlSize(&host, ControlSize::large);
    const QSize large = b->sizeHint();
    Capsule::setControlSize(&host, ControlSize::extraLarge);
    const QSize xl = b->sizeHint();
    EXPECT_EQ(large.height(), 32);
    EXPECT_EQ(xl.height(), 33);
    EXPECT_GT(xl.width(), large.width()); // the bigger font, same inset
}

TEST(CapsuleButtons, HoverTracksThePointerAndDisabledShowsNone)
{
    Capsule::setReduceMotion(true);
    QWidget host;
    auto* layout = new QHBoxLayout(&host);
    auto* b = new CapsuleButton(QStringLiteral("Survol"), QString(), CapsuleKind::glass, &host);
    layout->addWidget(b);
    host.show();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(b, &enter);
    EXPECT_TRUE(b->isHovering());
    EXPECT_EQ(b->chromeState().hover, 1.0);
    b->setEnabled(false);
    const auto s = b->chromeState();
    EXPECT_EQ(CapsuleMetrics::hoverOpacity(s.enabled, true, s.pressed, s.dark), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b, &leave);
    EXPECT_FALSE(b->isHovering());
    Capsule::setReduceMotion(false);
}

TEST(CapsuleButtons, FusedSegmentHitsItsWholeRectangleAndCapsuleItsCorners)
{
    CapsuleButton fused(QStringLiteral("A5"), QString(), CapsuleKind::fused);
    CapsuleButton glass(QStringLiteral("A5"), QString(), CapsuleKind::glass);
    fused.resize(60, 28);
    glass.resize(60, 28);
    QSignalSpy fusedClicks(&fused, &QAbstractButton::clicked);
    QSignalSpy glassClicks(&glass, &QAbstractButton::clicked);
    QTest::mouseClick(&fused, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseClick(&glass, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(fusedClicks.count(), 1);
    EXPECT_EQ(glassClicks.count(), 0);
    QTest::mouseClick(&glass, Qt::LeftButton, {}, QPoint(30, 14));
    EXPECT_EQ(glassClicks.count(), 1);
}

TEST(CapsuleMenus, EmptyTitleShowsPlaceholderAndTooltipFollows)
{
    CapsuleMenu menu(QString(), QStringLiteral("Choisir l’épreuve"), 200);
    EXPECT_EQ(menu.shownText(), QStringLiteral("Choisir l’épreuve"));
    EXPECT_EQ(menu.toolTip(), QStringLiteral("Choisir l’épreuve"));
    menu.setTitle(QStringLiteral("Grand Prix"));
    EXPECT_EQ(menu.text(), QStringLiteral("Grand Prix"));
    EXPECT_EQ(menu.toolTip(), QStringLiteral("Grand Prix"));
}

TEST(CapsuleMenus, MaximumBelowMinimumKeepsTheMinimum)
{
    CapsuleMenu narrow(QStringLiteral("Un très long titre d’épreuve"), QString(), 40);
    CapsuleMenu wide(QStringLiteral("Un très long titre d’épreuve"), QString(), 88);
    EXPECT_EQ(narrow.sizeHint().width(), wide.sizeHint().width());
}

TEST(LinkedControls, GroupStretchesOnlyWhenAskedAndValueKeepsItsMinimum)
{
    QWidget host;
    auto* column = new QVBoxLayout(&host);
    auto* tight = new LinkedGroup(new PickButton(QStringLiteral("Choisir"), QString(), false),
        new LinkedLabel(QStringLiteral("Rien")), false);
    auto* wide = new LinkedGroup(new PickButton(QStringLiteral("Choisir"), QString(), false),
        new LinkedLabel(QStringLiteral("Rien")), true);
    column->addWidget(tight, 0, Qt::AlignLeft);
    column->addWidget(wide);
    host.resize(600, 200);
    host.show();
    QApplication::processEvents();
    EXPECT_EQ(tight->width(), tight->sizeHint().width());
    EXPECT_GT(wide->width(), 500);

    LinkedValue value(
        QStringLiteral("Source"), QStringLiteral("/un/chemin/très/long/vers/le/dossier/des/photos"), 40);
    EXPECT_EQ(value.maximumWidth(), 72);
    EXPECT_EQ(value.toolTip(), QStringLiteral("/un/chemin/très/long/vers/le/dossier/des/photos"));
    value.resize(72, 30);
    EXPECT_TRUE(value.shownValue().contains(QChar(0x2026))); // cut in the middle
    EXPECT_TRUE(value.shownValue().startsWith(QStringLiteral("/un")));
}

// A linked value as wide as it asks shows its title whole, ink margins included, over a value shorter
// or longer than it.
TEST(LinkedControls, AValueShowsItsWholeTitle)
{
    const struct
    {
        const char* title;
        const char* value;
    } cases[] = {
        { "Dossier source", "Commandes" },
        { "Dossier source", "Dossier contenant les commandes" },
        { "Programme", "PDF" },
        { "Filigrane", "Aucun fichier filigrane" },
        { "Vue", "x" },
    };
    for (const auto& c : cases) {
        LinkedValue value(QString::fromUtf8(c.title), QString::fromUtf8(c.value));
        value.resize(value.sizeHint());
        value.show();
        QApplication::processEvents();
        for (const QLabel* label : value.findChildren<QLabel*>()) {
            const QString text = label->text();
            // A label's margin is inside its contents.
            const int room = label->contentsRect().width() - 2 * label->margin();
            EXPECT_LE(QFontMetrics(label->font()).boundingRect(text).width(), room)
                << c.title << " / " << c.value << ": " << text.toStdString();
        }
        EXPECT_EQ(value.shownValue(), QString::fromUtf8(c.value)) << c.title;
    }
}

TEST(PickButtons, FusedDrawsNoCapsuleAndTitleIsVerbatim)
{
    PickButton plain(QStringLiteral("Dossier des photos"), QString(), false);
    PickButton fused(QStringLiteral("Dossier des photos"), QStringLiteral("tray"), true);
    EXPECT_EQ(plain.kind(), CapsuleKind::glass);
    EXPECT_EQ(fused.kind(), CapsuleKind::fused);
    EXPECT_TRUE(plain.symbol().isEmpty());
    EXPECT_EQ(plain.text(), QStringLiteral("Dossier des photos"));
    EXPECT_FALSE(CapsuleMetrics::layers(fused.kind(), false, false).rim.isValid());
    EXPECT_EQ(plain.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

} // namespace
