#include "programme/WebFetchSupport.h"

#include "programme/ImportError.h"

#include "platform/http/HttpError.h"

#include <QStringDecoder>

namespace quavel::WebFetchSupport {

std::exception_ptr failureOf(const QUrl& url, const HttpResponse& response)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    switch (response.outcome) {
    case HttpResponse::Outcome::Received:
        break;
    case HttpResponse::Outcome::TransportFailed:
        return std::make_exception_ptr(HttpError(response.networkError));
    case HttpResponse::Outcome::Cancelled:
        return std::make_exception_ptr(HttpError(QNetworkReply::OperationCanceledError));
    case HttpResponse::Outcome::Refused:
        return std::make_exception_ptr(
            ImportError::webImportFailed(QStringLiteral("Adresse non prise en charge : ") + url.toString()));
    case HttpResponse::Outcome::TooLarge:
        return std::make_exception_ptr(ImportError::webImportFailed(QStringLiteral("La page ") + address
            + QStringLiteral(" est trop volumineuse pour être importée (plus de 32 Mo).")));
    }
    // A response that is not HTTP carries no status and goes through.
    if (response.statusCode && (*response.statusCode < 200 || *response.statusCode >= 400)) {
        return std::make_exception_ptr(ImportError::webImportFailed(QStringLiteral("La page ") + address
            + QStringLiteral(" a répondu ") + QString::number(*response.statusCode) + u'.'));
    }
    return nullptr;
}

QString decodedBody(const QByteArray& body)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    // Every byte is a Latin-1 character, so this reading always succeeds and a body is never
    // unreadable.
    return QString::fromLatin1(body);
}

} // namespace quavel::WebFetchSupport
