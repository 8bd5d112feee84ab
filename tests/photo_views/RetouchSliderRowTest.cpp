// One retouch row on screen: typing and committing values, the slider under the pointer, and the
// field keeping Return to itself.
#include "RetouchTestSupport.h"

#include "photo/views/FineLineSlider.h"
#include "photo/views/RetouchLabel.h"
#include "photo/views/RetouchSliderRow.h"

#include <QShortcut>
#include <QSignalSpy>

using namespace quavel;
using namespace quavel::test;

namespace {

const QString kMinus = QString(QChar(0x2212));

const RetouchSliderTraits kNoise { QStringLiteral("Réduction du bruit"), QString(), { 0, 100, 0.5 }, 0,
    QStringLiteral("%"), std::nullopt };
const RetouchSliderTraits kRadius { QStringLiteral("Rayon"), QString(), { 0.1, 64, 0.1 }, 1,
    QStringLiteral("px"), std::nullopt };
const RetouchSliderTraits kAmount { QStringLiteral("Quantité"), QString(), { 0, 300, 0.5 }, 0,
    QStringLiteral("%"), std::nullopt };
const RetouchSliderTraits kContrast { QStringLiteral("Contraste"), QStringLiteral("Courbe"),
    { -100, 100, 0.1 }, 1, QStringLiteral("%"), std::nullopt };

enum class Commit { returnKey, focusLoss };

struct TypingCase
{
    const char* name;
    RetouchSliderTraits traits;
    double start;
    QString typed;
    Commit commit;
    double stored;
    QString shown;
};

class RowTyping : public ::testing::TestWithParam<TypingCase>
{
};

TEST_P(RowTyping, CommitsStoresAndShowsTheValueAgain)
{
    const TypingCase& c = GetParam();
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(c.traits, true));
    row->setValue(c.start);
    w.open();
    QSignalSpy edits(row, &RetouchSliderRow::valueEdited);
    typeInto(row->field(), c.typed);
    if (c.commit == Commit::returnKey)
        QTest::keyClick(row->field(), Qt::Key_Return);
    else
        w.focusElsewhere();
    EXPECT_NEAR(row->value(), c.stored, 1e-9);
    EXPECT_EQ(row->typed(), c.shown);
    EXPECT_EQ(edits.count(), c.stored == c.start ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, RowTyping,
    ::testing::Values(
        // The field rounds the shown half to even: 12.5 is stored and 12 shown.
        TypingCase { "half_on_focus_loss", kNoise, 10, QStringLiteral("12,5 %"), Commit::focusLoss, 12.5,
            QStringLiteral("12") },
        TypingCase { "half_on_return", kNoise, 10, QStringLiteral("12,5 %"), Commit::returnKey, 12.5,
            QStringLiteral("12") },
        TypingCase { "to_the_step", kNoise, 10, QStringLiteral("12,7"), Commit::returnKey, 12.5,
            QStringLiteral("12") },
        TypingCase { "below_the_lower_bound", kRadius, 1, QStringLiteral("0,04"), Commit::focusLoss, 0.1,
            QStringLiteral("0,1") },
        TypingCase {
            "with_unit", kRadius, 1, QStringLiteral("3 px"), Commit::returnKey, 3, QStringLiteral("3,0") },
        TypingCase { "above_the_upper_bound", kAmount, 100, QStringLiteral("500"), Commit::returnKey, 300,
            QStringLiteral("300") },
        TypingCase {
            "hyphen_minus", kAmount, 100, QStringLiteral("-5"), Commit::returnKey, 0, QStringLiteral("0") },
        TypingCase { "minus_sign", kContrast, 0, kMinus + QStringLiteral("12,3"), Commit::focusLoss, -12.3,
            QStringLiteral("-12,3") },
        TypingCase { "a_word_on_return", kContrast, 4, QStringLiteral("fort"), Commit::returnKey, 4,
            QStringLiteral("4,0") },
        TypingCase { "not_a_number", kContrast, 4, QStringLiteral("nan"), Commit::returnKey, 4,
            QStringLiteral("4,0") },
        TypingCase { "infinity_clamps", kContrast, 4, QStringLiteral("-inf"), Commit::returnKey, -100,
            QStringLiteral("-100,0") },
        TypingCase { "emptied", kContrast, 4, QString(), Commit::focusLoss, 4, QStringLiteral("4,0") }),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

TEST(RetouchSliderRow, ReturnThenFocusLossCommitsTheShownText)
{
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(kNoise, false));
    w.open();
    typeInto(row->field(), QStringLiteral("12,5 %"));
    QTest::keyClick(row->field(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(row->value(), 12.5);
    EXPECT_TRUE(row->isFieldFocused());
    w.focusElsewhere();
    EXPECT_DOUBLE_EQ(row->value(), 12);
}

TEST(RetouchSliderRow, VisitingTheFieldRoundsToTheShownPrecision)
{
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(kAmount, true));
    row->setValue(100.5);
    w.open();
    EXPECT_EQ(row->typed(), QStringLiteral("100"));
    row->field()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    w.focusElsewhere();
    EXPECT_DOUBLE_EQ(row->value(), 100);
}

TEST(RetouchSliderRow, OwnerChangesShowUnlessTheUserIsTyping)
{
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(kContrast, true));
    w.open();
    QSignalSpy edits(row, &RetouchSliderRow::valueEdited);
    QSignalSpy changes(row, &RetouchSliderRow::valueChanged);
    row->setValue(20);
    EXPECT_EQ(row->typed(), QStringLiteral("20,0"));
    EXPECT_EQ(edits.count(), 0);
    EXPECT_EQ(changes.count(), 1);

    typeInto(row->field(), QStringLiteral("33"));
    row->setValue(-7); // say, the slider of another view of the same value
    EXPECT_EQ(row->typed(), QStringLiteral("33"));
    // Leaving the field commits the text, which replaces the value set meanwhile.
    w.focusElsewhere();
    EXPECT_DOUBLE_EQ(row->value(), 33);
}

TEST(RetouchSliderRow, SliderMovesWhileTheFieldKeepsItsText)
{
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(kContrast, true));
    w.open();
    typeInto(row->field(), QStringLiteral("5"));
    FineLineSlider* slider = row->slider();
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() - 6, 11));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() - 6, 11));
    EXPECT_DOUBLE_EQ(row->value(), 100);
    EXPECT_EQ(row->typed(), QStringLiteral("5"));
}

TEST(RetouchSliderRow, ReturnInTheFieldStaysInTheField)
{
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(kContrast, true));
    int defaultActions = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Return), &w);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++defaultActions; });
    w.open();
    typeInto(row->field(), QStringLiteral("8"));
    QTest::keyClick(row->field(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(row->value(), 8);
    EXPECT_EQ(defaultActions, 0);
    // Elsewhere Return is the window's.
    w.focusElsewhere();
    QTest::keyClick(w.elsewhere(), Qt::Key_Return);
    EXPECT_EQ(defaultActions, 1);
}

TEST(RetouchSliderRow, TheWellLightsUpWhileTheFieldHasTheFocus)
{
    TestWindow w;
    auto* row = w.hold(new RetouchSliderRow(kContrast, true));
    w.open();
    EXPECT_FALSE(row->isFieldFocused());
    row->field()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(row->isFieldFocused());
    w.focusElsewhere();
    EXPECT_FALSE(row->isFieldFocused());
}

// The compact rows of the crop editor's panel have titles of 11.5 points, the others of 12: the same
// title is drawn narrower by that ratio (a size rounded to whole pixels draws both alike).
TEST(RetouchSliderRow, CompactTitlesAreHalfAPointSmaller)
{
    // How wide the title's ink is, drawn white on black.
    const auto inkWidth = [](bool compact) {
        QWidget host;
        host.setStyleSheet(QStringLiteral("background: black"));
        auto* row = new RetouchSliderRow(kNoise, compact, &host);
        host.resize(400, 80);
        row->resize(400, 60);
        row->titleLabel()->setColor(Qt::white);
        const QImage image = row->titleLabel()->grab().toImage();
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) > 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left + 1;
    };
    const int narrow = inkWidth(true);
    const int wide = inkWidth(false);
    ASSERT_GT(wide, 60);
    EXPECT_NEAR(double(narrow) / wide, 11.5 / 12, 0.015) << narrow << " / " << wide;
}

class FineLineSliderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        slider = new FineLineSlider(RetouchRange { -100, 100, 0.1 }, std::nullopt, 12, &w);
        slider->setGeometry(0, 0, 200, 22);
        w.resize(220, 40);
        w.show();
        QApplication::setActiveWindow(&w);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QObject::connect(slider, &FineLineSlider::valueEdited, [this](double v) { edited.push_back(v); });
    }

    void drag(int fromX, std::initializer_list<int> throughX)
    {
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(fromX, 11));
        for (int x : throughX)
            QTest::mouseMove(slider, QPoint(x, 11));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(*(throughX.end() - 1), 11));
    }

    QWidget w;
    FineLineSlider* slider = nullptr;
    std::vector<double> edited;
};

TEST_F(FineLineSliderTest, GrabbingTheKnobMovesByThePointersTravel)
{
    drag(104, { 114 });
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_NEAR(slider->value(), 10.6, 1e-9);
    EXPECT_FALSE(slider->isDragging());
}

TEST_F(FineLineSliderTest, PressingTheTrackJumpsThenFollows)
{
    drag(194, { 184 });
    ASSERT_EQ(edited.size(), 2u);
    EXPECT_DOUBLE_EQ(edited[0], 100);
    EXPECT_NEAR(slider->value(), 89.4, 1e-9);
}

TEST_F(FineLineSliderTest, TheFillRunsFromTheMiddleToTheKnob)
{
    slider->setValue(50);
    const QImage image = slider->grab().toImage();
    auto isTeal = [&](int x) {
        const QColor c = image.pixelColor(x, 11);
        return c.green() > c.red() + 40 && c.blue() > c.red() + 40;
    };
    // Between the middle tick (100) and the knob (147): teal; left of the middle: the bare track.
    EXPECT_TRUE(isTeal(125));
    EXPECT_TRUE(isTeal(135));
    EXPECT_FALSE(isTeal(60));
    // The knob is near white.
    EXPECT_GT(image.pixelColor(147, 11).lightness(), 200);
}

} // namespace
