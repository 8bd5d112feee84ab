// The start lists of a contest, fetched a few at a time: at most six child requests (fetch, then the
// reading of the riders on the thread pool) are under way at once, a new one starts each time one
// ends, and the results are put back in the contest's order at the end.
#include "programme/ImportError.h"
#include "programme/WebFetchSupport.h"
#include "programme/WebProgrammeImporter.h"
#include "programme/WebProgrammeParser.h"

#include "platform/http/HttpError.h"
#include "platform/http/HttpFetcher.h"

#include <QHash>
#include <QPointer>

#include <memory>

namespace quavel::WebProgrammeImporter {

namespace {

using namespace WebFetchSupport;

// Lives on the fetcher's thread; kept alive by the completions and continuations it hands out.
class StartlistBatch : public std::enable_shared_from_this<StartlistBatch>
{
public:
    StartlistBatch(QList<WebProgrammeEventLink> events, Progress progress, HttpFetcher& fetcher)
        : m_events(std::move(events))
        , m_progress(std::move(progress))
        , m_fetcher(&fetcher)
        , m_riders(m_events.size())
    { }

    QFuture<StartlistRiders> start()
    {
        QFuture<StartlistRiders> future = m_promise.future();
        m_promise.start();
        // A link to anything but a web page fails the batch before any request is made.
        for (const WebProgrammeEventLink& event : m_events) {
            if (!HttpFetcher::isFetchable(event.startlistURL)) {
                fail(std::make_exception_ptr(ImportError::webImportFailed(
                    QStringLiteral("Lien de liste de départ non pris en charge : ")
                    + event.startlistURL.toString())));
                return future;
            }
        }
        while (m_next < m_events.size() && m_next < maximumConcurrentStartlists)
            startNext();
        settle();
        return future;
    }

private:
    void startNext()
    {
        const qsizetype index = m_next++;
        auto self = shared_from_this();
        const HttpFetcher::RequestId id = m_fetcher->get(m_events[index].startlistURL,
            [self, index](const HttpResponse& response) { self->fetched(index, response); });
        m_fetching.insert(index, id);
    }

    void fetched(qsizetype index, const HttpResponse& response)
    {
        m_fetching.remove(index);
        if (m_failure) {
            settle();
            return;
        }
        if (std::exception_ptr failure = failureOf(m_events[index].startlistURL, response)) {
            fail(failure);
            return;
        }
        if (!m_fetcher) {
            fail(std::make_exception_ptr(HttpError(QNetworkReply::OperationCanceledError)));
            return;
        }
        ++m_reading;
        auto self = shared_from_this();
        readyFuture(response.body)
            .then(QtFuture::Launch::Async,
                [](const QByteArray& body) {
                    const QString html = decodedBody(body);
                    QList<ImportedPerson> riders = WebProgrammeParser::peopleFromSpanLayout(html);
                    if (riders.isEmpty())
                        riders = WebProgrammeParser::peopleFromTableLayout(html);
                    return riders;
                })
            .then(m_fetcher.data(),
                [self, index](QFuture<QList<ImportedPerson>> riders) { self->read(index, riders); });
    }

    void read(qsizetype index, QFuture<QList<ImportedPerson>> riders)
    {
        --m_reading;
        if (m_failure) {
            settle();
            return;
        }
        try {
            // Rethrows what the reading threw; a reading that gave nothing was cancelled.
            riders.waitForFinished();
            if (riders.resultCount() == 0)
                throw HttpError(QNetworkReply::OperationCanceledError);
            m_riders[index] = riders.result();
        } catch (...) {
            fail(std::current_exception());
            return;
        }
        ++m_finished;
        if (m_progress) {
            m_progress(QStringLiteral("Liste ") + QString::number(m_finished) + u'/'
                + QString::number(m_events.size()) + QStringLiteral("…"));
        }
        if (m_next < m_events.size())
            startNext();
        settle();
    }

    void fail(std::exception_ptr failure)
    {
        m_failure = failure;
        // Cancelled requests may complete inside cancel(); work on a copy.
        const QList<HttpFetcher::RequestId> running = m_fetching.values();
        for (HttpFetcher::RequestId id : running) {
            if (m_fetcher)
                m_fetcher->cancel(id);
        }
        settle();
    }

    // Ends the batch once nothing is under way any more.
    void settle()
    {
        if (m_settled || !m_fetching.isEmpty() || m_reading > 0)
            return;
        if (m_failure) {
            m_promise.setException(m_failure);
        } else {
            if (m_finished < m_events.size())
                return;
            StartlistRiders result;
            result.reserve(m_events.size());
            for (qsizetype i = 0; i < m_events.size(); ++i)
                result.append({ m_events[i], m_riders[i] });
            m_promise.addResult(std::move(result));
        }
        m_settled = true;
        m_promise.finish();
    }

    const QList<WebProgrammeEventLink> m_events;
    const Progress m_progress;
    QPointer<HttpFetcher> m_fetcher;
    QPromise<StartlistRiders> m_promise;
    QList<QList<ImportedPerson>> m_riders;
    // Index of the class to start next, and the children under way (fetching, or reading riders).
    qsizetype m_next = 0;
    QHash<qsizetype, HttpFetcher::RequestId> m_fetching;
    int m_reading = 0;
    qsizetype m_finished = 0;
    std::exception_ptr m_failure;
    bool m_settled = false;
};

} // namespace

QFuture<StartlistRiders> fetchStartlists(
    const QList<WebProgrammeEventLink>& events, Progress progress, HttpFetcher& fetcher)
{
    return std::make_shared<StartlistBatch>(events, std::move(progress), fetcher)->start();
}

} // namespace quavel::WebProgrammeImporter
