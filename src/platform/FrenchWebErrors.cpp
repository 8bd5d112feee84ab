#include "platform/FrenchErrors.h"
#include "platform/WebLoadError.h"

namespace quavel {

namespace {

// The reason phrase of the statuses a results site is likely to answer with.
QString statusReason(int status)
{
    switch (status) {
    case 400:
        return QStringLiteral("requête incorrecte");
    case 401:
    case 407:
        return QStringLiteral("authentification requise");
    case 403:
        return QStringLiteral("accès refusé");
    case 404:
        return QStringLiteral("page introuvable");
    case 408:
        return QStringLiteral("délai d’attente dépassé");
    case 410:
        return QStringLiteral("page supprimée");
    case 429:
        return QStringLiteral("trop de requêtes, réessayez dans un moment");
    case 500:
        return QStringLiteral("erreur interne du serveur");
    case 502:
        return QStringLiteral("passerelle en erreur");
    case 503:
        return QStringLiteral("service momentanément indisponible");
    case 504:
        return QStringLiteral("le serveur ne répond pas à temps");
    default:
        return status >= 500 ? QStringLiteral("erreur du serveur") : QString();
    }
}

QString statusDescription(int status)
{
    const QString reason = statusReason(status);
    if (reason.isEmpty())
        return QStringLiteral("Le site a répondu %1.").arg(status);
    return QStringLiteral("Le site a répondu %1 (%2).").arg(status).arg(reason);
}

// Chromium's network error numbers (net/base/net_error_list.h), grouped by what the photographer can
// do about them.
QString networkDescription(int code)
{
    switch (code) {
    case -3: // ABORTED
        return QStringLiteral("Le chargement de la page a été interrompu.");
    case -6: // FILE_NOT_FOUND
        return QStringLiteral("La page est introuvable.");
    case -7: // TIMED_OUT
    case -118: // CONNECTION_TIMED_OUT
        return QStringLiteral("Le site ne répond pas : le délai d’attente est dépassé.");
    case -10: // ACCESS_DENIED
    case -138: // NETWORK_ACCESS_DENIED
        return QStringLiteral("L’accès au réseau est refusé sur cet ordinateur.");
    case -20: // BLOCKED_BY_CLIENT
    case -22: // BLOCKED_BY_ADMINISTRATOR
    case -27: // BLOCKED_BY_RESPONSE
    case -30: // BLOCKED_BY_CSP
        return QStringLiteral("L’affichage de cette page a été bloqué.");
    case -21: // NETWORK_CHANGED
        return QStringLiteral("La connexion réseau a changé pendant le chargement. Réessayez.");
    case -100: // CONNECTION_CLOSED
    case -101: // CONNECTION_RESET
    case -103: // CONNECTION_ABORTED
    case -324: // EMPTY_RESPONSE
        return QStringLiteral("Le site a coupé la connexion avant d’envoyer la page.");
    case -102: // CONNECTION_REFUSED
        return QStringLiteral("Le site a refusé la connexion.");
    case -104: // CONNECTION_FAILED
    case -109: // ADDRESS_UNREACHABLE
    case -108: // ADDRESS_INVALID
        return QStringLiteral("Impossible de joindre le site.");
    case -105: // NAME_NOT_RESOLVED
    case -137: // NAME_RESOLUTION_FAILED
        return QStringLiteral("Aucun site ne porte ce nom. Vérifiez l’adresse.");
    case -106: // INTERNET_DISCONNECTED
        return QStringLiteral("Cet ordinateur n’est pas connecté à Internet.");
    case -107: // SSL_PROTOCOL_ERROR
    case -113: // SSL_VERSION_OR_CIPHER_MISMATCH
    case -112: // NO_SSL_VERSIONS_ENABLED
        return QStringLiteral("Impossible d’établir une connexion sécurisée avec le site.");
    case -110: // SSL_CLIENT_AUTH_CERT_NEEDED
    case -117: // BAD_SSL_CLIENT_AUTH_CERT
        return QStringLiteral("Le site demande un certificat d’identification.");
    case -111: // TUNNEL_CONNECTION_FAILED
    case -130: // PROXY_CONNECTION_FAILED
    case -120: // SOCKS_CONNECTION_FAILED
    case -121: // SOCKS_CONNECTION_HOST_UNREACHABLE
        return QStringLiteral("Impossible de passer par le serveur proxy.");
    case -300: // INVALID_URL
        return QStringLiteral("L’adresse de la page n’est pas valide.");
    case -301: // DISALLOWED_URL_SCHEME
    case -302: // UNKNOWN_URL_SCHEME
        return QStringLiteral("Ce type d’adresse ne peut pas s’ouvrir ici.");
    case -303: // INVALID_REDIRECT
    case -311: // UNSAFE_REDIRECT
        return QStringLiteral("Le site redirige vers une adresse non valide.");
    case -310: // TOO_MANY_REDIRECTS
        return QStringLiteral("Le site redirige trop de fois.");
    case -312: // UNSAFE_PORT
        return QStringLiteral("Ce port n’est pas autorisé pour une page internet.");
    case -320: // INVALID_RESPONSE
    case -321: // INVALID_CHUNKED_ENCODING
    case -325: // RESPONSE_HEADERS_TOO_BIG
    case -330: // CONTENT_DECODING_FAILED
        return QStringLiteral("La réponse du site est illisible.");
    default:
        break;
    }
    if (code <= -200 && code > -300)
        return QStringLiteral("Le certificat de sécurité du site n’est pas valide.");
    if (code <= -800 && code > -900)
        return QStringLiteral("Le nom du site n’a pas pu être résolu. Vérifiez la connexion à Internet.");
    if (code <= -100 && code > -200)
        return QStringLiteral("La connexion au site a échoué.");
    return QStringLiteral("La page n’a pas pu être chargée (erreur %1).").arg(code);
}

} // namespace

QString frenchDescription(const WebLoadError& error)
{
    switch (error.domain) {
    case WebLoadError::Domain::HttpStatus:
        return statusDescription(error.code);
    case WebLoadError::Domain::Certificate:
        // Every certificate failure is refused; the particular defect does not change what to do.
        return QStringLiteral("Le certificat de sécurité du site n’est pas valide.");
    case WebLoadError::Domain::Dns:
        if (error.code == -105 || error.code == -137)
            break;
        return QStringLiteral("Le nom du site n’a pas pu être résolu. Vérifiez la connexion à Internet.");
    case WebLoadError::Domain::Internal:
    case WebLoadError::Domain::Connection:
    case WebLoadError::Domain::Http:
    case WebLoadError::Domain::Ftp:
        break;
    }
    return networkDescription(error.code);
}

} // namespace quavel
