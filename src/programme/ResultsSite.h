#pragma once

#include <QList>
#include <QString>
#include <QUuid>

namespace quavel {

// The results sites whose pages WebProgrammeParser reads. This one table gives the built-in
// favourites (title, address, fixed identifier) and the brand prefixes stripped from page titles.
struct ResultsSite
{
    // As the site writes it at the start of its page titles ("<brand> - <contest>").
    QString brandName;
    // Host name of the home page, "https://" + host with no path.
    QString host;
    // The identifier of the site's built-in favourite; never changes.
    QUuid favoriteID;

    QString homeURL() const { return QStringLiteral("https://") + host; }

    // In built-in favourite order.
    static const QList<ResultsSite>& builtIn();

    bool operator==(const ResultsSite&) const = default;
};

} // namespace quavel
