#pragma once

#include <QByteArray>
#include <QNetworkReply>

#include <optional>

namespace quavel {

// What one GET gave back. A response with any status is `Received`; only the transport can fail.
struct HttpResponse
{
    enum class Outcome {
        // A response arrived; statusCode and body hold it.
        Received,
        // The request never got a whole response (no network, refused, time-out, TLS…): see networkError.
        TransportFailed,
        // The address is not http or https; nothing was sent.
        Refused,
        // The body passed HttpFetcher::maximumBodySize and was not read further.
        TooLarge,
        // The caller cancelled the request.
        Cancelled,
    };

    Outcome outcome = Outcome::Received;
    // The HTTP status of a received response; absent for a response that is not HTTP.
    std::optional<int> statusCode;
    QByteArray body;
    // The transport failure of a TransportFailed outcome, NoError otherwise.
    QNetworkReply::NetworkError networkError = QNetworkReply::NoError;

    bool operator==(const HttpResponse&) const = default;
};

} // namespace quavel
