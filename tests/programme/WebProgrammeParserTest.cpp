#include "programme/WebProgrammeParser.h"

#include "ProgrammeTestSupport.h"
#include "WebTestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;
using Kind = WebProgrammeSnapshot::Kind;

namespace {

WebProgrammeEventLink link(const char* day, const char* number, const char* title, const char* url)
{
    return WebProgrammeEventLink { u8(day), u8(number), u8(title), QUrl(u8(url)) };
}

// Classes as blocks of spans, under French day headings; one link differs from an earlier one only
// by case.
const char* const blockContest = R"(<html><head><title>FFE Compet - Jumping de Printemps</title></head><body>
<p>Avant les jours <a href="/concours/123/startlist/0">hors jour</a></p>
<table><tr><th class="day">Samedi 11 mai</th></tr></table>
<div class="event"><SPAN CLASS="ID-VALUE">1</SPAN><span class="title">Épreuve Club &amp; Poney</span>
  <a href="/concours/123/startlist/1">Liste</a></div>
<div class="event"><span data-x="y" class="id-value">2</span><span class="title"> Grand
  Prix </span><a href=" https://site.test/concours/123/startlist/2 ">Liste</a></div>
<table><tr><th>Dimanche 12 mai</th></tr></table>
<div><span class="id-value"> 3 </span><span class="title">Amateur 1</span><a href="/concours/123/startlist/3/">x</a></div>
<div><span class="id-value">4</span><span class="title">Doublon</span><a href="/concours/123/StartList/1">x</a></div>
</body></html>)";

// Classes as table rows under English headings, numbered by the title span or by position.
const char* const rowContest = R"(<table>
<thead><tr><th>Saturday</th></tr></thead>
<tr><td><span class="title">7 - Pro</span><span class="title no_mobile">7 – Pro 1m40 Grand Prix</span></td>
  <td><a href="startlist/7">SL</a></td></tr>
<tr><td><span class="title">Club 2</span></td><td><a href="startlist/x">SL</a></td></tr>
<tr><td>Remise des prix</td></tr>
<tr><td><span class="title">Sans lien</span></td></tr>
<tr><th>Sunday</th></tr>
<tr><td><span class="title">Club 3</span> <a href="startlist/7">SL</a></td></tr>
<tr><td><span class="title">Amateur</span><a href="startlist/y">SL</a></td></tr>
</table>)";

} // namespace

TEST(WebContestPage, blockLayoutUnderFrenchDays)
{
    const QUrl page(u8("https://site.test/concours/123/epreuves?tab=2#haut"));
    const WebProgrammeSnapshot snapshot = WebProgrammeParser::snapshot(u8(blockContest), page);

    EXPECT_EQ(snapshot.events,
        (QList<WebProgrammeEventLink> {
            link("Samedi", "1", "Épreuve Club & Poney", "https://site.test/concours/123/startlist/1"),
            link("Samedi", "2", "Grand Prix", "https://site.test/concours/123/startlist/2"),
            link("Dimanche", "3", "Amateur 1", "https://site.test/concours/123/startlist/3/"),
        }));
    EXPECT_EQ(snapshot.kind, Kind::Contest);
    EXPECT_EQ(snapshot.contestTitle, u8("Jumping de Printemps"));
    // Every /concours/ link names a start list, so the address comes from the page's own path.
    EXPECT_EQ(snapshot.contestURL, QUrl(u8("https://site.test/concours/123/epreuves")));
    EXPECT_TRUE(snapshot.people.isEmpty());
    EXPECT_FALSE(snapshot.currentEvent);
    EXPECT_EQ(snapshot.statusLine(), u8("Jumping de Printemps · 3 épreuves"));
}

TEST(WebContestPage, rowLayoutUnderEnglishDays)
{
    const QList<WebProgrammeEventLink> events
        = WebProgrammeParser::events(u8(rowContest), QUrl(u8("https://site.test/events/55/")));
    // The desktop title span wins; a row without a number takes its position; a link already
    // taken under Saturday is not listed again under Sunday.
    EXPECT_EQ(events,
        (QList<WebProgrammeEventLink> {
            link("Samedi", "7", "Pro 1m40 Grand Prix", "https://site.test/events/55/startlist/7"),
            link("Samedi", "2", "Club 2", "https://site.test/events/55/startlist/x"),
            link("Dimanche", "3", "Amateur", "https://site.test/events/55/startlist/y"),
        }));
}

TEST(WebContestPage, fallbackTakesEveryStartlistLink)
{
    const char* html = R"(<p><a href="/x/startlist?id=1">a</a> <a href="/x/StartList?id=1/">b</a>
        <a href="/x/startlist?id=3">c</a></p>)";
    EXPECT_EQ(WebProgrammeParser::events(u8(html), QUrl(u8("https://s.test/x/"))),
        (QList<WebProgrammeEventLink> {
            link("Programme", "1", "Épreuve 1", "https://s.test/x/startlist?id=1"),
            // The duplicate still took number 2.
            link("Programme", "3", "Épreuve 3", "https://s.test/x/startlist?id=3"),
        }));
}

// Pages as results sites write them: named entities in titles and names, a NUL reference, and a
// start list that a script opens ("javascript:…", with "startlist" in it).
TEST(WebContestPage, entitiesAndScriptLinksAsSitesWriteThem)
{
    const char* contest
        = R"html(<html><head><title>FFE Compet - Grand Jumping de l'&Eacute;t&eacute;</title></head>
<body><table><tr><th>Samedi 5 juillet</th></tr></table>
<div><span class="id-value">1</span><span class="title">Pr&eacute;paratoire 1,00&nbsp;m</span>
  <a href="javascript:openStartlist(1)">Liste</a></div>
<div><span class="id-value">2</span><span class="title">Grand Prix &ndash; 1,30&nbsp;m</span>
  <a href="/concours/9/startlist/2">Liste</a></div></body></html>)html";
    const WebProgrammeSnapshot page
        = WebProgrammeParser::snapshot(u8(contest), QUrl(u8("https://s.test/concours/9/epreuves")));
    EXPECT_EQ(page.contestTitle, u8("Grand Jumping de l'Été"));
    EXPECT_EQ(page.events,
        (QList<WebProgrammeEventLink> {
            link("Samedi", "2", "Grand Prix – 1,30 m", "https://s.test/concours/9/startlist/2") }));
    EXPECT_EQ(page.statusLine(), u8("Grand Jumping de l'Été · 1 épreuve"));

    // Without class markup, a script link still uses up its number; mailto and data links are no
    // start lists either.
    const char* links = R"html(<a href="javascript:void(startlist(4))">a</a> <a href="/startlist/5">b</a>
        <a href="mailto:startlist@s.test">c</a> <a href="data:text/html,startlist">d</a>)html";
    EXPECT_EQ(WebProgrammeParser::events(u8(links), QUrl(u8("https://s.test/"))),
        (QList<WebProgrammeEventLink> { link("Programme", "2", "Épreuve 2", "https://s.test/startlist/5") }));

    const char* startlist = R"html(<table><tr class="text-center"><td><span class="id-value">4</span></td>
<td><span class="title no_mobile">&Eacute;lodie LEF&Egrave;VRE</span></td></tr>
<tr class="text-center"><td><span class="id-value">5</span></td>
<td><span class="title no_mobile">Luc MART&#0;IN</span></td></tr></table>)html";
    const QList<ImportedPerson> riders = WebProgrammeParser::peopleFromSpanLayout(u8(startlist));
    ASSERT_EQ(riders.size(), 2);
    EXPECT_EQ(riders[0].firstName, u8("Élodie"));
    EXPECT_EQ(riders[0].lastName, u8("LEFÈVRE"));
    EXPECT_EQ(riders[1].lastName, u8("MART\uFFFDIN"));
}

TEST(WebContestPage, repeatedHeadingMarkupStartsAtItsFirstOccurrence)
{
    const char* block
        = R"(<span class="id-value">%1</span><span class="title">C%1</span><a href="/startlist/%1">x</a>)";
    const QString html = u8("<th>Samedi</th>") + u8(block).arg(1) + u8("<th>Dimanche</th>") + u8(block).arg(2)
        + u8("<th>Samedi</th>") + u8(block).arg(3);
    const QList<WebProgrammeEventLink> events = WebProgrammeParser::events(html, QUrl(u8("https://s.test/")));
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].dayName, u8("Samedi"));
    EXPECT_EQ(events[1].dayName, u8("Dimanche"));
    // The second "Samedi" fragment runs from the first heading to the end; only C3 is new in it.
    EXPECT_EQ(events[2].dayName, u8("Samedi"));
    EXPECT_EQ(events[2].title, u8("C3"));
}

TEST(WebContestPage, contestAddresses)
{
    const struct
    {
        const char* page;
        const char* html;
        const char* expected;
    } cases[] = {
        { "https://s.test/events/9/startlist/3?x=1#f", "", "https://s.test/events/9" },
        { "https://s.test/Events/9/Classes/3", "", "https://s.test/Events/9/Classes" },
        { "https://s.test/events/9", "", "https://s.test/events/9" },
        { "https://s.test/concours/12/startlist/3", "", "https://s.test/concours/12/startlist" },
        { "https://s.test/concours/12", "", "" },
        { "https://s.test/other/9/x", "", "" },
        { "https://s.test/a", "", "" },
        { "https://s.test/page", R"(<a href="/concours/77/%09jumping-de-lyon ">)",
            "https://s.test/concours/77/jumping-de-lyon" },
        { "https://s.test/page",
            R"(<a href="/events/1/StartList/2"><a href="/events/1"><a href="/events/5/home">)",
            "https://s.test/events/5/home" },
    };
    for (const auto& c : cases) {
        const std::optional<QUrl> url = WebProgrammeParser::contestURL(QUrl(u8(c.page)), u8(c.html));
        EXPECT_EQ(url.value_or(QUrl()).toString(), u8(c.expected)) << c.page << " " << c.html;
    }
}

TEST(WebContestPage, contestTitles)
{
    const QString longHeading = u8("<h3>") + QString(80, u'x') + u8("</h3>");
    const struct
    {
        QString html;
        const char* page;
        const char* expected;
    } cases[] = {
        // A title of only a brand falls through to the headings, h3 before h2.
        { u8("<title>Hippodata - </title><h2>CSO</h2><h3>Jumping <i>de</i> Lyon</h3>"), "https://s.test/",
            "Jumping de Lyon" },
        { u8("<title> </title>") + longHeading + u8("<h2>CSO Club</h2>"), "https://s.test/", "CSO Club" },
        { u8("<h3> </h3>"), "https://s.test/concours/77/jumping-de-lyon", "JUMPING DE LYON" },
        { u8(""), "https://s.test/x", "s.test" },
        { u8(""), "file:///tmp/page.html", "Programme web" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebProgrammeParser::contestTitle(c.html, QUrl(u8(c.page))), u8(c.expected)) << c.page;
}

TEST(WebStartlistPage, kindsAndStatusLines)
{
    const QString riders = u8(R"(<tr class="text-center"><td><span class="id-value">8</span></td>
        <td><span class="title no_mobile">Jean DUPONT</span></td></tr>)");
    const QString classes
        = u8(R"(<span class="id-value">5</span><span class="title">Samedi - Epreuve 5 - Grand Prix</span>
        <a href="/concours/1/startlist/5">x</a>)");

    const WebProgrammeSnapshot empty = WebProgrammeParser::snapshot(QString(), QUrl(u8("https://s.test")));
    EXPECT_EQ(
        empty, (WebProgrammeSnapshot { Kind::Unknown, u8("s.test"), std::nullopt, {}, {}, std::nullopt }));
    EXPECT_EQ(
        empty.statusLine(), u8("Ouvrez un concours, puis une liste de départ, pour importer le programme."));

    const WebProgrammeSnapshot bare
        = WebProgrammeParser::snapshot(QString(), QUrl(u8("https://s.test/c/StartList/4")));
    EXPECT_EQ(bare.kind, Kind::Startlist);
    EXPECT_EQ(bare.statusLine(), u8("Liste de départ · 0 cavalier · n° dossard (Num)"));

    // A start list that also lists its contest's classes knows which one it is.
    const WebProgrammeSnapshot onList
        = WebProgrammeParser::snapshot(classes + riders, QUrl(u8("https://s.test/concours/1/startlist/5/")));
    EXPECT_EQ(onList.kind, Kind::Startlist);
    ASSERT_TRUE(onList.currentEvent);
    EXPECT_EQ(onList.currentEvent->eventNumber, u8("5"));
    EXPECT_EQ(onList.statusLine(), u8("5 · Grand Prix · 1 cavalier · n° dossard (Num)"));

    // The same markup under a path without /startlist is the contest.
    const WebProgrammeSnapshot asContest = WebProgrammeParser::snapshot(
        classes + riders, QUrl(u8("https://s.test/concours/1/vue?startlist=5")));
    EXPECT_EQ(asContest.kind, Kind::Contest);
    EXPECT_FALSE(asContest.currentEvent);

    const WebProgrammeSnapshot ridersOnly
        = WebProgrammeParser::snapshot(riders, QUrl(u8("https://s.test/x")));
    EXPECT_EQ(ridersOnly.kind, Kind::Startlist);
    EXPECT_EQ(ridersOnly.statusLine(), u8("Liste de départ · 1 cavalier · n° dossard (Num)"));
}
