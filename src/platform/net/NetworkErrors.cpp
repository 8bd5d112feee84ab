#include "platform/net/NetworkErrors.h"

#include "platform/FrenchErrors.h"

#include <avahi-common/error.h>

namespace quavel {

QString frenchDescription(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("L’appareil a refusé la connexion.");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("L’appareil a fermé la connexion.");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("L’appareil est introuvable sur le réseau.");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("L’accès au réseau a été refusé.");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("Le système manque de ressources pour ouvrir une connexion réseau.");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("L’appareil ne répond pas.");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Le réseau est inaccessible.");
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("L’adresse réseau est déjà utilisée.");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("L’adresse réseau n’est pas disponible sur cet ordinateur.");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("Cette opération réseau n’est pas prise en charge.");
    case QAbstractSocket::TemporaryError:
        return QStringLiteral("Le réseau est momentanément indisponible.");
    default:
        return QStringLiteral("Une erreur réseau s’est produite.");
    }
}

QString frenchDnsServiceDescription(int avahiError)
{
    switch (avahiError) {
    case AVAHI_ERR_NO_DAEMON:
    case AVAHI_ERR_DISCONNECTED:
        return QStringLiteral("Le service de découverte du réseau local (Avahi) ne répond pas.");
    case AVAHI_ERR_COLLISION:
        return QStringLiteral("Ce nom est déjà utilisé sur le réseau local.");
    case AVAHI_ERR_ACCESS_DENIED:
    case AVAHI_ERR_NOT_PERMITTED:
        return QStringLiteral("L’accès au réseau local a été refusé.");
    case AVAHI_ERR_NO_NETWORK:
        return QStringLiteral("Aucun réseau local n’est disponible.");
    case AVAHI_ERR_TIMEOUT:
        return QStringLiteral("Le réseau local ne répond pas.");
    case AVAHI_ERR_TOO_MANY_OBJECTS:
    case AVAHI_ERR_TOO_MANY_CLIENTS:
    case AVAHI_ERR_NO_MEMORY:
        return QStringLiteral("Le service de découverte du réseau local est saturé.");
    default:
        return QStringLiteral("Le service de découverte du réseau local a signalé une erreur.");
    }
}

NetError socketError(QAbstractSocket::SocketError error, const QString& technicalText)
{
    return NetError { NetError::Domain::socket, int(error), frenchDescription(error), technicalText };
}

NetError dnsServiceError(int avahiError)
{
    return NetError { NetError::Domain::dnsService, avahiError, frenchDnsServiceDescription(avahiError),
        QString::fromUtf8(avahi_strerror(avahiError)) };
}

NetError posixError(int errnoValue, const QString& technicalText)
{
    return NetError { NetError::Domain::posix, errnoValue, frenchDescription(errnoValue), technicalText };
}

} // namespace quavel
