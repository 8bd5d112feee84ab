#include "programme/HtmlEntities.h"
#include "programme/ResultsSite.h"
#include "programme/WebProgrammeParser.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;

namespace {

struct TextCase
{
    const char* input;
    const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.input;
}

class Entities : public testing::TestWithParam<TextCase>
{
};

class Cleanup : public testing::TestWithParam<TextCase>
{
};

} // namespace

TEST_P(Entities, decode)
{
    EXPECT_EQ(WebProgrammeParser::decodingHTMLEntities(u8(GetParam().input)), u8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Web, Entities,
    testing::Values(
        // &amp; goes before &lt;, after &nbsp;: double escapes end decoded once more, or not.
        TextCase { "&amp;lt;", "<" }, TextCase { "&amp;nbsp;", "&nbsp;" }, TextCase { "&amp;#233;", "é" },
        TextCase { "A&nbsp;B", "A B" }, TextCase { "&#039;&#39;&apos;&quot;&gt;", "'''\">" },
        TextCase { "&#233;t&#233;", "été" }, TextCase { "&#128512;!", "😀!" },
        // The names of HTML 4's three sets and hexadecimal references, as results pages write them.
        TextCase { "Grand Jumping de l&#x27;&Eacute;t&eacute;", "Grand Jumping de l'Été" },
        TextCase {
            "&Ccedil;a &agrave; l&rsquo;&oelig;il &ndash; 3&nbsp;&euro; &hellip;", "Ça à l’œil – 3 € …" },
        TextCase {
            "&laquo;&frac12;&deg;&raquo;&yuml;&fnof;&Omega;&thetasym;&diams;&rArr;&loz;", "«½°»ÿƒΩϑ♦⇒◊" },
        TextCase { "&amp;eacute;", "é" }, TextCase { "&#38;eacute;", "&eacute;" },
        // NUL reads as the replacement character, never as U+0000 in a name.
        TextCase { "MART&#0;IN&#x0;", "MART\uFFFDIN\uFFFD" },
        // Not scalar values, unknown or miswritten names: left as written.
        TextCase { "&#55357;", "&#55357;" }, TextCase { "&#xDC00;", "&#xDC00;" },
        TextCase { "&#1114112;", "&#1114112;" },
        TextCase { "&#99999999999999999999999999;", "&#99999999999999999999999999;" },
        TextCase { "&EACUTE;&eacute &apos &x; &#x; &#;", "&EACUTE;&eacute &apos &x; &#x; &#;" },
        // \d also matches other scripts' digits; those are not read as a number.
        TextCase { "&#٦٥;", "&#٦٥;" }, TextCase { "&AMP;", "&AMP;" }));

TEST(WebText, theEntitiesOfHtml4)
{
    // The first and last names of each set, and names from other standards that HTML 4 lacks.
    const QList<std::pair<const char*, std::optional<char32_t>>> cases { { "nbsp", 0xA0 }, { "yuml", 0xFF },
        { "quot", 0x22 }, { "OElig", 0x152 }, { "euro", 0x20AC }, { "fnof", 0x192 }, { "alefsym", 0x2135 },
        { "diams", 0x2666 }, { "Yuml", 0x178 }, { "apos", std::nullopt }, { "hyphen", std::nullopt },
        { "", std::nullopt } };
    for (const auto& [name, character] : cases)
        EXPECT_EQ(HtmlEntities::named(u8(name)), character) << name;
}

TEST_P(Cleanup, plainText)
{
    EXPECT_EQ(WebProgrammeParser::plainText(u8(GetParam().input)), u8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Web, Cleanup,
    testing::Values(TextCase { "<b>Grand</b><BR/>Prix", "Grand Prix" }, TextCase { "a<br >b<Br>c", "a b c" },
        TextCase { "  Jean&nbsp;&nbsp;\n\tDUPONT  ", "Jean DUPONT" },
        // Entities are decoded after the tags are gone: an escaped tag stays as text.
        TextCase { "&lt;b&gt;x</b>", "<b>x" }, TextCase { "<span class=\"a\">\u00a0 </span>", "" }));

TEST(WebText, linksCompareByKey)
{
    const auto key = [](const char* url) { return WebProgrammeParser::comparisonKey(QUrl(u8(url))); };
    EXPECT_EQ(key("https://s.test/startlist/7"), key("HTTPS://S.TEST/StartList/7/"));
    EXPECT_EQ(key("https://s.test/startlist/%097"), key("https://s.test/startlist/7"));
    EXPECT_EQ(key("https://s.test/startlist/caf%C3%A9"), key("https://s.test/startlist/café"));
    EXPECT_NE(key("https://s.test/startlist/7//"), key("https://s.test/startlist/7"));
    EXPECT_NE(key("https://s.test/startlist/7?r=1"), key("https://s.test/startlist/7"));
    // A malformed escape keeps the text undecoded rather than losing it.
    EXPECT_EQ(key("https://s.test/startlist/%E9"), u8("https://s.test/startlist/%e9"));
}

TEST(WebText, displayTitles)
{
    const struct
    {
        const char* number;
        const char* raw;
        const char* expected;
    } cases[] = {
        { "5", "5 - Grand Prix", "5 · Grand Prix" },
        { "5", "Samedi - Epreuve 5 - Grand Prix 1m30", "5 · Grand Prix 1m30" },
        { "", "12– Amateur 2", "Amateur 2" },
        { "3", "Pro Elite", "3 · Pro Elite" },
        { "", "Grand-Prix du Club", "Grand-Prix du Club" },
        { "2", "<b>2</b> - Club&nbsp;Poney", "2 · Club Poney" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebProgrammeParser::displayTitle(u8(c.number), u8(c.raw)), u8(c.expected)) << c.raw;
}

TEST(WebText, brandPrefixesOfEveryBuiltInSite)
{
    for (const ResultsSite& site : ResultsSite::builtIn()) {
        const QString& brand = site.brandName;
        EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(brand + u8(" - Jumping de Lyon")),
            u8("Jumping de Lyon"));
        EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(brand + u8("–Jumping")), u8("Jumping"));
        EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(u8("  <b>") + brand + u8("</b> -  ")), QString());
        // Case-sensitive, and only at the very start.
        EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(brand.toLower() + u8(" - X")),
            brand.toLower() + u8(" - X"));
        EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(u8("CSO ") + brand + u8(" - X")),
            u8("CSO ") + brand + u8(" - X"));
    }
    // A brand is taken literally, never as pattern syntax.
    EXPECT_EQ(WebProgrammeParser::strippedBrandingTitle(u8(".* - Lyon")), u8(".* - Lyon"));
}

TEST(WebText, weekdays)
{
    const struct
    {
        const char* heading;
        const char* day;
    } cases[] = {
        { "Dimanche 12 mai", "Dimanche" },
        { "Sunday", "Dimanche" },
        { "SAMEDI", "Samedi" },
        { "Mércredi", "Mercredi" },
        { "Lundi et mardi", "Lundi" },
        { "Saturday / dimanche", "Dimanche" },
        { "Heure", "" },
        { "samedis", "" },
        { "Vendredi12", "" },
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebProgrammeParser::weekdayName(u8(c.heading)).value_or(QString()), u8(c.day)) << c.heading;
}

TEST(WebText, regexGroupsGiveEveryGroup)
{
    const QList<QStringList> matches
        = WebProgrammeParser::regexGroups(u8("<A>1</a><a>x</a>"), u8("<a>(\\d)?([^<]*)</a>"));
    ASSERT_EQ(matches.size(), 2);
    EXPECT_EQ(matches[0], (QStringList { u8("<A>1</a>"), u8("1"), QString() }));
    EXPECT_EQ(matches[1], (QStringList { u8("<a>x</a>"), QString(), u8("x") }));
    EXPECT_TRUE(WebProgrammeParser::regexGroups(u8("abc"), u8("(unclosed")).isEmpty());
}
