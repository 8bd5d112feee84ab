#pragma once

#include "platform/http/HttpFetcher.h"

#include <QHash>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;

namespace quavel {

// The real fetcher over QNetworkAccessManager, set up like a private browsing session: no disk cache,
// cookies kept in memory for the life of the fetcher only, no stored credentials. Every request
// carries the desktop browser's User-Agent and an HTML Accept header, and gives up after the idle
// time-out without a byte transferred. Redirects follow Qt's default policy (never https to http).
class NetworkHttpFetcher : public HttpFetcher
{
    Q_OBJECT

public:
    static constexpr int defaultIdleTimeoutMs = 25'000;
    static const QByteArray& userAgent();
    static const QByteArray& accept();

    explicit NetworkHttpFetcher(QObject* parent = nullptr, int idleTimeoutMs = defaultIdleTimeoutMs);
    // Pending requests are aborted without calling their completions.
    ~NetworkHttpFetcher() override;

    RequestId get(const QUrl& url, Completion done) override;
    void cancel(RequestId id) override;

private:
    struct Pending
    {
        QPointer<QNetworkReply> reply;
        Completion done;
        QByteArray body;
        bool tooLarge = false;
        bool cancelled = false;
    };

    void readAvailable(RequestId id);
    void checkDeclaredLength(RequestId id);
    void finish(RequestId id);
    void complete(RequestId id, const HttpResponse& response);

    QNetworkAccessManager* m_manager;
    QHash<RequestId, Pending> m_pending;
    RequestId m_lastId = 0;
};

} // namespace quavel
