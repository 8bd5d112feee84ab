#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace quavel;

TEST(Text, whiteSpaceSetsAreTheFoundationOnes)
{
    struct Case
    {
        char32_t c;
        bool space;
        bool spaceOrNewline;
    };
    const Case cases[] = {
        { U' ', true, true },
        { U'\t', true, true },
        { 0x00A0, true, true },
        { 0x2009, true, true },
        { 0x202F, true, true },
        { 0x3000, true, true },
        { 0x1680, true, true },
        { U'\n', false, true },
        { U'\r', false, true },
        { 0x0B, false, true },
        { 0x0C, false, true },
        { 0x85, false, true },
        { 0x2028, false, true },
        { 0x2029, false, true },
        { 0x200B, false, false },
        { 0xFEFF, false, false },
        { U'a', false, false },
        { U'_', false, false },
        { 0x1F, false, false },
        { 0, false, false },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::isWhitespace(c.c), c.space) << std::hex << unsigned(c.c);
        EXPECT_EQ(text::isWhitespaceOrNewline(c.c), c.spaceOrNewline) << std::hex << unsigned(c.c);
    }
}

TEST(Text, trimmingKeepsTheInsideAndEachSetItsOwn)
{
    EXPECT_EQ(text::trimWhitespace(u"\u00A0 12 \t"), "12");
    EXPECT_EQ(text::trimWhitespace(u"\n12\n"), "\n12\n");
    EXPECT_EQ(text::trimWhitespaceAndNewlines(u"\r\n 1 2\u2028 "), "1 2");
    EXPECT_EQ(text::trimWhitespaceAndNewlines(u" \n\t "), "");
    // An astral character at either end is kept whole.
    EXPECT_EQ(text::trimWhitespaceAndNewlines(u" 😀x😀 "), u"😀x😀");
    const QString lone = QString(QChar(0xD83D)) + u' ';
    EXPECT_EQ(text::trimWhitespace(lone), QString(QChar(0xD83D)));
}

TEST(Text, frenchFoldingAndCaseMapping)
{
    EXPECT_EQ(text::foldDiacritics(u"Épreuve à 1,20 m — Çà et là, NOËL, œuvre"),
        "Epreuve a 1,20 m — Ca et la, NOEL, œuvre");
    // Decomposed input folds the same, and the result is composed.
    EXPECT_EQ(text::foldDiacritics(u"E\u0301te\u0301"), "Ete");
    EXPECT_EQ(text::folded(u"GRAND PRIX Équipes"), "grand prix equipes");
    EXPECT_EQ(text::upperFrench(u"épreuve n° 3 straße"), "ÉPREUVE N° 3 STRASSE");
    EXPECT_EQ(text::lowerFrench(u"ÉPREUVE ÇA"), "épreuve ça");
    EXPECT_EQ(text::upper(u"dsc_0042.jpg"), "DSC_0042.JPG");
    EXPECT_EQ(text::lower(u"İ"), u"i\u0307"); // root mapping, no Turkish rule
    EXPECT_EQ(text::capitalizedFrench(u"jean-pierre DUPONT de la tour"), "Jean-Pierre Dupont De La Tour");
}

TEST(Text, numericAndLetterClasses)
{
    for (char32_t c : { U'0', U'9', char32_t(0x00B2), char32_t(0x00BD), char32_t(0x0663), char32_t(0x2163),
             char32_t(0xFF11), char32_t(0x1D7CE) })
        EXPECT_TRUE(text::isNumeric(c)) << std::hex << unsigned(c);
    for (char32_t c : { U'a', U' ', U'.', U'-', U'٫', char32_t(0x00B0) })
        EXPECT_FALSE(text::isNumeric(c)) << std::hex << unsigned(c);
    for (char32_t c : { U'a', U'Z', U'é', U'ß', char32_t(0x03A9), char32_t(0x4E2D) })
        EXPECT_TRUE(text::isLetter(c)) << std::hex << unsigned(c);
    for (char32_t c : { U'1', U' ', U'_', U'-', U'.', U'’', char32_t(0x0301) })
        EXPECT_FALSE(text::isLetter(c)) << std::hex << unsigned(c);
    EXPECT_TRUE(text::isAsciiDigit(U'7'));
    EXPECT_FALSE(text::isAsciiDigit(char32_t(0x0667)));
}

TEST(Text, parseDoubleReadsTheWholeTextInTheCLocale)
{
    struct Case
    {
        const char16_t* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        { u"12.5", 12.5 },
        { u"1e3", 1000.0 },
        { u"-0.0", -0.0 },
        { u"0x1p4", 16.0 },
        { u"+.5", 0.5 },
        { u"12.", 12.0 },
        { u"inf", INFINITY },
        { u"12,5", std::nullopt },
        { u" 12", std::nullopt },
        { u"\t12", std::nullopt },
        { u"12 ", std::nullopt },
        { u"", std::nullopt },
        { u"abc", std::nullopt },
        { u"1e", std::nullopt },
        { u"１２", std::nullopt },
        { u"12\u00A0", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        const auto v = text::parseDoubleC(QStringView(c.text));
        ASSERT_EQ(v.has_value(), c.value.has_value());
        if (v) {
            EXPECT_EQ(*v, *c.value);
        }
    }
    EXPECT_TRUE(std::isnan(*text::parseDoubleC(u"nan")));
    EXPECT_FALSE(text::parseDoubleC(QStringView(u"1\0"
                                                "2",
        3)));
    // The process locale does not leak in: a French LC_NUMERIC would read "12,5".
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(text::parseDoubleC(u"12.5"), 12.5);
        EXPECT_FALSE(text::parseDoubleC(u"12,5"));
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Text, parseInt64HasTheExactRange)
{
    EXPECT_EQ(text::parseInt64(u"9223372036854775807"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(text::parseInt64(u"-9223372036854775808"), std::numeric_limits<qint64>::min());
    EXPECT_FALSE(text::parseInt64(u"9223372036854775808"));
    EXPECT_FALSE(text::parseInt64(u"-9223372036854775809"));
    EXPECT_EQ(text::parseInt64(u"+007"), 7);
    EXPECT_EQ(text::parseInt64(u"-0"), 0);
    for (const char16_t* bad : { u"", u"+", u"-", u" 1", u"1 ", u"1.0", u"١٢", u"+-1" })
        EXPECT_FALSE(text::parseInt64(QStringView(bad))) << QString::fromUtf16(bad).toStdString();
}

TEST(Text, graphemesCountUserPerceivedCharacters)
{
    EXPECT_EQ(text::graphemeCount(u"abc"), 3);
    EXPECT_EQ(text::graphemeCount(u"a\r\nb"), 3);
    EXPECT_EQ(text::graphemeCount(u"e\u0301t\u00E9"), 3);
    EXPECT_EQ(text::graphemeCount(u"👩‍👩‍👧🇫🇷"), 2);
    EXPECT_EQ(text::graphemes(u"e\u0301x"), (QStringList { u"e\u0301"_qs, "x" }));
    EXPECT_TRUE(text::graphemes(u"").isEmpty());
    EXPECT_EQ(text::codePoints(u"a😀"), (QList<char32_t> { U'a', 0x1F600 }));
}

TEST(Text, localizedStandardCompareOrdersLikeTheFileManager)
{
    EXPECT_LT(text::localizedStandardCompare(u"Épreuve 2", u"Épreuve 10"), 0);
    EXPECT_LT(text::localizedStandardCompare(u"epreuve", u"Épreuve 1"), 0);
    EXPECT_LT(text::localizedStandardCompare(u"côte", u"coter"), 0);
    EXPECT_LT(text::localizedStandardCompare(u"a", u"B"), 0);
    EXPECT_EQ(text::localizedStandardCompare(u"Grand Prix", u"Grand Prix"), 0);
    // Texts that collate equal are still told apart, so equality means identity.
    EXPECT_NE(text::localizedStandardCompare(u"e\u0301", u"\u00E9"), 0);
    EXPECT_EQ(text::localizedCaseInsensitiveCompare(u"ÉPREUVE", u"épreuve"), 0);
    EXPECT_NE(text::localizedCaseInsensitiveCompare(u"epreuve", u"épreuve"), 0);
}

TEST(Text, localizedStandardCompareIsAStrictWeakOrdering)
{
    QStringList samples { "", "a", "A", "á", "a\u0301", "ab", "Ab", "b", "1", "01", "001", "2", "10", "1 0",
        "Épreuve 2", "epreuve 2", "Épreuve 10", "Épreuve 02", "œuvre", "oeuvre", "Œuvre", "ss", "ß", "x-y",
        "x y", "xy", "ｘ", "😀", "\u0000", "a\u0000", QString(QChar(0xD800)), "Ⅻ", "12", "١٢" };
    std::mt19937 random(7);
    for (int i = 0; i < 60; ++i) {
        QString s;
        const int n = int(random() % 4);
        for (int k = 0; k < n; ++k)
            s += samples[int(random() % samples.size())];
        samples.append(s);
    }
    auto cmp = [](const QString& a, const QString& b) { return text::localizedStandardCompare(a, b); };
    for (const QString& a : samples) {
        EXPECT_EQ(cmp(a, a), 0);
        for (const QString& b : samples) {
            const int ab = cmp(a, b);
            EXPECT_EQ(ab, -cmp(b, a)) << a.toStdString() << " / " << b.toStdString();
            EXPECT_EQ(ab == 0, a == b) << a.toStdString() << " / " << b.toStdString();
            if (ab >= 0)
                continue;
            for (const QString& c : samples)
                if (cmp(b, c) < 0) {
                    EXPECT_LT(cmp(a, c), 0)
                        << a.toStdString() << " < " << b.toStdString() << " < " << c.toStdString();
                }
        }
    }
    QStringList sorted = samples;
    std::sort(
        sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) { return cmp(a, b) < 0; });
    EXPECT_TRUE(std::is_sorted(
        sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) { return cmp(a, b) < 0; }));
}

TEST(Text, sortKeysOrderAsTheComparisonAndComposingJoinsEquivalentForms)
{
    const QStringList samples { "", "a", "A", "á", "a\u0301", "IMG_1.heic", "IMG_2.JPG", "img_10.jpg", "IMPRESSION 9",
        "IMPRESSION 10", "Épreuve 02", "epreuve 2", "œuvre", "oeuvre", "ß", "ss", "😀", "١٢", "12" };
    for (const QString& a : samples)
        for (const QString& b : samples) {
            const QByteArray ka = text::localizedStandardSortKey(a);
            const QByteArray kb = text::localizedStandardSortKey(b);
            const int byKey = ka < kb ? -1 : (kb < ka ? 1 : a.compare(b) < 0 ? -1 : (a == b ? 0 : 1));
            EXPECT_EQ(byKey, text::localizedStandardCompare(a, b)) << a.toStdString() << " / " << b.toStdString();
        }
    EXPECT_EQ(text::composed(u"Ce\u0301line"), QStringLiteral("C\u00e9line"));
    EXPECT_EQ(text::composed(u"C\u00e9line"), QStringLiteral("C\u00e9line"));
    EXPECT_EQ(text::composed(u"plain"), QStringLiteral("plain"));
}
