// The number rules of the retouch controls: what a field shows, what a typed text stores, the tone
// groups' amount text and where a fine-line slider puts its value under the pointer.
#include "photo/retouch/RetouchNumbers.h"
#include "photo/crop/FineLineDrag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quavel;

namespace {

const QString kMinus = QString(QChar(0x2212));
const QString kNbsp = QString(QChar(0x00A0));

// The ranges of the retouch rows the cases are drawn from.
const RetouchRange kNoise { 0, 100, 0.5 };
const RetouchRange kRadius { 0.1, 64, 0.1 };
const RetouchRange kAmount { 0, 300, 0.5 };
const RetouchRange kContrast { -100, 100, 0.1 };
const RetouchRange kExposure { -2, 2, 0.01 };

struct DisplayCase
{
    double value;
    int decimals;
    const char* shown;
};

class DisplayForm : public ::testing::TestWithParam<DisplayCase>
{
};

TEST_P(DisplayForm, FixedDecimalsWithAComma)
{
    const DisplayCase c = GetParam();
    EXPECT_EQ(RetouchNumbers::displayForm(c.value, c.decimals), QString::fromUtf8(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Values, DisplayForm,
    ::testing::Values(DisplayCase { 12.5, 0, "12" }, // an exact half goes to even
        DisplayCase { 13.5, 0, "14" }, DisplayCase { 100.5, 0, "100" }, DisplayCase { 3, 1, "3,0" },
        DisplayCase { 1, 2, "1,00" }, DisplayCase { 0.125, 2, "0,12" }, DisplayCase { -3.25, 1, "-3,2" },
        DisplayCase { -42.7, 1, "-42,7" }, DisplayCase { 300, 0, "300" }, DisplayCase { 0.1, 1, "0,1" },
        DisplayCase { 1234567.891, 2, "1234567,89" }));

struct TypedCase
{
    const char* name;
    QString typed;
    RetouchRange range;
    std::optional<double> stored;
};

class CommitTyped : public ::testing::TestWithParam<TypedCase>
{
};

TEST_P(CommitTyped, StoresTheSteppedClampedNumberOrNothing)
{
    const TypedCase& c = GetParam();
    const std::optional<double> stored = RetouchNumbers::commitTyped(c.typed, c.range);
    ASSERT_EQ(stored.has_value(), c.stored.has_value()) << qPrintable(c.typed);
    if (stored) {
        EXPECT_NEAR(*stored, *c.stored, 1e-9) << qPrintable(c.typed);
        EXPECT_FALSE(std::signbit(*stored) && *stored == 0) << "negative zero for " << qPrintable(c.typed);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, CommitTyped,
    ::testing::Values(TypedCase { "comma_and_percent", QStringLiteral("12,5 %"), kNoise, 12.5 },
        TypedCase { "to_the_step", QStringLiteral("12,7"), kNoise, 12.5 },
        TypedCase { "stepped_zero_clamped_up", QStringLiteral("0,04"), kRadius, 0.1 },
        TypedCase { "unit_px", QStringLiteral("3 px"), kRadius, 3.0 },
        TypedCase { "above_the_range", QStringLiteral("500"), kAmount, 300.0 },
        TypedCase { "hyphen_minus", QStringLiteral("-5"), kAmount, 0.0 },
        TypedCase { "minus_sign", kMinus + QStringLiteral("5"), kAmount, 0.0 },
        TypedCase { "minus_sign_kept", kMinus + QStringLiteral("12,34"), kContrast, -12.3 },
        TypedCase { "plus", QStringLiteral("+5"), kContrast, 5.0 },
        TypedCase { "unit_IL_in_front", QStringLiteral("IL0,5"), kExposure, 0.5 },
        TypedCase { "units_anywhere", QStringLiteral("%1%0px"), kNoise, 10.0 },
        TypedCase {
            "no_break_space_before_unit", QStringLiteral("7") + kNbsp + QStringLiteral("%"), kNoise, 7.0 },
        TypedCase { "blank_around", QStringLiteral("  7 \n"), kNoise, 7.0 },
        TypedCase { "exponent", QStringLiteral("1e1"), kNoise, 10.0 },
        TypedCase { "hexadecimal", QStringLiteral("0x10"), kNoise, 16.0 },
        TypedCase { "infinity_clamps_up", QStringLiteral("inf"), kAmount, 300.0 },
        TypedCase { "minus_infinity_clamps_down", QStringLiteral("-infinity"), kContrast, -100.0 },
        TypedCase { "half_away_from_zero", QStringLiteral("0,25"), kContrast, 0.3 },
        TypedCase { "negative_half_away_from_zero", QStringLiteral("-0,25"), kContrast, -0.3 },
        TypedCase { "half_step_away_from_zero", QStringLiteral("1,25"), kNoise, 1.5 },
        TypedCase { "tiny_negative_is_plain_zero", QStringLiteral("-0,01"), kContrast, 0.0 },
        TypedCase { "not_a_number", QStringLiteral("nan"), kContrast, std::nullopt },
        TypedCase { "not_a_number_upper", QStringLiteral("NaN %"), kContrast, std::nullopt },
        TypedCase { "not_a_number_payload", QStringLiteral("nan(7)"), kContrast, std::nullopt },
        TypedCase { "empty", QString(), kContrast, std::nullopt },
        TypedCase { "only_a_unit", QStringLiteral("%"), kContrast, std::nullopt },
        TypedCase { "a_word", QStringLiteral("beaucoup"), kContrast, std::nullopt },
        TypedCase { "two_numbers", QStringLiteral("1 2"), kContrast, std::nullopt },
        TypedCase { "two_commas", QStringLiteral("1,2,3"), kContrast, std::nullopt },
        TypedCase { "unit_case_matters", QStringLiteral("3 PX"), kRadius, std::nullopt },
        TypedCase { "a_number_then_text", QStringLiteral("12abc"), kContrast, std::nullopt }),
    [](const ::testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

TEST(ToneAmountText, SignFromTheUnroundedValueAndANoBreakSpace)
{
    const struct
    {
        double amount;
        QString text;
    } cases[] = {
        { 12.4, QStringLiteral("+12") + kNbsp + QStringLiteral("%") },
        { -3.6, kMinus + QStringLiteral("4") + kNbsp + QStringLiteral("%") },
        { 0, QStringLiteral("0") + kNbsp + QStringLiteral("%") },
        { 0.4, QStringLiteral("+0") + kNbsp + QStringLiteral("%") },
        { -0.6, kMinus + QStringLiteral("1") + kNbsp + QStringLiteral("%") },
        { 2.5, QStringLiteral("+2") + kNbsp + QStringLiteral("%") },
        { -100, kMinus + QStringLiteral("100") + kNbsp + QStringLiteral("%") },
    };
    for (const auto& c : cases)
        EXPECT_EQ(RetouchNumbers::toneAmountText(c.amount), c.text) << c.amount;
}

TEST(AccessibleValue, SixDecimalsWithAPoint)
{
    EXPECT_EQ(RetouchNumbers::accessibleValue(12.5), QStringLiteral("12.500000"));
    EXPECT_EQ(RetouchNumbers::accessibleValue(-0.25), QStringLiteral("-0.250000"));
}

TEST(FineLineGeometry, KnobTravelOriginAndTick)
{
    const FineLineGeometry around { kContrast, std::nullopt, 12, 200 };
    EXPECT_DOUBLE_EQ(around.usable(), 188);
    EXPECT_DOUBLE_EQ(around.x(-100), 6);
    EXPECT_DOUBLE_EQ(around.x(100), 194);
    EXPECT_DOUBLE_EQ(around.x(0), 100);
    EXPECT_DOUBLE_EQ(around.originValue(), 0);
    EXPECT_TRUE(around.showsOriginTick());

    const FineLineGeometry fromLower { kAmount, std::nullopt, 12, 200 };
    EXPECT_DOUBLE_EQ(fromLower.originValue(), 0);
    EXPECT_FALSE(fromLower.showsOriginTick());
    // A value the owner holds outside the range is drawn at the nearer end.
    EXPECT_DOUBLE_EQ(fromLower.x(450), 194);
    EXPECT_DOUBLE_EQ(fromLower.x(-20), 6);

    const FineLineGeometry gamma { RetouchRange { 0.1, 3, 0.01 }, 1.0, 12, 200 };
    EXPECT_DOUBLE_EQ(gamma.originValue(), 1);
    EXPECT_TRUE(gamma.showsOriginTick());
    EXPECT_NEAR(gamma.x(1), 6 + 188 * 0.9 / 2.9, 1e-9);

    const FineLineGeometry narrow { kAmount, std::nullopt, 12, 5 };
    EXPECT_DOUBLE_EQ(narrow.usable(), 1);
}

TEST(FineLineDrag, PressOnTheKnobThenDragIsRelative)
{
    const FineLineGeometry g { kContrast, std::nullopt, 12, 200 };
    FineLineDrag drag;
    // Grabbed 4 right of the knob's centre: no jump.
    double v = drag.update(g, 0, 104);
    EXPECT_DOUBLE_EQ(v, 0);
    EXPECT_TRUE(drag.isDragging());
    v = drag.update(g, v, 114);
    EXPECT_NEAR(v, 10.6, 1e-9); // 200 × 10 / 188 = 10.64, to the step
    v = drag.update(g, v, 94);
    EXPECT_NEAR(v, -10.6, 1e-9);
    v = drag.update(g, v, 10000);
    EXPECT_DOUBLE_EQ(v, 100);
    drag.end();
    EXPECT_FALSE(drag.isDragging());
}

TEST(FineLineDrag, PressOffTheKnobJumpsThenFollows)
{
    const FineLineGeometry g { kContrast, std::nullopt, 12, 200 };
    FineLineDrag drag;
    double v = drag.update(g, 0, 194);
    EXPECT_DOUBLE_EQ(v, 100);
    EXPECT_DOUBLE_EQ(*drag.originValue, 100);
    v = drag.update(g, v, 184);
    EXPECT_NEAR(v, 89.4, 1e-9);

    // The jump is rounded to the step and bounded by the range.
    FineLineDrag amount;
    const FineLineGeometry a { kAmount, std::nullopt, 12, 200 };
    EXPECT_NEAR(amount.update(a, 0, 53), 75.0, 1e-9); // (53 − 6) / 188 × 300 = 75
    FineLineDrag past;
    EXPECT_DOUBLE_EQ(past.update(a, 100, -50), 0);
}

TEST(FineLineDrag, TheKnobZoneIsEightyFivePercentOfTheKnob)
{
    const FineLineGeometry g { kContrast, std::nullopt, 12, 200 };
    FineLineDrag inside;
    EXPECT_DOUBLE_EQ(inside.update(g, 0, 110), 0); // 10 from the centre, the zone is 10.2
    FineLineDrag outside;
    EXPECT_GT(outside.update(g, 0, 110.5), 0);
}

} // namespace
