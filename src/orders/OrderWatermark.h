#pragma once

#include <QByteArray>
#include <QString>

namespace quavel {

// One watermark image of the orders store's list. `id` is an upper-case UUID text made when the entry
// is created (its key in the list, the selection and the resolved URLs); `bookmark` finds the image
// file again.
struct OrderWatermark
{
    QString id;
    QString name;
    QByteArray bookmark;

    bool operator==(const OrderWatermark&) const = default;
};

} // namespace quavel
