#pragma once

#include "platform/http/HttpResponse.h"

#include <QByteArray>
#include <QFuture>
#include <QPromise>
#include <QString>
#include <QUrl>

#include <exception>

// What the web importer's steps share: finished futures, and the reading of one fetched page.
namespace quavel::WebFetchSupport {

template <typename T> QFuture<T> readyFuture(T value)
{
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    promise.addResult(std::move(value));
    promise.finish();
    return future;
}

template <typename T> QFuture<T> failedFuture(std::exception_ptr error)
{
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    promise.setException(error);
    promise.finish();
    return future;
}

// The error an import fails with for this response to a GET of `url`, or null when the body can be
// read: transport failures, statuses outside 200–399, refused addresses and bodies over the cap.
std::exception_ptr failureOf(const QUrl& url, const HttpResponse& response);

// The body as UTF-8 when it is valid UTF-8, else as ISO Latin 1; the declared charset is not consulted.
QString decodedBody(const QByteArray& body);

} // namespace quavel::WebFetchSupport
