#include "programme/WebProgrammeImporter.h"

#include "programme/ImportError.h"
#include "programme/WebFetchSupport.h"
#include "programme/WebProgrammeParser.h"
#include "programme/WebUrl.h"

#include "platform/http/NetworkHttpFetcher.h"
#include "platform/text/Text.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>

#include <memory>

namespace quavel::WebProgrammeImporter {

using namespace WebFetchSupport;

namespace {

struct ContestClasses
{
    QList<WebProgrammeEventLink> events;
    QString title;
};

std::optional<QUrl> contestURLOf(const WebProgrammeSnapshot& page, const QString& html, const QUrl& pageURL)
{
    return page.contestURL ? page.contestURL : WebProgrammeParser::contestURL(pageURL, html);
}

// One day, one class: the start list on screen, placed by the class found for it (if any).
ProgrammeDocument currentEventDocument(const WebProgrammeSnapshot& page, const QList<ImportedPerson>& people,
    const std::optional<WebProgrammeEventLink>& event)
{
    ProgrammeEvent programmeEvent;
    programmeEvent.people = people;
    QString day;
    if (event) {
        day = event->dayName;
        programmeEvent.id = event->dayName + u'|' + event->eventNumber + u'|'
            + WebUrl::lastPathComponent(event->startlistURL);
        programmeEvent.title = WebProgrammeParser::displayTitle(event->eventNumber, event->title);
    } else {
        day = QStringLiteral("Programme");
        programmeEvent.id = QStringLiteral("Programme|") + page.contestTitle;
        programmeEvent.title = page.contestTitle;
    }
    return ProgrammeDocument { page.contestTitle, { ProgrammeDay { day, { programmeEvent } } } };
}

// Days in the order of their first class with riders, classes in page order; empty start lists left out.
ProgrammeDocument contestDocument(const QString& title, const StartlistRiders& startlists)
{
    ProgrammeDocument document { title, {} };
    for (const auto& startlist : startlists) {
        const WebProgrammeEventLink& event = startlist.first;
        const QList<ImportedPerson>& riders = startlist.second;
        if (riders.isEmpty())
            continue;
        ProgrammeEvent programmeEvent {
            event.dayName + u'|' + event.eventNumber + u'|' + WebUrl::decodedPath(event.startlistURL),
            WebProgrammeParser::displayTitle(event.eventNumber, event.title),
            uniquePeople(riders),
        };
        auto day = std::find_if(document.days.begin(), document.days.end(),
            [&](const ProgrammeDay& d) { return d.name == event.dayName; });
        if (day == document.days.end())
            document.days.append(ProgrammeDay { event.dayName, { programmeEvent } });
        else
            day->events.append(programmeEvent);
    }
    if (document.days.isEmpty())
        throw ImportError::noWebProgramme();
    return document;
}

} // namespace

std::optional<QUrl> preparedURL(const QString& typed)
{
    const QString trimmed = text::trimWhitespaceAndNewlines(typed);
    if (trimmed.isEmpty())
        return std::nullopt;
    const QUrl url(trimmed, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    const QUrl secure(QStringLiteral("https://") + trimmed, QUrl::TolerantMode);
    if (!secure.isValid() || secure.host().isEmpty())
        return std::nullopt;
    return secure;
}

HttpFetcher& session()
{
    // Created once, on the GUI thread, and destroyed with the application object.
    static QPointer<NetworkHttpFetcher> shared;
    if (!shared)
        shared = new NetworkHttpFetcher(QCoreApplication::instance());
    return *shared;
}

QFuture<QString> fetchHTML(const QUrl& url, HttpFetcher& fetcher)
{
    auto promise = std::make_shared<QPromise<QString>>();
    QFuture<QString> future = promise->future();
    promise->start();
    fetcher.get(url, [promise, url](const HttpResponse& response) {
        if (std::exception_ptr failure = failureOf(url, response))
            promise->setException(failure);
        else
            promise->addResult(decodedBody(response.body));
        promise->finish();
    });
    return future;
}

QFuture<ProgrammeDocument> documentForCurrentEvent(
    const WebProgrammeSnapshot& page, const QString& html, const QUrl& pageURL, HttpFetcher& fetcher)
{
    if (page.kind == WebProgrammeSnapshot::Kind::Contest)
        return documentForContest(page, html, pageURL, {}, fetcher);

    QList<ImportedPerson> people = page.people;
    if (people.isEmpty())
        people = WebProgrammeParser::peopleFromSpanLayout(html);
    if (people.isEmpty())
        people = WebProgrammeParser::peopleFromTableLayout(html);
    if (people.isEmpty())
        return failedFuture<ProgrammeDocument>(std::make_exception_ptr(ImportError::noWebProgramme()));

    if (page.currentEvent)
        return readyFuture(currentEventDocument(page, people, page.currentEvent));
    const std::optional<QUrl> contest = contestURLOf(page, html, pageURL);
    if (!contest)
        return readyFuture(currentEventDocument(page, people, std::nullopt));

    // The contest page says which class this start list is, and under which day.
    return fetchHTML(*contest, fetcher)
        .then(QtFuture::Launch::Async,
            [page, people, pageURL, contestURL = *contest](const QString& contestHTML) {
                const QString pageKey = WebProgrammeParser::comparisonKey(pageURL);
                std::optional<WebProgrammeEventLink> found;
                for (const WebProgrammeEventLink& event :
                    WebProgrammeParser::events(contestHTML, contestURL)) {
                    if (WebProgrammeParser::comparisonKey(event.startlistURL) == pageKey) {
                        found = event;
                        break;
                    }
                }
                return currentEventDocument(page, people, found);
            });
}

QFuture<ProgrammeDocument> documentForContest(const WebProgrammeSnapshot& page, const QString& html,
    const QUrl& pageURL, Progress progress, HttpFetcher& fetcher)
{
    const std::optional<QUrl> contest = contestURLOf(page, html, pageURL);
    QFuture<ContestClasses> classes;
    if (page.events.isEmpty() && contest) {
        classes
            = fetchHTML(*contest, fetcher)
                  .then(QtFuture::Launch::Async,
                      [contestURL = *contest, title = page.contestTitle](const QString& contestHTML) {
                          ContestClasses found { WebProgrammeParser::events(contestHTML, contestURL), title };
                          const QString contestTitle
                              = WebProgrammeParser::contestTitle(contestHTML, contestURL);
                          if (!contestTitle.isEmpty())
                              found.title = contestTitle;
                          return found;
                      });
    } else {
        ContestClasses found { page.events, page.contestTitle };
        if (page.kind == WebProgrammeSnapshot::Kind::Contest)
            found.events = WebProgrammeParser::events(html, pageURL);
        classes = readyFuture(found);
    }

    QPointer<HttpFetcher> guardedFetcher(&fetcher);
    return classes
        .then(&fetcher,
            [guardedFetcher, progress](const ContestClasses& found) {
                if (found.events.isEmpty())
                    throw ImportError::noWebProgramme();
                if (progress) {
                    const qsizetype count = found.events.size();
                    progress(QStringLiteral("Récupération de ") + QString::number(count)
                        + QStringLiteral(" liste") + (count >= 2 ? QStringLiteral("s") : QString())
                        + QStringLiteral(" de départ…"));
                }
                return fetchStartlists(found.events, progress, *guardedFetcher)
                    .then([title = found.title](const StartlistRiders& startlists) {
                        return contestDocument(title, startlists);
                    });
            })
        .unwrap();
}

QList<ImportedPerson> uniquePeople(const QList<ImportedPerson>& people)
{
    QList<ImportedPerson> kept;
    QSet<QString> seen;
    for (const ImportedPerson& person : people) {
        if (seen.contains(person.canonicalNumber))
            continue;
        seen.insert(person.canonicalNumber);
        kept.append(person);
    }
    return kept;
}

} // namespace quavel::WebProgrammeImporter
