// The retouch controls bound to a settings value: the list, the sharpening and tone groups, the header's
// reset and the popover's change reports.
#include "RetouchTestSupport.h"
#include "common/TestSupport.h"

#include "photo/retouch/RetouchNumbers.h"

#include "photo/views/FineLineSlider.h"
#include "photo/views/RetouchCheckboxRow.h"
#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchGroupBox.h"
#include "photo/views/RetouchLabel.h"
#include "photo/views/RetouchLook.h"
#include "photo/views/RetouchPanelHeader.h"
#include "photo/views/RetouchScrollArea.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSettingsPopover.h"
#include "photo/views/RetouchSharpnessGroup.h"
#include "photo/views/RetouchSliderRow.h"
#include "photo/views/RetouchToneGroup.h"
#include "photo/views/RetouchToneHeader.h"
#include "ui/CapsuleButton.h"
#include "ui/Theme.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>

using namespace quavel;
using namespace quavel::test;

namespace {

const QString kNbsp = QString(QChar(0x00A0));
const QString kMinus = QString(QChar(0x2212));

QString titleOf(QWidget* control)
{
    if (auto* row = qobject_cast<RetouchSliderRow*>(control))
        return row->traits().title;
    if (auto* row = qobject_cast<RetouchCheckboxRow*>(control))
        return row->titleLabel()->text();
    if (auto* group = qobject_cast<RetouchToneGroup*>(control))
        return group->header()->text();
    if (auto* group = qobject_cast<RetouchSharpnessGroup*>(control))
        return group->switchRow()->titleLabel()->text();
    return QStringLiteral("—");
}

// Settings a photographer might have saved: sharpening on, some contrast, the shadows lifted.
PhotoRetouchSettings tuned()
{
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.sharpnessAmount = 140;
    s.contrast = 12;
    s.shadows = 25;
    return s;
}

TEST(RetouchControls, ElevenControlsInOrderEachEditingItsField)
{
    RetouchSettingsBinding settings;
    RetouchControls controls(&settings, true);
    QStringList titles;
    for (QWidget* c : controls.controls())
        titles << titleOf(c);
    EXPECT_EQ(titles,
        QStringList({ QStringLiteral("Netteté optimisée"), QStringLiteral("Contraste"),
            QStringLiteral("Contraste auto"), QStringLiteral("Luminosité"), QStringLiteral("Vibrance"),
            QStringLiteral("Saturation"), QStringLiteral("Gamma"), QStringLiteral("Exposition"),
            QStringLiteral("—"), QStringLiteral("Tons foncés"), QStringLiteral("Tons clairs") }));

    // Each row writes its own field and no other.
    const struct
    {
        RetouchSliderRow* row;
        double PhotoRetouchSettings::*field;
        double value;
    } rows[] = {
        { controls.contrast(), &PhotoRetouchSettings::contrast, -12.5 },
        { controls.brightness(), &PhotoRetouchSettings::brightness, 7 },
        { controls.vibrance(), &PhotoRetouchSettings::vibrance, 30 },
        { controls.saturation(), &PhotoRetouchSettings::saturation, -40 },
        { controls.gamma(), &PhotoRetouchSettings::gamma, 1.25 },
        { controls.exposure(), &PhotoRetouchSettings::exposure, -0.75 },
        { controls.sharpness()->amountRow(), &PhotoRetouchSettings::sharpnessAmount, 180 },
        { controls.sharpness()->radiusRow(), &PhotoRetouchSettings::sharpnessRadius, 2.5 },
        { controls.sharpness()->noiseReductionRow(), &PhotoRetouchSettings::sharpnessNoiseReduction, 35 },
        { controls.shadows()->amountRow(), &PhotoRetouchSettings::shadows, 20 },
        { controls.shadows()->tonalWidthRow(), &PhotoRetouchSettings::shadowTonalWidth, 60 },
        { controls.shadows()->radiusRow(), &PhotoRetouchSettings::shadowRadius, 45 },
        { controls.highlights()->amountRow(), &PhotoRetouchSettings::highlights, -30 },
        { controls.highlights()->tonalWidthRow(), &PhotoRetouchSettings::highlightTonalWidth, 20 },
        { controls.highlights()->radiusRow(), &PhotoRetouchSettings::highlightRadius, 90 },
    };
    for (const auto& r : rows) {
        const PhotoRetouchSettings before = settings.value();
        r.row->field()->setText(RetouchNumbers::displayForm(r.value, 2));
        r.row->commitTyped();
        PhotoRetouchSettings expected = before;
        expected.*r.field = r.value;
        EXPECT_EQ(settings.value(), expected) << qPrintable(r.row->traits().title);
    }
    controls.autoContrast()->checkBox()->click();
    EXPECT_TRUE(settings.value().autoContrast);
    controls.sharpness()->lensBlurRow()->checkBox()->click();
    EXPECT_TRUE(settings.value().removeLensBlur);

    // And every row follows the owner's value.
    settings.setValue(PhotoRetouchSettings {});
    EXPECT_EQ(controls.contrast()->typed(), QStringLiteral("0,0"));
    EXPECT_EQ(controls.gamma()->typed(), QStringLiteral("1,00"));
    EXPECT_EQ(controls.sharpness()->amountRow()->typed(), QStringLiteral("100"));
    EXPECT_FALSE(controls.autoContrast()->isOn());
}

TEST(RetouchControls, RangesStepsUnitsAndOrigins)
{
    RetouchSettingsBinding settings;
    RetouchControls controls(&settings, false);
    const struct
    {
        RetouchSliderRow* row;
        RetouchRange range;
        int decimals;
        const char* unit;
        std::optional<double> origin;
    } rows[] = {
        { controls.contrast(), { -100, 100, 0.1 }, 1, "%", std::nullopt },
        { controls.gamma(), { 0.1, 3, 0.01 }, 2, "", 1.0 },
        { controls.exposure(), { -2, 2, 0.01 }, 2, "IL", std::nullopt },
        { controls.sharpness()->amountRow(), { 0, 300, 0.5 }, 0, "%", std::nullopt },
        { controls.sharpness()->radiusRow(), { 0.1, 64, 0.1 }, 1, "px", std::nullopt },
        { controls.sharpness()->noiseReductionRow(), { 0, 100, 0.5 }, 0, "%", std::nullopt },
        { controls.shadows()->amountRow(), { -100, 100, 0.1 }, 1, "%", std::nullopt },
        { controls.shadows()->tonalWidthRow(), { 0, 100, 0.5 }, 0, "%", std::nullopt },
        { controls.highlights()->radiusRow(), { 0, 250, 0.1 }, 1, "px", std::nullopt },
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.row->traits().range, r.range) << qPrintable(r.row->traits().title);
        EXPECT_EQ(r.row->traits().decimals, r.decimals);
        EXPECT_EQ(r.row->traits().unit, QString::fromUtf8(r.unit));
        EXPECT_EQ(r.row->traits().origin, r.origin);
        EXPECT_FALSE(r.row->slider()->toolTip().isEmpty());
    }
    EXPECT_EQ(controls.spacing(), 12);
    EXPECT_EQ(RetouchControls(&settings, true).spacing(), 10);
    EXPECT_EQ(RetouchControls(&settings, true, 11).spacing(), 11);
}

TEST(RetouchSharpnessGroup, TheBoxFollowsTheSwitchAndKeepsItsValues)
{
    TestWindow w;
    PhotoRetouchSettings start;
    start.sharpnessAmount = 150;
    start.removeLensBlur = true;
    RetouchSettingsBinding settings(start);
    auto* group = w.hold(new RetouchSharpnessGroup(&settings, true));
    w.open();
    EXPECT_FALSE(group->box()->isVisible());

    group->switchRow()->titleLabel()->setAttribute(Qt::WA_TransparentForMouseEvents);
    QTest::mouseClick(
        group->switchRow(), Qt::LeftButton, {}, group->switchRow()->titleLabel()->geometry().center());
    EXPECT_TRUE(settings.value().optimizedSharpness);
    EXPECT_TRUE(group->box()->isVisible());
    const QList<QWidget*> inBox = group->box()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList order;
    for (QWidget* child : inBox)
        order << titleOf(child);
    EXPECT_EQ(order,
        QStringList({ QStringLiteral("Quantité"), QStringLiteral("Rayon"),
            QStringLiteral("Réduction du bruit"), QStringLiteral("Supprimer le flou de l’objectif") }));
    EXPECT_EQ(group->amountRow()->typed(), QStringLiteral("150"));

    group->switchRow()->checkBox()->click();
    EXPECT_FALSE(group->box()->isVisible());
    EXPECT_EQ(settings.value().sharpnessAmount, 150);
    EXPECT_TRUE(settings.value().removeLensBlur);
}

TEST(RetouchCheckboxRow, OneLineWithoutSubtitle)
{
    RetouchCheckboxRow plain(QStringLiteral("Contraste auto"), std::nullopt, QStringLiteral("aide"));
    EXPECT_EQ(plain.subtitleLabel(), nullptr);
    RetouchCheckboxRow two(QStringLiteral("Contraste auto"), QStringLiteral("Étire"), QStringLiteral("aide"));
    ASSERT_NE(two.subtitleLabel(), nullptr);
    EXPECT_GT(two.sizeHint().height(), plain.sizeHint().height());
    EXPECT_EQ(two.toolTip(), QStringLiteral("aide"));
    EXPECT_EQ(two.subtitleLabel()->color(), RetouchLook::muted());
}

class ToneGroupTest : public ::testing::Test
{
protected:
    RetouchToneGroup* open(double amount, bool compact = true)
    {
        PhotoRetouchSettings s;
        s.shadows = amount;
        settings.setValue(s);
        controls = w.hold(new RetouchControls(&settings, compact));
        w.open();
        return controls->shadows();
    }
    static void finish(RetouchToneGroup* g)
    {
        EXPECT_TRUE(waitUntil([g] { return !g->isAnimating(); }, 2000));
    }

    TestWindow w;
    RetouchSettingsBinding settings;
    RetouchControls* controls = nullptr;
};

TEST_F(ToneGroupTest, ZeroStaysClosedWithAMutedAmount)
{
    RetouchToneGroup* g = open(0);
    EXPECT_FALSE(g->isExpanded());
    EXPECT_FALSE(g->isBoxShown());
    EXPECT_EQ(g->header()->amountText(), QStringLiteral("0") + kNbsp + QStringLiteral("%"));
    EXPECT_EQ(g->header()->amountColor(), RetouchLook::muted());
}

TEST_F(ToneGroupTest, ANonZeroAmountIsOpenAtOnce)
{
    RetouchToneGroup* g = open(25);
    EXPECT_TRUE(g->isExpanded());
    EXPECT_FALSE(g->isAnimating());
    EXPECT_TRUE(g->isBoxShown());
    EXPECT_DOUBLE_EQ(g->header()->turn(), 1);
    EXPECT_EQ(g->header()->amountText(), QStringLiteral("+25") + kNbsp + QStringLiteral("%"));
    EXPECT_FALSE(controls->highlights()->isExpanded());
}

TEST_F(ToneGroupTest, ANewAmountOpensAndOnlyTheHeaderCloses)
{
    RetouchToneGroup* g = open(0);
    PhotoRetouchSettings s = settings.value();
    s.shadows = -0.6;
    settings.setValue(s);
    EXPECT_TRUE(g->isExpanded());
    EXPECT_TRUE(g->isAnimating());
    EXPECT_EQ(g->header()->amountText(), kMinus + QStringLiteral("1") + kNbsp + QStringLiteral("%"));
    EXPECT_EQ(g->header()->amountColor(), RetouchLook::teal());
    finish(g);
    EXPECT_TRUE(g->isBoxShown());
    EXPECT_GT(g->box()->height(), 100);

    // "Intensité" back to 0 keeps it open; so does a reset of everything.
    typeInto(g->amountRow()->field(), QStringLiteral("0"));
    QTest::keyClick(g->amountRow()->field(), Qt::Key_Return);
    EXPECT_EQ(settings.value().shadows, 0);
    EXPECT_TRUE(g->isExpanded());
    s.shadows = 40;
    settings.setValue(s);
    settings.setValue(PhotoRetouchSettings {});
    EXPECT_TRUE(g->isExpanded());

    QTest::mouseClick(g->header(), Qt::LeftButton);
    EXPECT_FALSE(g->isExpanded());
    EXPECT_TRUE(g->isAnimating());
    finish(g);
    EXPECT_FALSE(g->isBoxShown());
    EXPECT_DOUBLE_EQ(g->header()->turn(), 0);
    QTest::mouseClick(g->header(), Qt::LeftButton);
    finish(g);
    EXPECT_TRUE(g->isBoxShown());
}

TEST_F(ToneGroupTest, TheAnimationTakesSixteenHundredthsOfASecond)
{
    RetouchToneGroup* g = open(0);
    EXPECT_EQ(RetouchToneGroup::kAnimationMs, 160);
    QElapsedTimer clock;
    clock.start();
    g->toggle();
    finish(g);
    EXPECT_GE(clock.elapsed(), 150);
}

TEST_F(ToneGroupTest, CompactRowsAndBoxSpacing)
{
    RetouchToneGroup* g = open(0, false);
    EXPECT_EQ(g->box()->boxLayout()->spacing(), 10);
    EXPECT_FALSE(g->amountRow()->isCompact());
    RetouchToneGroup compact(QStringLiteral("Tons clairs"), QString(), true);
    EXPECT_EQ(compact.box()->boxLayout()->spacing(), 8);
    EXPECT_TRUE(compact.radiusRow()->isCompact());
}

TEST(RetouchPanelHeader, ResetIsEnabledByAnyActiveSettingAndRestoresEveryDefault)
{
    TestWindow w;
    RetouchSettingsBinding settings;
    auto* header = w.hold(new RetouchPanelHeader(&settings));
    QSignalSpy resets(header, &RetouchPanelHeader::settingsReset);
    w.open();
    EXPECT_FALSE(header->resetButton()->isEnabled());
    // Amounts that act only through a switch leave the settings neutral.
    PhotoRetouchSettings s;
    s.sharpnessAmount = 250;
    s.shadowRadius = 80;
    settings.setValue(s);
    EXPECT_FALSE(header->resetButton()->isEnabled());
    s.exposure = 0.01;
    settings.setValue(s);
    EXPECT_TRUE(header->resetButton()->isEnabled());

    QTest::mouseClick(header->resetButton(), Qt::LeftButton);
    EXPECT_EQ(settings.value(), PhotoRetouchSettings {});
    EXPECT_EQ(resets.count(), 1);
    EXPECT_FALSE(header->resetButton()->isEnabled());
}

TEST(RetouchSettingsBinding, EditsWriteThroughAndOwnerChangesDoNot)
{
    int writes = 0;
    RetouchSettingsBinding settings({}, [&](const PhotoRetouchSettings&) { ++writes; });
    QSignalSpy changes(&settings, &RetouchSettingsBinding::valueChanged);
    settings.setValue(tuned());
    EXPECT_EQ(writes, 0);
    settings.edit(tuned());
    EXPECT_EQ(changes.count(), 1); // equal: nothing
    settings.editField(&PhotoRetouchSettings::contrast, 30.0);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(changes.count(), 2);

    // An owner answering a write with a value of its own announces only that one.
    RetouchSettingsBinding clamping;
    clamping.setWriter([&](const PhotoRetouchSettings& v) {
        PhotoRetouchSettings c = v;
        c.contrast = std::min(c.contrast, 50.0);
        clamping.setValue(c);
    });
    QSignalSpy clamped(&clamping, &RetouchSettingsBinding::valueChanged);
    clamping.editField(&PhotoRetouchSettings::contrast, 80.0);
    ASSERT_EQ(clamped.count(), 1);
    EXPECT_EQ(clamped.at(0).at(0).value<PhotoRetouchSettings>().contrast, 50.0);
}

class PopoverTest : public ::testing::Test
{
protected:
    void TearDown() override { QApplication::setPalette(Theme::palette(false)); }
};

TEST_F(PopoverTest, ReportsEveryChangeButNotTheFirstShowingAndResetTwice)
{
    TestWindow w;
    RetouchSettingsBinding settings(tuned());
    auto* popover = new RetouchSettingsPopover(&settings, &w);
    QSignalSpy changes(popover, &RetouchSettingsPopover::changed);
    w.open();
    popover->popup(w.elsewhere());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popover));
    EXPECT_EQ(changes.count(), 0);

    RetouchSliderRow* contrast = popover->controls()->contrast();
    typeInto(contrast->field(), QStringLiteral("20"));
    QTest::keyClick(contrast->field(), Qt::Key_Return);
    EXPECT_EQ(settings.value().contrast, 20);
    EXPECT_EQ(changes.count(), 1);
    popover->controls()->autoContrast()->checkBox()->click();
    EXPECT_EQ(changes.count(), 2);

    popover->header()->resetButton()->click();
    EXPECT_EQ(settings.value(), PhotoRetouchSettings {});
    EXPECT_EQ(changes.count(), 4);
    popover->close();
}

TEST_F(PopoverTest, FixedWidthCappedHeightHiddenScrollBars)
{
    TestWindow w;
    RetouchSettingsBinding settings;
    auto* popover = new RetouchSettingsPopover(&settings, &w);
    w.open();
    popover->popup(w.elsewhere());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popover));
    EXPECT_EQ(popover->width(), 372);
    const int collapsed = popover->height();
    EXPECT_LE(collapsed, 640);
    EXPECT_EQ(popover->controls()->spacing(), 11);

    // Everything open: taller than the cap, so the panel stops at 640 and scrolls.
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    settings.setValue(s);
    popover->controls()->shadows()->toggle();
    popover->controls()->highlights()->toggle();
    ASSERT_TRUE(waitUntil([&] {
        return !popover->controls()->shadows()->isAnimating()
            && !popover->controls()->highlights()->isAnimating();
    }));
    ASSERT_TRUE(waitUntil([&] { return popover->height() == 640; }));
    QScrollArea* scroll = popover->scrollArea();
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroll->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(scroll->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(popover->width(), 372);
    popover->close();
}

TEST_F(PopoverTest, OpensAgainstTheAnchorsTrailingEdgeDarkInBothAppearances)
{
    for (bool dark : { false, true }) {
        QApplication::setPalette(Theme::palette(dark));
        TestWindow w;
        RetouchSettingsBinding settings;
        auto* popover = new RetouchSettingsPopover(&settings, &w);
        QSignalSpy closed(popover, &RetouchSettingsPopover::closed);
        w.move(40, 40);
        w.open();
        QWidget* anchor = w.elsewhere();
        anchor->setFixedWidth(120);
        QApplication::processEvents();
        popover->popup(anchor);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popover));
        EXPECT_TRUE(popover->isWindow());
        const QRect a(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        EXPECT_GT(popover->x(), a.right());
        EXPECT_LE(popover->x(), a.right() + 12);
        // Centred on the anchor, as far as the screen allows.
        const QRect room = anchor->screen()->availableGeometry();
        const int centredTop = a.center().y() - popover->height() / 2;
        EXPECT_NEAR(
            popover->y(), std::clamp(centredTop, room.top(), room.bottom() + 1 - popover->height()), 1);
        EXPECT_TRUE(room.contains(popover->geometry()));
        EXPECT_TRUE(Theme::isDark(popover->controls()));
        EXPECT_EQ(popover->controls()->contrast()->titleLabel()->color(), RetouchLook::label());
        popover->close();
        EXPECT_EQ(closed.count(), 1);
    }
}

} // namespace
