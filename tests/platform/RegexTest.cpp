#include "platform/text/Regex.h"

#include "common/TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using namespace quavel;

TEST(Regex, unmatchedAndMissingGroupsGiveEmptyText)
{
    const Regex re(QStringLiteral("(\\d+)(?:\\s*(HC))?"));
    const auto m = re.match(u"Dossard 12 inscrit");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->captured(1), "12");
    EXPECT_EQ(m->captured(2), "");
    EXPECT_FALSE(m->captured(2).isNull() && m->matched(2));
    EXPECT_FALSE(m->matched(2));
    EXPECT_EQ(m->start(2), -1);
    EXPECT_EQ(m->captured(7), "");
    EXPECT_EQ(m->start(1), 8);
    EXPECT_EQ(m->end(1), 10);
    EXPECT_EQ(m->groupCount(), 2);
}

TEST(Regex, offsetsAreUtf16IndexesOfTheSearchedText)
{
    const Regex re(QStringLiteral("\\d+"));
    const QString text = QStringLiteral("😀 n° 42");
    const auto m = re.match(text);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start(), 6);
    EXPECT_EQ(text.mid(m->start(), m->end() - m->start()), "42");
    EXPECT_FALSE(re.match(text, text.size() + 1));
    EXPECT_FALSE(re.match(text, 8));
}

TEST(Regex, anchorsAndCaseFollowThePatternAndOptions)
{
    const QString text = QStringLiteral("Épreuve 1\nÉPREUVE 2");
    EXPECT_EQ(Regex(QStringLiteral("^ÉPREUVE \\d$")).matchAll(text).size(), 0);
    EXPECT_EQ(Regex(QStringLiteral("^ÉPREUVE \\d$"), Regex::Multiline).matchAll(text).size(), 1);
    EXPECT_EQ(Regex(QStringLiteral("(?i)^épreuve \\d$"), Regex::Multiline).matchAll(text).size(), 2);
    EXPECT_EQ(Regex(QStringLiteral("^épreuve \\d$"), Regex::Multiline | Regex::CaseInsensitive)
                  .matchAll(text)
                  .size(),
        2);
    EXPECT_TRUE(Regex(QStringLiteral("1.É"), Regex::DotAll).contains(text));
    EXPECT_FALSE(Regex(QStringLiteral("1.É")).contains(text));
}

TEST(Regex, matchAllReplaceAllAndWholeMatch)
{
    const Regex re(QStringLiteral("(\\d+)"));
    const auto all = re.matchAll(u"1, 22, 333");
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[2].captured(1), "333");
    EXPECT_EQ(re.replaceAll(u"1, 22", QStringLiteral("<$1>")), "<1>, <22>");
    EXPECT_TRUE(re.matchesEntirely(u"123"));
    EXPECT_FALSE(re.matchesEntirely(u"123a"));
    // Empty matches advance instead of looping.
    EXPECT_EQ(Regex(QStringLiteral("x*")).matchAll(u"ab").size(), 3);
}

TEST(Regex, aCatastrophicPatternRunsOutAndCountsAsNoMatch)
{
    // Exponential backtracking: without a limit this takes longer than the universe is old.
    Regex re(QStringLiteral("^(a+)+$"));
    const QString text = QString(40, u'a') + u'!';
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(re.match(text));
    EXPECT_TRUE(re.matchAll(text).isEmpty());
    EXPECT_FALSE(re.matchesEntirely(text));
    EXPECT_EQ(re.replaceAll(text, "x"), text);
    // A hang guard, not a benchmark: four runs out of the default limit stay far below this.
    if (test::timeBoundsApply()) {
        EXPECT_LT(timer.elapsed(), 30'000);
    }

    re.setTimeLimit(10);
    timer.restart();
    EXPECT_FALSE(re.match(text));
    if (test::timeBoundsApply()) {
        EXPECT_LT(timer.elapsed(), 5'000);
    }
    // The same pattern still matches what it should.
    EXPECT_TRUE(re.match(QString(40, u'a')));
}

TEST(Regex, aDeepPatternRunsOutOfStackAndCountsAsNoMatch)
{
    Regex re(QStringLiteral("(a|b)*c"));
    re.setStackLimit(4096);
    const QString text = QString(200'000, u'a');
    EXPECT_FALSE(re.match(text + u'c'));
    re.setStackLimit(Regex::defaultStackLimit);
    EXPECT_TRUE(re.match(QString(1000, u'a') + u'c'));
}

// A caller's stop ends a long match from inside it and a list of matches between two of them, and stays
// with the call it was given to: the thread's cached matcher serves the next call without it.
TEST(Regex, aStopEndsTheCallItWasGivenTo)
{
    const Regex lazy(QStringLiteral("(a|b)*?c"));
    const QString text = QString(200'000, u'a') + u'c'; // hundreds of thousands of steps to its one match
    int asked = 0;
    const Regex::Stop stopNow = [&] { return ++asked > 0; };
    EXPECT_FALSE(lazy.match(text, 0, stopNow));
    EXPECT_GE(asked, 1);
    EXPECT_TRUE(lazy.match(text));
    EXPECT_EQ(lazy.matchAll(text).size(), 1);

    const Regex digit(QStringLiteral("\\d"));
    int between = 0;
    const Regex::Stop afterTwo = [&] { return ++between >= 2; };
    EXPECT_EQ(digit.matchAll(u"1 2 3 4 5", afterTwo).size(), 2);
    EXPECT_EQ(digit.matchAll(u"1 2 3 4 5").size(), 5);
    EXPECT_EQ(digit.matchAll(u"1 2 3 4 5", [] { return false; }).size(), 5);
}

TEST(Regex, aCompiledPatternIsSharedSafelyBetweenThreads)
{
    const Regex re(QStringLiteral("DSC_(\\d{4})"));
    std::atomic<int> wrong { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                const QString n = QStringLiteral("%1").arg(t * 1000 + i % 1000, 4, 10, QChar(u'0'));
                const auto m = re.match(QStringLiteral("x DSC_") + n + QStringLiteral(".JPG"));
                if (!m || m->captured(1) != n)
                    ++wrong;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(Regex, anInvalidPatternIsAProgrammingError)
{
    EXPECT_THROW(Regex(QStringLiteral("(unclosed")), std::invalid_argument);
}
