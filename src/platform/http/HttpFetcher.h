#pragma once

#include "platform/http/HttpResponse.h"

#include <QObject>
#include <QUrl>

#include <functional>

namespace quavel {

// Fetches web pages with plain GETs. The narrow seam between the web importer and the network: the
// importer only ever starts and cancels requests here, so its concurrency can be observed (and faked)
// at this point.
//
// Threading: a fetcher is used from the thread it lives on, and every completion runs on that
// thread's event loop.
class HttpFetcher : public QObject
{
    Q_OBJECT

public:
    using RequestId = quint64;
    using Completion = std::function<void(const HttpResponse&)>;

    // A body larger than this is never read whole: the request completes as TooLarge.
    static constexpr qint64 maximumBodySize = qint64(32) * 1024 * 1024;

    // Only http and https addresses are ever fetched.
    static bool isFetchable(const QUrl& url);

    using QObject::QObject;

    // Starts a GET. `done` is called exactly once, later, from the event loop (never from inside get()),
    // unless the fetcher is destroyed first. After cancel(id), the request completes as Cancelled,
    // possibly before cancel() returns.
    virtual RequestId get(const QUrl& url, Completion done) = 0;
    // Cancels a running request; an unknown or finished id is ignored.
    virtual void cancel(RequestId id) = 0;
};

} // namespace quavel
