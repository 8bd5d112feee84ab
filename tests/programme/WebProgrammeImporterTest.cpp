// The web importer over the real fetcher, against a real HTTP server on 127.0.0.1; what is in flight
// is counted at the fetcher seam.
#include "programme/WebProgrammeImporter.h"
#include "programme/ImportError.h"
#include "programme/WebProgrammeParser.h"

#include "platform/http/NetworkHttpFetcher.h"

#include "ProgrammeTestSupport.h"
#include "WebTestSupport.h"
#include "common/TestHttpServer.h"

#include <gtest/gtest.h>

using namespace quavel;
using test::TestHttpServer;

namespace {

const QString contestPath = u8("/concours/1/jumping-de-test");

QString startlistPath(int number)
{
    return u8("/concours/1/startlist/%1").arg(number);
}

// A contest page: classes 1 to `count` as blocks under Samedi, Dimanche, then Samedi again (other
// markup), a third each.
QByteArray contestHTML(int count)
{
    QString html = u8("<html><head><title>FFE Compet - Jumping de Test</title></head><body>");
    const QString headings[]
        = { u8("<th>Samedi</th>"), u8("<th>Dimanche</th>"), u8("<th class=\"bis\">Samedi</th>") };
    for (int i = 1; i <= count; ++i) {
        const int third = (i - 1) * 3 / count;
        if (i == 1 || third != (i - 2) * 3 / count)
            html += headings[third];
        html += u8(R"(<div><span class="id-value">%1</span><span class="title">Epreuve %1 - Classe %1</span>
            <a href="%2">Liste</a></div>)")
                    .arg(i)
                    .arg(startlistPath(i));
    }
    return (html + u8("</body></html>")).toUtf8();
}

// A start list of riders with the given bibs, in that order.
QByteArray startlistHTML(const QList<int>& bibs)
{
    QString html = u8("<table>");
    for (int bib : bibs) {
        html += u8(R"(<tr class="text-center"><td><span class="id-value">%1</span></td>
            <td><span class="title no_mobile">Cavalier%1 NOM</span></td></tr>)")
                    .arg(bib);
    }
    return (html + u8("</table>")).toUtf8();
}

class WebImport : public testing::Test
{
protected:
    // Class i lists bibs 10i+2, 10i+1 and 10i+2 again; the later a class, the sooner its list answers.
    void serveContest(int count, QSet<int> emptyClasses = {})
    {
        server.route(contestPath, contestHTML(count));
        for (int i = 1; i <= count; ++i) {
            TestHttpServer::Response list;
            list.body = emptyClasses.contains(i) ? startlistHTML({})
                                                 : startlistHTML({ 10 * i + 2, 10 * i + 1, 10 * i + 2 });
            list.delayMs = (count - i) * 15;
            server.route(startlistPath(i), list);
        }
    }

    QFuture<ProgrammeDocument> importContest(const QByteArray& html, const QString& path)
    {
        const QUrl url = server.url(path);
        const WebProgrammeSnapshot page = WebProgrammeParser::snapshot(QString::fromUtf8(html), url);
        return WebProgrammeImporter::documentForContest(
            page, QString::fromUtf8(html), url, [this](const QString& text) { progress.append(text); },
            counting);
    }

    QFuture<ProgrammeDocument> importCurrentEvent(const QByteArray& html, const QString& path)
    {
        const QUrl url = server.url(path);
        const WebProgrammeSnapshot page = WebProgrammeParser::snapshot(QString::fromUtf8(html), url);
        return WebProgrammeImporter::documentForCurrentEvent(page, QString::fromUtf8(html), url, counting);
    }

    TestHttpServer server;
    NetworkHttpFetcher network;
    test::CountingFetcher counting { network };
    QStringList progress;
};

// A start list without its class on the page, and a link to the contest.
const QByteArray startlistPage = QByteArray("<title>FFE Compet - Jumping de Test</title><a href=\"")
    + contestPath.toUtf8() + "\">Concours</a>" + startlistHTML({ 52, 51 });

} // namespace

TEST_F(WebImport, contestKeepsPageOrderWithSixFetchesInFlight)
{
    serveContest(14, { 4 });
    const ProgrammeDocument document = test::await(importContest(contestHTML(14), contestPath));

    // Counted as started and not yet completed at the seam, not as connections the network stack
    // happens to open.
    EXPECT_EQ(counting.maxInFlight(), 6);
    EXPECT_EQ(counting.started(), 14);
    QStringList expectedProgress { u8("Récupération de 14 listes de départ…") };
    for (int k = 1; k <= 14; ++k)
        expectedProgress.append(u8("Liste %1/14…").arg(k));
    EXPECT_EQ(progress, expectedProgress);

    EXPECT_EQ(document.sourceName, u8("Jumping de Test"));
    ASSERT_EQ(document.days.size(), 2);
    // Classes 1–5 are under Samedi, 6–10 under Dimanche, 11–14 under Samedi again, so they join the
    // first Samedi; class 4 has an empty start list and is left out.
    EXPECT_EQ(document.days[0].name, u8("Samedi"));
    EXPECT_EQ(titles(document.days[0]),
        (QStringList { u8("1 · Classe 1"), u8("2 · Classe 2"), u8("3 · Classe 3"), u8("5 · Classe 5"),
            u8("11 · Classe 11"), u8("12 · Classe 12"), u8("13 · Classe 13"), u8("14 · Classe 14") }));
    EXPECT_EQ(document.days[1].name, u8("Dimanche"));
    EXPECT_EQ(titles(document.days[1]),
        (QStringList { u8("6 · Classe 6"), u8("7 · Classe 7"), u8("8 · Classe 8"), u8("9 · Classe 9"),
            u8("10 · Classe 10") }));

    const ProgrammeEvent& first = document.days[0].events[0];
    EXPECT_EQ(first.id, u8("Samedi|1|/concours/1/startlist/1"));
    // One rider per bib, in page order, not sorted.
    EXPECT_EQ(first.people,
        (QList<ImportedPerson> {
            { u8("12"), u8("Cavalier12"), u8("NOM"), 1 }, { u8("11"), u8("Cavalier11"), u8("NOM"), 2 } }));
}

TEST_F(WebImport, contestOfOneClass)
{
    serveContest(1);
    const ProgrammeDocument document = test::await(importContest(contestHTML(1), contestPath));
    EXPECT_EQ(progress, (QStringList { u8("Récupération de 1 liste de départ…"), u8("Liste 1/1…") }));
    ASSERT_EQ(document.days.size(), 1);
    EXPECT_EQ(titles(document.days[0]), QStringList { u8("1 · Classe 1") });
}

TEST_F(WebImport, oneFailedStartlistFailsTheContestOnceTheOthersHaveEnded)
{
    serveContest(10);
    for (int i = 1; i <= 10; ++i) {
        TestHttpServer::Response slow;
        slow.body = startlistHTML({ i });
        slow.delayMs = 400;
        server.route(startlistPath(i), slow);
    }
    TestHttpServer::Response broken;
    broken.status = 500;
    server.route(startlistPath(2), broken);

    QFuture<ProgrammeDocument> future = importContest(contestHTML(10), contestPath);
    EXPECT_EQ(test::failureOf(future),
        u8("La page %1 a répondu 500.").arg(server.url(startlistPath(2)).toString()));
    // Cancelled and completed before the failure was reported; nothing started after it.
    EXPECT_EQ(counting.inFlight(), 0);
    EXPECT_EQ(counting.cancelled(), 5);
    test::waitUntil([] { return false; }, 600);
    EXPECT_EQ(counting.started(), 6);
    EXPECT_EQ(progress, QStringList { u8("Récupération de 10 listes de départ…") });
}

// A link that opens the list by script is no start list to fetch: the other classes still import.
TEST_F(WebImport, startlistLinksThatAreNotWebAddressesAreSkipped)
{
    serveContest(3);
    QByteArray html = contestHTML(3);
    html.replace(startlistPath(2).toUtf8(), "javascript:openStartlist(2)");
    const ProgrammeDocument document = test::await(importContest(html, contestPath));
    QStringList all;
    for (const ProgrammeDay& day : document.days)
        all += titles(day);
    EXPECT_EQ(all, (QStringList { u8("1 · Classe 1"), u8("3 · Classe 3") }));
    EXPECT_EQ(counting.started(), 2);
}

TEST_F(WebImport, contestsWithoutRidersOrClasses)
{
    const QString noProgramme = ImportError::noWebProgramme().message();
    serveContest(3, { 1, 2, 3 });
    EXPECT_EQ(test::failureOf(importContest(contestHTML(3), contestPath)), noProgramme);
    EXPECT_EQ(test::failureOf(importContest("<p>Rien ici</p>", u8("/accueil"))), noProgramme);
    EXPECT_EQ(test::failureOf(importCurrentEvent("<p>Rien ici</p>", startlistPath(5))), noProgramme);
}

TEST_F(WebImport, contestFromAStartlistPageReadsTheContestPageFirst)
{
    serveContest(2);
    server.route(contestPath, contestHTML(2).replace("Jumping de Test", "Jumping du Concours"));
    const ProgrammeDocument document = test::await(importContest(startlistPage, startlistPath(5)));
    EXPECT_EQ(server.requestCount(contestPath), 1);
    EXPECT_EQ(document.sourceName, u8("Jumping du Concours"));
    ASSERT_EQ(document.days.size(), 2);
    EXPECT_EQ(titles(document.days[0]), QStringList { u8("1 · Classe 1") });
    EXPECT_EQ(titles(document.days[1]), QStringList { u8("2 · Classe 2") });
}

TEST_F(WebImport, currentEventFoundOnTheContestPage)
{
    server.route(contestPath,
        QByteArray(
            R"(<th>Dimanche</th><span class="id-value">5</span><span class="title">Dimanche - Epreuve 5 - Grand Prix</span>
            <a href="/concours/1/startlist/5/">x</a>)"));
    const ProgrammeDocument document = test::await(importCurrentEvent(startlistPage, startlistPath(5)));
    EXPECT_EQ(server.requestCount(contestPath), 1);
    EXPECT_EQ(counting.started(), 1);
    const ProgrammeEvent event { u8("Dimanche|5|5"), u8("5 · Grand Prix"),
        { { u8("52"), u8("Cavalier52"), u8("NOM"), 1 }, { u8("51"), u8("Cavalier51"), u8("NOM"), 2 } } };
    EXPECT_EQ(document,
        (ProgrammeDocument { u8("Jumping de Test"), { ProgrammeDay { u8("Dimanche"), { event } } } }));
}

TEST_F(WebImport, currentEventMissingFromTheContestPage)
{
    server.route(contestPath, contestHTML(2));
    const ProgrammeDocument document = test::await(importCurrentEvent(startlistPage, startlistPath(5)));
    ASSERT_EQ(document.days.size(), 1);
    EXPECT_EQ(document.days[0].name, u8("Programme"));
    ASSERT_EQ(document.days[0].events.size(), 1);
    EXPECT_EQ(document.days[0].events[0].id, u8("Programme|Jumping de Test"));
    EXPECT_EQ(document.days[0].events[0].title, u8("Jumping de Test"));
}

TEST_F(WebImport, currentEventWhoseContestPageFails)
{
    EXPECT_EQ(test::failureOf(importCurrentEvent(startlistPage, startlistPath(5))),
        u8("La page %1 a répondu 404.").arg(server.url(contestPath).toString()));
}

TEST_F(WebImport, currentEventOnAContestPageImportsTheContest)
{
    serveContest(3);
    const ProgrammeDocument whole = test::await(importCurrentEvent(contestHTML(3), contestPath));
    EXPECT_EQ(counting.started(), 3);
    EXPECT_EQ(whole, test::await(importContest(contestHTML(3), contestPath)));
}
