#include "platform/http/NetworkErrors.h"

namespace quavel {

QString frenchDescription(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::NoError:
        return QStringLiteral("La requête a réussi.");
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Le serveur a refusé la connexion.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Le serveur a fermé la connexion avant la fin de la réponse.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Aucun serveur portant ce nom n’a été trouvé.");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Le délai d’attente de la requête a expiré.");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("La requête a été annulée.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Impossible d’établir une connexion sécurisée avec le serveur.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("La connexion à Internet semble interrompue.");
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return QStringLiteral("La requête n’est pas autorisée pour le moment.");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("La page redirige trop de fois.");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("La page redirige vers une adresse non sécurisée.");
    case QNetworkReply::ProxyConnectionRefusedError:
        return QStringLiteral("Le serveur proxy a refusé la connexion.");
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("Le serveur proxy a fermé la connexion.");
    case QNetworkReply::ProxyNotFoundError:
        return QStringLiteral("Le serveur proxy est introuvable.");
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("Le serveur proxy ne répond pas.");
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("Le serveur proxy demande une authentification.");
    case QNetworkReply::UnknownProxyError:
        return QStringLiteral("Une erreur de serveur proxy s’est produite.");
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
        return QStringLiteral("L’accès à cette page est refusé.");
    case QNetworkReply::ContentNotFoundError:
        return QStringLiteral("La page est introuvable sur le serveur.");
    case QNetworkReply::AuthenticationRequiredError:
        return QStringLiteral("Cette page demande une authentification.");
    case QNetworkReply::ContentReSendError:
        return QStringLiteral("La requête n’a pas pu être renvoyée.");
    case QNetworkReply::ContentConflictError:
        return QStringLiteral("La page est en conflit avec son état actuel.");
    case QNetworkReply::ContentGoneError:
        return QStringLiteral("La page n’existe plus sur le serveur.");
    case QNetworkReply::UnknownContentError:
        return QStringLiteral("Le serveur a refusé de fournir la page.");
    case QNetworkReply::ProtocolUnknownError:
        return QStringLiteral("Ce type d’adresse n’est pas pris en charge.");
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("Cette opération n’est pas possible avec ce type d’adresse.");
    case QNetworkReply::ProtocolFailure:
        return QStringLiteral("La réponse du serveur est illisible.");
    case QNetworkReply::InternalServerError:
        return QStringLiteral("Le serveur a rencontré une erreur interne.");
    case QNetworkReply::OperationNotImplementedError:
        return QStringLiteral("Le serveur ne prend pas en charge cette requête.");
    case QNetworkReply::ServiceUnavailableError:
        return QStringLiteral("Le service est momentanément indisponible.");
    case QNetworkReply::UnknownServerError:
        return QStringLiteral("Le serveur a rencontré une erreur.");
    case QNetworkReply::UnknownNetworkError:
        break;
    }
    return QStringLiteral("Une erreur réseau s’est produite.");
}

} // namespace quavel
