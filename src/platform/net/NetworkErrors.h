#pragma once

#include "platform/net/NetError.h"

#include <QAbstractSocket>
#include <QString>

namespace quavel {

// The French text a photographer sees when a socket operation fails.
QString frenchDescription(QAbstractSocket::SocketError error);
// The French text of an Avahi (DNS-SD daemon) error code.
QString frenchDnsServiceDescription(int avahiError);

NetError socketError(QAbstractSocket::SocketError error, const QString& technicalText);
NetError dnsServiceError(int avahiError);
NetError posixError(int errnoValue, const QString& technicalText);

} // namespace quavel
