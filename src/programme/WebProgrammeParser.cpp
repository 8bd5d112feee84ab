// Contest pages: the page as a whole, its classes under their day headings, and the contest's own
// title and address.
#include "programme/WebProgrammeParser.h"
#include "programme/WebProgrammeScan.h"
#include "programme/WebUrl.h"

#include "platform/http/HttpFetcher.h"
#include "platform/text/Text.h"

#include <QSet>

namespace quavel::WebProgrammeParser {

using WebProgrammeScan::PageBudget;

namespace {

const Regex& classBlock()
{
    static const Regex re(
        QStringLiteral(
            R"re(<span[^>]*class="id-value"[^>]*>\s*(\d+)\s*</span>[\s\S]*?<span[^>]*class="title"[^>]*>\s*([\s\S]*?)\s*</span>[\s\S]*?href="([^"]*startlist[^"]*)")re"),
        Regex::CaseInsensitive);
    return re;
}

const Regex& tableRow()
{
    static const Regex re(QStringLiteral(R"re(<tr[^>]*>([\s\S]*?)</tr>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& startlistLink()
{
    static const Regex re(QStringLiteral(R"re(href="([^"]*startlist[^"]*)")re"), Regex::CaseInsensitive);
    return re;
}

const Regex& titleSpan()
{
    static const Regex re(
        QStringLiteral(R"re(<span class="title[^"]*">\s*(?:(\d+)\s*[-–]\s*)?([^<]+)</span>)re"),
        Regex::CaseInsensitive);
    return re;
}

const Regex& headerCell()
{
    static const Regex re(QStringLiteral(R"re(<th[^>]*>([\s\S]*?)</th>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& contestLink()
{
    static const Regex re(
        QStringLiteral(R"re(href="((?:/concours/|/events/)[^"]+)")re"), Regex::CaseInsensitive);
    return re;
}

const Regex& titleElement()
{
    static const Regex re(QStringLiteral(R"re(<title>([^<]+)</title>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& heading(int level)
{
    static const Regex h3(QStringLiteral(R"re(<h3[^>]*>([\s\S]*?)</h3>)re"), Regex::CaseInsensitive);
    static const Regex h2(QStringLiteral(R"re(<h2[^>]*>([\s\S]*?)</h2>)re"), Regex::CaseInsensitive);
    return level == 3 ? h3 : h2;
}

// The classes read so far, with the links already taken (shared by every day of the page).
struct ClassList
{
    QList<WebProgrammeEventLink> events;
    QSet<QString> seenKeys;

    void add(const QString& day, const QString& number, const QString& title, const QString& link,
        const QUrl& pageURL)
    {
        const std::optional<QUrl> url = WebUrl::resolved(text::trimWhitespaceAndNewlines(link), pageURL);
        // A start list is read by fetching it: a link that is not http or https ("javascript:…",
        // "mailto:…") is no class of the contest, and would only fail the import of all the others.
        if (!url || !HttpFetcher::isFetchable(*url))
            return;
        const QString key = comparisonKey(*url);
        if (seenKeys.contains(key))
            return;
        seenKeys.insert(key);
        events.append(WebProgrammeEventLink { day, number, title, *url });
    }
};

void readRowLayout(const QString& day, const QString& fragment, const QUrl& pageURL, ClassList& classes)
{
    for (const QStringList& row : WebProgrammeScan::groups(tableRow(), fragment)) {
        if (PageBudget::spent())
            return;
        const QString& inside = row[1];
        const std::optional<QStringList> link = WebProgrammeScan::firstGroups(startlistLink(), inside);
        if (!link || (*link)[1].isEmpty())
            continue;
        const QList<QStringList> spans = WebProgrammeScan::groups(titleSpan(), inside);
        if (spans.isEmpty())
            continue;
        // The desktop variant of the title carries the number; mobile variants may not.
        const QStringList* span = &spans.first();
        for (const QStringList& candidate : spans) {
            if (candidate[0].contains(u"no_mobile")) {
                span = &candidate;
                break;
            }
        }
        const QString number = (*span)[1].isEmpty() ? QString::number(classes.events.size() + 1) : (*span)[1];
        classes.add(day, number, plainText((*span)[2]), (*link)[1], pageURL);
    }
}

} // namespace

WebProgrammeSnapshot snapshot(const QString& html, const QUrl& pageURL, const std::atomic<bool>& cancelled)
{
    PageBudget budget(&cancelled);
    return snapshot(html, pageURL);
}

WebProgrammeSnapshot snapshot(const QString& html, const QUrl& pageURL)
{
    PageBudget budget;
    WebProgrammeSnapshot page;
    page.events = events(html, pageURL);
    page.people = peopleFromSpanLayout(html);
    if (page.people.isEmpty())
        page.people = peopleFromTableLayout(html);
    page.contestTitle = contestTitle(html, pageURL);
    page.contestURL = contestURL(pageURL, html);

    if (text::lower(WebUrl::decodedPath(pageURL)).contains(u"/startlist"))
        page.kind = WebProgrammeSnapshot::Kind::Startlist;
    else if (!page.events.isEmpty())
        page.kind = WebProgrammeSnapshot::Kind::Contest;
    else if (!page.people.isEmpty())
        page.kind = WebProgrammeSnapshot::Kind::Startlist;
    else
        page.kind = WebProgrammeSnapshot::Kind::Unknown;

    const QString pageKey = comparisonKey(pageURL);
    for (const WebProgrammeEventLink& event : page.events) {
        if (comparisonKey(event.startlistURL) == pageKey) {
            page.currentEvent = event;
            break;
        }
    }
    return page;
}

QList<WebProgrammeEventLink> events(const QString& html, const QUrl& pageURL)
{
    PageBudget budget;
    ClassList classes;
    for (const auto& [day, fragment] : splitByDays(html)) {
        if (PageBudget::spent())
            break;
        const QList<QStringList> blocks = WebProgrammeScan::groups(classBlock(), fragment);
        if (blocks.isEmpty()) {
            readRowLayout(day, fragment, pageURL, classes);
            continue;
        }
        for (const QStringList& block : blocks) {
            if (PageBudget::spent())
                break;
            classes.add(day, block[1], plainText(block[2]), block[3], pageURL);
        }
    }

    if (classes.events.isEmpty()) {
        // No class markup that we know: every start-list link is a class, numbered by its position
        // among the links (a duplicate link still takes its number).
        int position = 0;
        for (const QStringList& link : WebProgrammeScan::groups(startlistLink(), html)) {
            if (PageBudget::spent())
                break;
            ++position;
            const QString number = QString::number(position);
            classes.add(
                QStringLiteral("Programme"), number, QStringLiteral("Épreuve ") + number, link[1], pageURL);
        }
    }
    return classes.events;
}

QList<std::pair<QString, QString>> splitByDays(const QString& html)
{
    PageBudget budget;
    QList<std::pair<QString, QString>> headers;
    for (const QStringList& header : WebProgrammeScan::groups(headerCell(), html)) {
        if (PageBudget::spent())
            break;
        if (const std::optional<QString> day = weekdayName(plainText(header[1])))
            headers.append({ *day, header[0] });
    }

    QList<std::pair<QString, QString>> days;
    for (qsizetype i = 0; i < headers.size() && !PageBudget::spent(); ++i) {
        // Identical header markup is always found at its first occurrence.
        const qsizetype at = html.indexOf(headers[i].second);
        if (at < 0)
            continue;
        const qsizetype start = at + headers[i].second.size();
        qsizetype end = html.size();
        if (i + 1 < headers.size()) {
            const qsizetype next = html.indexOf(headers[i + 1].second, start);
            if (next >= 0)
                end = next;
        }
        days.append({ headers[i].first, html.mid(start, end - start) });
    }
    if (days.isEmpty())
        days.append({ QStringLiteral("Programme"), html });
    return days;
}

QString contestTitle(const QString& html, const QUrl& pageURL)
{
    PageBudget budget;
    if (const std::optional<QStringList> title = WebProgrammeScan::firstGroups(titleElement(), html)) {
        const QString stripped = strippedBrandingTitle((*title)[1]);
        if (!stripped.isEmpty())
            return stripped;
    }
    for (int level : { 3, 2 }) {
        if (const std::optional<QStringList> match = WebProgrammeScan::firstGroups(heading(level), html)) {
            const QString text = plainText((*match)[1]);
            if (!text.isEmpty() && text::graphemeCount(text) < 80)
                return text;
        }
    }
    if (const std::optional<QUrl> contest = contestURL(pageURL, html)) {
        QString name = WebUrl::lastPathComponent(*contest);
        name.replace(u'-', u' ');
        name.remove(QStringLiteral("%09"));
        return text::upper(name);
    }
    const QString host = pageURL.host();
    return host.isEmpty() ? QStringLiteral("Programme web") : host;
}

std::optional<QUrl> contestURL(const QUrl& pageURL, const std::optional<QString>& html)
{
    PageBudget budget;
    if (html) {
        for (const QStringList& match : WebProgrammeScan::groups(contestLink(), *html)) {
            QString link = match[1];
            link.remove(QStringLiteral("%09"));
            link = text::trimWhitespaceAndNewlines(link);
            if (text::lower(link).contains(u"startlist"))
                continue;
            if (link.split(u'/', Qt::SkipEmptyParts).size() < 3)
                continue;
            if (const std::optional<QUrl> url = WebUrl::resolved(link, pageURL))
                return url;
        }
    }

    const QStringList pieces = WebUrl::decodedPath(pageURL).split(u'/', Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;
    const QString first = text::lower(pieces[0]);
    QStringList kept;
    if (first == u"concours") {
        if (pieces.size() == 2)
            return std::nullopt;
        kept = pieces.mid(0, 3);
    } else if (first == u"events") {
        if (pieces.size() == 2 || text::lower(pieces[2]) == u"startlist")
            kept = pieces.mid(0, 2);
        else
            kept = pieces.mid(0, 3);
    } else {
        return std::nullopt;
    }
    QUrl url = pageURL;
    url.setQuery(QString());
    url.setFragment(QString());
    url.setPath(QStringLiteral("/") + kept.join(u'/'), QUrl::DecodedMode);
    return url;
}

} // namespace quavel::WebProgrammeParser
