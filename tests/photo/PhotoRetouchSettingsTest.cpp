#include "PhotoTestSupport.h"

#include "library/QuavelJSON.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quavel;
using QuavelJSON::Json;

namespace {

// The summary's own characters, spelt out so that a plain space or hyphen cannot pass for them.
const QString nbsp = QString(QChar(0x00A0));
const QString minus = QString(QChar(0x2212));

QString pct(const QString& s)
{
    return QString(s).replace(QLatin1String(" %"), nbsp + QLatin1String("%"));
}

struct SummaryCase
{
    const char* name;
    std::function<void(PhotoRetouchSettings&)> change;
    QString text;
    bool neutral;
};

void PrintTo(const SummaryCase& c, std::ostream* os)
{
    *os << c.name;
}

class Summary : public ::testing::TestWithParam<SummaryCase>
{
};

} // namespace

TEST_P(Summary, describesTheActiveAdjustments)
{
    const SummaryCase& c = GetParam();
    PhotoRetouchSettings s;
    c.change(s);
    EXPECT_EQ(s.summary(), c.text);
    EXPECT_EQ(s.isNeutral(), c.neutral);
}

INSTANTIATE_TEST_SUITE_P(Items, Summary,
    ::testing::Values(SummaryCase { "defaults", [](auto&) {}, "Aucun réglage", true },
        SummaryCase {
            "sharpeningAlone", [](auto& s) { s.optimizedSharpness = true; }, pct("Netteté 100 %"), false },
        SummaryCase { "sharpeningContrastExposure",
            [](auto& s) {
                s.optimizedSharpness = true;
                s.contrast = 12;
                s.exposure = -0.5;
            },
            pct("Netteté 100 % · Contraste +12 % · Exp. ") + minus + "0,50 IL", false },
        SummaryCase { "everyItemInOrder",
            [](auto& s) {
                s.optimizedSharpness = true;
                s.sharpnessAmount = 140;
                s.contrast = -20;
                s.autoContrast = true;
                s.brightness = 10;
                s.vibrance = -5;
                s.saturation = 30;
                s.gamma = 0.8;
                s.shadows = 40;
                s.highlights = -60;
                s.exposure = 1.25;
            },
            pct("Netteté 140 % · Contraste ") + minus
                + pct("20 % · Contraste auto · Luminosité +10 % · Vibrance ") + minus
                + pct("5 % · Saturation +30 % · Gamma 0,80 · Tons foncés +40 % · Tons clairs ") + minus
                + pct("60 % · Exp. +1,25 IL"),
            false },
        SummaryCase { "gammaAlone", [](auto& s) { s.gamma = 1.2; }, "Gamma 1,20", false },
        SummaryCase { "gammaWithinTheTolerance", [](auto& s) { s.gamma = 1.0005; }, "Aucun réglage", true },
        SummaryCase { "gammaJustOutside", [](auto& s) { s.gamma = 1.002; }, "Gamma 1,00", false },
        SummaryCase { "gammaBelowOne", [](auto& s) { s.gamma = 0.9985; }, "Gamma 1,00", false },
        SummaryCase {
            "smallContrastRoundsToZero", [](auto& s) { s.contrast = 0.4; }, pct("Contraste +0 %"), false },
        SummaryCase { "tieRoundsToEven", [](auto& s) { s.brightness = 2.5; }, pct("Luminosité +2 %"), false },
        SummaryCase { "tieRoundsToEvenUpwards", [](auto& s) { s.brightness = -3.5; },
            pct("Luminosité ") + minus + pct("4 %"), false },
        SummaryCase {
            "notATieRoundsUp", [](auto& s) { s.saturation = 2.51; }, pct("Saturation +3 %"), false },
        SummaryCase { "exposureTwoDecimals", [](auto& s) { s.exposure = 0.125; }, "Exp. +0,12 IL", false },
        SummaryCase { "exposureNearestBinary", [](auto& s) { s.exposure = 0.335; }, "Exp. +0,34 IL", false },
        SummaryCase { "autoContrastAlone", [](auto& s) { s.autoContrast = true; }, "Contraste auto", false },
        SummaryCase {
            "lensBlurAloneIsNeutral", [](auto& s) { s.removeLensBlur = true; }, "Aucun réglage", true },
        SummaryCase { "widthsAndRadiiAreNeutral",
            [](auto& s) {
                s.shadowTonalWidth = 10;
                s.highlightRadius = 200;
                s.sharpnessAmount = 300;
                s.sharpnessRadius = 4;
                s.sharpnessNoiseReduction = 0;
            },
            "Aucun réglage", true },
        SummaryCase { "vibranceBeforeSaturation",
            [](auto& s) {
                s.saturation = 1;
                s.vibrance = 2;
            },
            pct("Vibrance +2 % · Saturation +1 %"), false }));

namespace {

struct LegacyCase
{
    const char* name;
    const char* json;
    bool sharpening;
    double amount;
};

void PrintTo(const LegacyCase& c, std::ostream* os)
{
    *os << c.name;
}

class LegacyKey : public ::testing::TestWithParam<LegacyCase>
{
};

} // namespace

TEST_P(LegacyKey, governsTheSharpeningSwitchAndAmount)
{
    const LegacyCase& c = GetParam();
    const PhotoRetouchSettings s = PhotoRetouchSettings::fromJson(Json::parse(c.json));
    EXPECT_EQ(s.optimizedSharpness, c.sharpening);
    EXPECT_EQ(s.sharpnessAmount, c.amount);
}

INSTANTIATE_TEST_SUITE_P(Rules, LegacyKey,
    ::testing::Values(LegacyCase { "empty", "{}", false, 100 },
        LegacyCase { "positive", R"({"sharpness": 80})", true, 80 },
        LegacyCase { "zero", R"({"sharpness": 0})", false, 100 },
        LegacyCase { "negative", R"({"sharpness": -5})", false, 100 },
        LegacyCase { "null", R"({"sharpness": null})", false, 100 },
        LegacyCase {
            "switchedOffExplicitly", R"({"sharpness": 80, "optimizedSharpness": false})", false, 80 },
        LegacyCase { "amountWins", R"({"sharpness": 80, "sharpnessAmount": 150})", true, 150 },
        LegacyCase { "switchOnWithoutLegacy", R"({"optimizedSharpness": true})", true, 100 },
        LegacyCase { "nullAmountFallsToLegacy", R"({"sharpness": 70, "sharpnessAmount": null})", true, 70 }));

namespace {

class WrongType : public ::testing::TestWithParam<const char*>
{
};

} // namespace

TEST_P(WrongType, failsTheWholeDecode)
{
    EXPECT_THROW(PhotoRetouchSettings::fromJson(Json::parse(GetParam())), QuavelJSON::DecodingError);
}

INSTANTIATE_TEST_SUITE_P(Values, WrongType,
    ::testing::Values(R"({"contrast": "12"})", R"({"optimizedSharpness": 1})", R"({"autoContrast": "true"})",
        R"({"gamma": [1]})", R"({"sharpness": true})", R"({"sharpness": "80"})", R"({"exposure": {}})",
        R"({"removeLensBlur": 0, "contrast": 5})", "[]", "12", "\"settings\"", "null"));

TEST(RetouchSettingsCoding, writesAllEighteenKeysAndReadsThemBack)
{
    PhotoRetouchSettings s;
    s.optimizedSharpness = true;
    s.sharpnessAmount = 150;
    s.sharpnessRadius = 2.25;
    s.sharpnessNoiseReduction = 0;
    s.removeLensBlur = true;
    s.contrast = -12.5;
    s.brightness = 10;
    s.saturation = 0.1;
    s.vibrance = -100;
    s.gamma = 1.1;
    s.shadows = 30;
    s.shadowTonalWidth = 20;
    s.shadowRadius = 250;
    s.highlights = -30;
    s.highlightTonalWidth = 80;
    s.highlightRadius = 0;
    s.exposure = 0.3;
    s.autoContrast = true;

    const Json json = s.toJson();
    ASSERT_EQ(json.size(), 18u);
    for (const char* key : { "optimizedSharpness", "sharpnessAmount", "sharpnessRadius",
             "sharpnessNoiseReduction", "removeLensBlur", "contrast", "brightness", "saturation", "vibrance",
             "gamma", "shadows", "shadowTonalWidth", "shadowRadius", "highlights", "highlightTonalWidth",
             "highlightRadius", "exposure", "autoContrast" })
        EXPECT_TRUE(json.contains(key)) << key;
    EXPECT_TRUE(json["removeLensBlur"].is_boolean());
    EXPECT_TRUE(json["gamma"].is_number());

    // Through the shared text form, as the journal and settings files carry it.
    EXPECT_EQ(PhotoRetouchSettings::fromJson(QuavelJSON::parse(QuavelJSON::encode(json))), s);
    EXPECT_EQ(PhotoRetouchSettings::fromJson(PhotoRetouchSettings().toJson()), PhotoRetouchSettings());
}

TEST(RetouchSettingsCoding, aLegacyValueIsWrittenWithoutTheLegacyKey)
{
    const PhotoRetouchSettings s
        = PhotoRetouchSettings::fromJson(Json::parse(R"({"sharpness": 80, "contrast": 5, "colour": "red"})"));
    const Json json = s.toJson();
    EXPECT_FALSE(json.contains("sharpness"));
    EXPECT_FALSE(json.contains("colour"));
    EXPECT_EQ(json.size(), 18u);
    EXPECT_EQ(json["sharpnessAmount"], 80);
    EXPECT_EQ(json["optimizedSharpness"], true);
    EXPECT_TRUE(PhotoRetouchSettings::fromJson(Json::object()).isNeutral());
}

TEST(RetouchSettingsCoding, nestsInsideAnotherRecord)
{
    PhotoRetouchSettings s;
    s.exposure = -0.75;
    const Json state { { "retouch", s.toJson() }, { "zoom", 1 } };
    const Json back = QuavelJSON::parse(QuavelJSON::encode(state));
    EXPECT_EQ(PhotoRetouchSettings::fromJson(back["retouch"]), s);
}

TEST(RetouchSettingsEquality, comparesEveryField)
{
    PhotoRetouchSettings a;
    PhotoRetouchSettings b;
    EXPECT_EQ(a, b);
    b.highlightTonalWidth = 50.0000001;
    EXPECT_NE(a, b);
    b = a;
    b.removeLensBlur = true;
    EXPECT_NE(a, b);
}
