#pragma once

#include "platform/Error.h"
#include "platform/http/NetworkErrors.h"

#include <QNetworkReply>

namespace quavel {

// A web request that failed in transport; message() is the French description of the network error.
class HttpError : public Error
{
public:
    explicit HttpError(QNetworkReply::NetworkError code)
        : Error(frenchDescription(code))
        , m_code(code)
    { }

    QNetworkReply::NetworkError code() const noexcept { return m_code; }

private:
    QNetworkReply::NetworkError m_code;
};

} // namespace quavel
