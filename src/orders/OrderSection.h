#pragma once

#include "orders/OrderMedia.h"

#include <QList>
#include <QString>

namespace quavel {

// One section of an order: a sub-folder, or "Fichiers" for the media lying in the order folder itself
// (its `url` is then the order folder's). `files` keep the listing order.
struct OrderSection
{
    QString name;
    QString url;
    QList<OrderMedia> files;

    const QString& id() const { return url; }
    bool operator==(const OrderSection&) const = default;
};

} // namespace quavel
