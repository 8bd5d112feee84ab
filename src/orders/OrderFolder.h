#pragma once

#include <QString>

namespace quavel {

// One order: a direct sub-folder of the orders root. A plain value; `url` is the folder's absolute
// path, as listed.
struct OrderFolder
{
    QString name;
    QString url;

    const QString& id() const { return url; }
    bool operator==(const OrderFolder&) const = default;
};

} // namespace quavel
