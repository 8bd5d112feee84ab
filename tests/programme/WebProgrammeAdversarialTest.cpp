#include "common/TestSupport.h"
#include "programme/WebProgrammeParser.h"
#include "programme/WebProgrammeScan.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace quavel;

namespace {

// Far beyond what any of these pages takes once the scan limits hold, far below what they take
// without them (minutes to hours): a hang guard, not a timing. Where time bounds do not apply, the
// run's own timeout stands for it.
constexpr qint64 hangGuardMs = 5 * WebProgrammeScan::pageBudgetMs;

// Number and title spans without a start-list link: every class-block match attempt has to try every
// way of splitting the rest of the text between its three gaps before failing.
QString unfinishedBlocks(int count)
{
    QString html;
    for (int i = 0; i < count; ++i)
        html += QStringLiteral(R"(<span class="id-value">1</span><span class="title">x</span> </span>)");
    return html;
}

qint64 elapsedMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.elapsed();
}

} // namespace

TEST(WebAdversarialPage, threeGapBlockPatternEndsWithinTheLimit)
{
    const QString html = unfinishedBlocks(20000);
    QList<WebProgrammeEventLink> events;
    const qint64 took = elapsedMs(
        [&] { events = WebProgrammeParser::events(html, QUrl(QStringLiteral("https://s.test/"))); });
    if (test::timeBoundsApply()) {
        EXPECT_LT(took, hangGuardMs);
    }
    EXPECT_TRUE(events.isEmpty());
}

TEST(WebAdversarialPage, manyDayFragmentsShareOnePageBudget)
{
    // Thousands of day headings, each over a fragment that runs one class-block scan to its limit.
    QString html;
    for (int i = 0; i < 3000; ++i)
        html += QStringLiteral("<th>Samedi %1</th>").arg(i) + unfinishedBlocks(60);
    const qint64 took = elapsedMs(
        [&] { WebProgrammeParser::snapshot(html, QUrl(QStringLiteral("https://s.test/concours/1/x"))); });
    if (test::timeBoundsApply()) {
        EXPECT_LT(took, hangGuardMs);
    }
}

TEST(WebAdversarialPage, largeOrdinaryPagesAreReadWhole)
{
    // The page budget is for hostile markup only: a very large real contest and start list are read
    // to the end (here under fifty day headings).
    QString contest;
    for (int i = 1; i <= 1500; ++i) {
        if (i % 30 == 1)
            contest += QStringLiteral("<table><tr><th>Samedi %1</th></tr></table>").arg(i);
        contest += QStringLiteral(
            R"(<div class="event"><span class="id-value">%1</span><span class="title">Épreuve %1 &amp; co</span>
            <span class="date">08:00</span><a class="btn" href="/concours/9/startlist/%1">Liste de départ</a></div>)")
                       .arg(i);
    }
    EXPECT_EQ(WebProgrammeParser::events(contest, QUrl(QStringLiteral("https://s.test/concours/9/x"))).size(),
        1500);

    QString startlist = QStringLiteral("<table><tbody>");
    for (int i = 1; i <= 3000; ++i) {
        startlist
            += QStringLiteral(R"(<tr class="text-center"><td><span class="id-value">%1</span></td><td>FR</td>
            <td><span class="title">C%1</span><span class="title no_mobile">Jean%1 DUPONT</span></td></tr>)")
                   .arg(i);
    }
    EXPECT_EQ(WebProgrammeParser::peopleFromSpanLayout(startlist).size(), 3000);
}

TEST(WebAdversarialPage, truncatedAndGarbledPagesParse)
{
    const QString page = QStringLiteral(R"(<title>Equipe - CSI</title><th>Samedi</th>
<span class="id-value">1</span><span class="title">A &amp; B</span><a href="/concours/1/startlist/1">x</a>
<tr class="text-center"><td><span class="id-value">4</span></td><td><span class="title no_mobile">Jean DUPONT</span></td></tr>
<tbody><td>1</td><td>5</td><td>x</td><td>Ana &#233;</td></tbody>)");
    const QUrl url(QStringLiteral("https://s.test/concours/1/startlist/1"));
    // Every prefix of a page reads without failing, and the whole page reads as itself afterwards.
    for (qsizetype n = 0; n <= page.size(); ++n)
        WebProgrammeParser::snapshot(page.left(n), url);
    // Markup characters, a NUL and a lone surrogate dropped at random places.
    const char16_t noise[] = { u'<', u'>', u'"', u'&', u'#', u';', u'/', u' ', 0, 0xD800 };
    QRandomGenerator random(42);
    for (int round = 0; round < 200; ++round) {
        QString garbled = page;
        for (int k = 0; k < 8; ++k)
            garbled[random.bounded(garbled.size())] = QChar(noise[random.bounded(int(std::size(noise)))]);
        WebProgrammeParser::snapshot(garbled, url);
    }
    const WebProgrammeSnapshot whole = WebProgrammeParser::snapshot(page, url);
    EXPECT_EQ(whole.events.size(), 1);
    EXPECT_EQ(whole.people.size(), 1);
    EXPECT_EQ(whole.contestTitle, QStringLiteral("CSI"));
}
