#pragma once

#include <QNetworkReply>
#include <QString>

namespace quavel {

// The French text a photographer sees when a web request fails; Qt's own error strings are English.
QString frenchDescription(QNetworkReply::NetworkError error);

} // namespace quavel
