// The programme browser's model reading pages off the GUI thread, over a page whose HTML is given by the
// test (the real web view is tested with the browser window). The event loop must keep turning while a
// large results page is parsed, and what the model shows is always the newest page read.
#include "workspace/ProgrammeBrowserModel.h"
#include "workspace/ProgrammeWebPage.h"

#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace quavel;
using test::waitUntil;

namespace {

// The GUI thread may be held this long at most while a page is parsed; far above a frame, far below
// the seconds a large page takes to parse. Checked where time bounds apply (test::timeBoundsApply).
constexpr qint64 kLongestGapMs = 500;

// A page whose HTML reads are answered, in order, from a queue the test fills; each answer comes from
// the event loop after readHTML has returned, as the web view's does.
class ScriptedPage : public ProgrammeWebPage
{
public:
    QObject* pageObject() override { return &m_object; }
    QUrl url() const override { return m_url; }
    QString title() const override { return QStringLiteral("Résultats"); }
    bool canGoBack() const override { return false; }
    bool canGoForward() const override { return false; }
    void load(const QUrl& url) override { m_url = url; }
    void stop() override { }
    void reload() override { }
    void back() override { }
    void forward() override { }
    void readHTML(std::function<void(std::optional<QString>)> done) override
    {
        const std::optional<QString> html = m_answers.isEmpty() ? std::nullopt : m_answers.takeFirst();
        QTimer::singleShot(0, &m_object, [done, html] { done(html); });
    }

    QList<std::optional<QString>> m_answers;
    QUrl m_url { QStringLiteral("https://resultats.test/concours/7/startlist/3") };

private:
    QObject m_object;
};

// A start list as the results sites write it, `riders` rows long (about 200 bytes a row).
QString startList(int riders)
{
    QString html = QStringLiteral("<html><head><title>Liste de départ</title></head><body><table><tbody>");
    html.reserve(qsizetype(riders) * 210 + 200);
    for (int i = 1; i <= riders; ++i)
        html += QStringLiteral(R"(<tr class="text-center"><td><span class="id-value">%1</span></td><td>FR</td>
            <td><span class="title">CHEVAL %1</span><span class="title no_mobile">Jean%1 DUPONT</span></td></tr>)")
                    .arg(i);
    return html + QStringLiteral("</tbody></table></body></html>");
}

// A contest page of three classes.
QString contestPage()
{
    QString html = QStringLiteral("<html><head><title>Jumping de Test</title></head><body><table>"
                                  "<tr><th>Samedi</th></tr>");
    for (int i = 1; i <= 3; ++i)
        html
            += QStringLiteral(R"(<tr><td><span class="id-value">%1</span><span class="title">Epreuve %1</span>
            <a href="/concours/7/startlist/%1">Liste</a></td></tr>)")
                   .arg(i);
    return html + QStringLiteral("</table></body></html>");
}

// The longest time between two ticks of a 10 ms timer while `until` does not hold (at most timeoutMs).
class ProgrammeBrowserModelPages : public testing::Test
{
protected:
    // A finished navigation to `page`, whose HTML reads answer the queued texts.
    void finishNavigation()
    {
        model.navigationStarted(&page);
        model.navigationFinished(&page);
    }

    bool pageShown() const { return model.status() != ProgrammeBrowserModel::loadingStatus(); }

    ScriptedPage page;
    ProgrammeBrowserModel model;
};

} // namespace

TEST_F(ProgrammeBrowserModelPages, aLargeResultsPageIsParsedWithoutHoldingTheEventLoop)
{
    // About 30 MB of HTML (60 MB as UTF-16): seconds of parsing.
    const QString html = startList(160000);
    ASSERT_GT(html.toUtf8().size(), 30'000'000);
    page.m_answers = { html };
    QElapsedTimer parse;
    bool started = false;
    QTimer::singleShot(0, [&] {
        parse.start();
        finishNavigation();
        started = true;
    });
    const qint64 gap = test::eventLoopGapsWhile([&] {
        waitUntil([&] { return started && pageShown(); }, 120000);
    }).longestMs;
    ASSERT_TRUE(pageShown());
    std::printf("page read in %lld ms, longest event-loop gap %lld ms\n", qint64(parse.elapsed()), gap);
    if (test::timeBoundsApply()) {
        EXPECT_LT(gap, kLongestGapMs);
    }
    // How many riders the parse reaches within its time budgets depends on the machine's load (and on
    // the sanitizers): the page's kind is what it always finds.
    EXPECT_EQ(model.kind(), WebProgrammeSnapshot::Kind::Startlist);
}

TEST_F(ProgrammeBrowserModelPages, theNewestPageReadWinsOverAStaleParse)
{
    // The first read is a large start list that takes long to parse; the page is read again (its
    // scripts changed it) and the second, small answer is parsed first. The large one, done later,
    // must not replace it.
    page.m_answers = { startList(40000), startList(2) };
    finishNavigation();
    waitUntil([] { return false; }, 20); // the first read answers and its parse starts
    model.refreshSnapshot(&page);
    ASSERT_TRUE(waitUntil([&] { return pageShown(); }, 60000));
    const QString newest = model.status();
    EXPECT_TRUE(newest.contains(QStringLiteral(" 2 cavaliers"))) << newest.toStdString();

    QThreadPool::globalInstance()->waitForDone();
    waitUntil([] { return false; }, 50); // whatever the stale parse sends is delivered
    EXPECT_EQ(model.status(), newest);

    // The contest page replaces the start list once parsed.
    page.m_answers = { contestPage() };
    page.m_url = QUrl(QStringLiteral("https://resultats.test/concours/7/jumping-de-test"));
    finishNavigation();
    ASSERT_TRUE(waitUntil([&] { return pageShown(); }, 60000));
    EXPECT_EQ(model.kind(), WebProgrammeSnapshot::Kind::Contest);
    EXPECT_FALSE(model.canImportEvent());
    EXPECT_TRUE(model.status().contains(QStringLiteral("3 épreuves"))) << model.status().toStdString();

    // A parse that ends after another navigation started is dropped too: the new page is loading.
    page.m_answers = { startList(40000) };
    finishNavigation();
    waitUntil([] { return false; }, 20);
    model.navigationStarted(&page);
    QThreadPool::globalInstance()->waitForDone();
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(model.status(), ProgrammeBrowserModel::loadingStatus());
    EXPECT_EQ(model.kind(), WebProgrammeSnapshot::Kind::Contest);

    // An unreadable page shows the hint at once and keeps the page flags.
    page.m_answers = { std::nullopt };
    finishNavigation();
    ASSERT_TRUE(waitUntil([&] { return pageShown(); }));
    EXPECT_EQ(model.status(), ProgrammeBrowserModel::openContestHint());
    EXPECT_EQ(model.kind(), WebProgrammeSnapshot::Kind::Contest);
}

// Quick navigations over large pages: each parse overtaken by the next navigation stops at its next
// budget check instead of holding a worker for seconds, so the last, small page is shown at once and
// no superseded parse is left running a second after the navigation that overtook it. A model that
// goes away stops its parse the same way.
TEST_F(ProgrammeBrowserModelPages, parsesOvertakenByANavigationStop)
{
    const QString large = startList(160000); // about 30 MB; one text shared by every read
    ASSERT_GT(large.toUtf8().size(), 30'000'000);
    QThreadPool& pool = *QThreadPool::globalInstance();
    for (int i = 0; i < 8; ++i) {
        page.m_answers = { large };
        finishNavigation();
        waitUntil([] { return false; }, 50); // the read answers and its parse starts
    }
    ASSERT_FALSE(pool.waitForDone(0)) << "the large pages' parses ended before they were overtaken";

    page.m_answers = { startList(2) };
    QElapsedTimer sinceNavigation;
    sinceNavigation.start();
    finishNavigation();
    ASSERT_TRUE(waitUntil([&] { return pageShown(); }, 60000));
    const qint64 shownMs = sinceNavigation.elapsed();
    std::printf("small page shown %lld ms after 8 navigations over large pages\n", shownMs);
    EXPECT_TRUE(model.status().contains(QStringLiteral(" 2 cavaliers"))) << model.status().toStdString();
    if (test::timeBoundsApply()) {
        EXPECT_LT(shownMs, 2000);
    }
    if (test::timeBoundsApply()) {
        waitUntil([] { return false; }, int(std::max<qint64>(0, 1000 - sinceNavigation.elapsed())));
        EXPECT_TRUE(pool.waitForDone(0)) << "a superseded parse still runs 1 s after the newer navigation";
    } else {
        EXPECT_TRUE(waitUntil([&] { return pool.waitForDone(0); }, 60000))
            << "a superseded parse never stops";
    }
    EXPECT_TRUE(model.status().contains(QStringLiteral(" 2 cavaliers"))) << model.status().toStdString();

    auto closing = std::make_unique<ProgrammeBrowserModel>();
    page.m_answers = { large };
    closing->navigationStarted(&page);
    closing->navigationFinished(&page);
    waitUntil([] { return false; }, 50);
    ASSERT_FALSE(pool.waitForDone(0));
    closing.reset();
    if (test::timeBoundsApply()) {
        waitUntil([] { return false; }, 1000);
        EXPECT_TRUE(pool.waitForDone(0)) << "the parse of a model that went away still runs 1 s later";
    } else {
        EXPECT_TRUE(waitUntil([&] { return pool.waitForDone(0); }, 60000))
            << "the parse of a model that went away never stops";
    }
}
