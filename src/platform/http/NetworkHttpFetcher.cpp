#include "platform/http/NetworkHttpFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace quavel {

namespace {

// Qt folds HTTP error statuses into NetworkError values (201–299 for 4xx, 401–499 for 5xx); those are
// responses, not transport failures.
bool isHttpStatusError(QNetworkReply::NetworkError e)
{
    return (e >= 201 && e <= 299) || (e >= 401 && e <= 499);
}

} // namespace

const QByteArray& NetworkHttpFetcher::userAgent()
{
    static const QByteArray value(
        "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, "
        "like Gecko) Version/17.6 Safari/605.1.15");
    return value;
}

const QByteArray& NetworkHttpFetcher::accept()
{
    static const QByteArray value("text/html,application/xhtml+xml");
    return value;
}

NetworkHttpFetcher::NetworkHttpFetcher(QObject* parent, int idleTimeoutMs)
    : HttpFetcher(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    // No QNetworkDiskCache is ever installed, and the default cookie jar lives in memory only.
    m_manager->setCache(nullptr);
    m_manager->setTransferTimeout(idleTimeoutMs);
}

// Goes with the application object (the shared fetcher is its child): nothing is posted from here, the
// replies still running are aborted and deleted at once.
NetworkHttpFetcher::~NetworkHttpFetcher()
{
    const auto pending = std::exchange(m_pending, {});
    for (const Pending& p : pending) {
        if (p.reply) {
            p.reply->disconnect(this);
            p.reply->abort();
            delete p.reply;
        }
    }
}

HttpFetcher::RequestId NetworkHttpFetcher::get(const QUrl& url, Completion done)
{
    const RequestId id = ++m_lastId;
    Pending pending;
    pending.done = std::move(done);

    if (!isFetchable(url)) {
        m_pending.insert(id, std::move(pending));
        // Completions never run inside get(): the caller may still be setting up.
        QTimer::singleShot(0, this, [this, id] {
            HttpResponse refused;
            refused.outcome = HttpResponse::Outcome::Refused;
            complete(id, refused);
        });
        return id;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setRawHeader("Accept", accept());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* reply = m_manager->get(request);
    pending.reply = reply;
    m_pending.insert(id, std::move(pending));

    connect(reply, &QNetworkReply::metaDataChanged, this, [this, id] { checkDeclaredLength(id); });
    connect(reply, &QNetworkReply::readyRead, this, [this, id] { readAvailable(id); });
    connect(reply, &QNetworkReply::finished, this, [this, id] { finish(id); });
    return id;
}

void NetworkHttpFetcher::cancel(RequestId id)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end() || it->cancelled)
        return;
    it->cancelled = true;
    if (QNetworkReply* reply = it->reply) {
        reply->abort(); // emits finished, which completes the request as cancelled
    } else {
        HttpResponse cancelled;
        cancelled.outcome = HttpResponse::Outcome::Cancelled;
        complete(id, cancelled);
    }
}

void NetworkHttpFetcher::checkDeclaredLength(RequestId id)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end() || !it->reply)
        return;
    const QVariant length = it->reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > maximumBodySize) {
        it->tooLarge = true;
        it->reply->abort();
    }
}

void NetworkHttpFetcher::readAvailable(RequestId id)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end() || !it->reply || it->tooLarge || !it->reply->isOpen())
        return;
    QNetworkReply* reply = it->reply;
    // Read no more than one byte past the limit, so that a huge body never sits in memory.
    const qint64 room = maximumBodySize + 1 - it->body.size();
    it->body += reply->read(room);
    if (it->body.size() > maximumBodySize) {
        it->tooLarge = true;
        it->body.clear();
        reply->abort();
    }
}

void NetworkHttpFetcher::finish(RequestId id)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    QNetworkReply* reply = it->reply;
    if (reply && !it->tooLarge && !it->cancelled) {
        readAvailable(id);
        it = m_pending.find(id);
        if (it == m_pending.end())
            return;
    }

    HttpResponse response;
    if (it->cancelled) {
        response.outcome = HttpResponse::Outcome::Cancelled;
    } else if (it->tooLarge) {
        response.outcome = HttpResponse::Outcome::TooLarge;
    } else {
        const QNetworkReply::NetworkError error = reply->error();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (error == QNetworkReply::NoError || isHttpStatusError(error))) {
            response.statusCode = status.toInt();
            response.body = std::move(it->body);
        } else if (error == QNetworkReply::NoError) {
            response.body = std::move(it->body);
        } else {
            response.outcome = HttpResponse::Outcome::TransportFailed;
            // Qt reports an idle time-out as a cancellation; this fetcher did not cancel it.
            response.networkError
                = error == QNetworkReply::OperationCanceledError ? QNetworkReply::TimeoutError : error;
        }
    }
    if (reply)
        reply->deleteLater();
    complete(id, response);
}

void NetworkHttpFetcher::complete(RequestId id, const HttpResponse& response)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    // Taken out first: the completion may start or cancel other requests.
    Completion done = std::move(it->done);
    m_pending.erase(it);
    if (done)
        done(response);
}

} // namespace quavel
