#pragma once

#include <QString>
#include <QStringList>

// The rules by which peer (DNS-SD service) names are cleaned, compared and shown.
namespace quavel::PeerNames {

// Trimmed of white space and line breaks, then a final " (<digits>)" cut off (nothing trimmed after).
QString normalized(const QString& name);
// Cleaned names equal ignoring case.
bool match(const QString& a, const QString& b);
// The cleaned name with "QUAVEL iOS ", "QUAVEL Android " or "QUAVEL Mac " shown as "iPhone ",
// "Android " or "Mac ".
QString friendly(const QString& name);
// Trimmed, empty ones skipped, the first of each lower-cased cleaned name kept, input order kept.
QStringList unique(const QStringList& names);

} // namespace quavel::PeerNames
