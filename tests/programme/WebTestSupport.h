#pragma once

#include "programme/WebProgrammeEventLink.h"

#include "platform/Error.h"
#include "platform/http/HttpFetcher.h"

#include "common/TestSupport.h"

#include <QFuture>
#include <QSet>

#include <ostream>
#include <stdexcept>

namespace quavel {

inline void PrintTo(const WebProgrammeEventLink& e, std::ostream* os)
{
    *os << e.dayName.toStdString() << " #" << e.eventNumber.toStdString() << " \"" << e.title.toStdString()
        << "\" " << e.startlistURL.toString().toStdString();
}

} // namespace quavel

namespace quavel::test {

// Passes every request to a real fetcher and counts, at the seam, the requests started and not yet
// completed: what the importer has in flight, whatever the network stack queues behind it.
class CountingFetcher : public HttpFetcher
{
public:
    explicit CountingFetcher(HttpFetcher& inner)
        : m_inner(inner)
    { }

    RequestId get(const QUrl& url, Completion done) override
    {
        ++m_started;
        ++m_inFlight;
        m_maxInFlight = std::max(m_maxInFlight, m_inFlight);
        m_urls.append(url);
        return m_inner.get(url, [this, done](const HttpResponse& response) {
            --m_inFlight;
            done(response);
        });
    }

    void cancel(RequestId id) override
    {
        ++m_cancelled;
        m_inner.cancel(id);
    }

    int started() const { return m_started; }
    int inFlight() const { return m_inFlight; }
    int maxInFlight() const { return m_maxInFlight; }
    int cancelled() const { return m_cancelled; }
    const QList<QUrl>& urls() const { return m_urls; }

private:
    HttpFetcher& m_inner;
    int m_started = 0;
    int m_inFlight = 0;
    int m_maxInFlight = 0;
    int m_cancelled = 0;
    QList<QUrl> m_urls;
};

// The French message the future failed with, or "" when it succeeded.
template <typename T> QString failureOf(QFuture<T> future, int timeoutMs = 30000)
{
    try {
        await(future, timeoutMs);
    } catch (const Error& e) {
        return e.message();
    }
    return QString();
}

} // namespace quavel::test
