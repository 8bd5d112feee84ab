#pragma once

#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDocument.h"
#include "programme/WebProgrammeEventLink.h"
#include "programme/WebProgrammeSnapshot.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>

namespace quavel {
class HttpFetcher;
}

// Turns the results page on screen into a programme, fetching further pages of the same site where
// needed: the contest page to place a start list, or every start list of a contest.
//
// Threading: call these on the thread the fetcher lives on (the GUI thread for session()). Progress
// texts are delivered on that thread. Each future finishes with its result or with an exception
// derived from quavel::Error: ImportError (bad status, no programme on the page, refused address,
// body over the size cap) or HttpError (the transport failed; French description of the network
// error). Read it with QFutureWatcher and catch around result() there.
namespace quavel::WebProgrammeImporter {

enum class Scope {
    // The class on screen, with documentForCurrentEvent.
    CurrentEvent,
    // The whole contest, with documentForContest.
    Contest,
};

// Receives "Récupération de 14 listes de départ…", then "Liste 1/14…" … "Liste 14/14…".
using Progress = std::function<void(const QString&)>;
using StartlistRiders = QList<std::pair<WebProgrammeEventLink, QList<ImportedPerson>>>;

// The most start lists ever in flight at once.
constexpr int maximumConcurrentStartlists = 6;

// The address typed in the browser's bar: blank gives none, text without a scheme gets "https://".
std::optional<QUrl> preparedURL(const QString& typed);

// The one fetcher of the process, created on first use as a child of the application object.
HttpFetcher& session();

// The page body as text: UTF-8, else ISO Latin 1.
QFuture<QString> fetchHTML(const QUrl& url, HttpFetcher& fetcher = session());

// The class whose start list is on screen, with the riders already read from the page; the contest
// page is fetched once when the page does not say which class it is. A contest page imports the
// whole contest, without progress texts.
QFuture<ProgrammeDocument> documentForCurrentEvent(const WebProgrammeSnapshot& page, const QString& html,
    const QUrl& pageURL, HttpFetcher& fetcher = session());

// Every class of the contest with riders, grouped by day in page order.
QFuture<ProgrammeDocument> documentForContest(const WebProgrammeSnapshot& page, const QString& html,
    const QUrl& pageURL, Progress progress = {}, HttpFetcher& fetcher = session());

// The riders of every class, in the order of `events`, at most six fetches in flight. The first
// failure fails the whole batch once the requests still running have been cancelled and have ended.
QFuture<StartlistRiders> fetchStartlists(
    const QList<WebProgrammeEventLink>& events, Progress progress = {}, HttpFetcher& fetcher = session());

// The first rider of each bib, order kept.
QList<ImportedPerson> uniquePeople(const QList<ImportedPerson>& people);

} // namespace quavel::WebProgrammeImporter
