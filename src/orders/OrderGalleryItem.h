#pragma once

#include "orders/OrderMedia.h"
#include "orders/OrderSection.h"

#include <QList>
#include <QString>

namespace quavel {

// One entry of a section's strip: a file, or the number-jump mark between two neighbouring photos.
struct OrderGalleryItem
{
    enum class Kind { media, separator };

    Kind kind = Kind::media;
    OrderMedia media; // the file (media entries only)
    // "<path before>|<path after>" (separators only).
    QString separatorID;

    // A file's path, or "sep-" and the separator's id: never the identity of a file.
    QString id() const { return kind == Kind::media ? media.url : QStringLiteral("sep-") + separatorID; }
    bool isSeparator() const { return kind == Kind::separator; }
    bool operator==(const OrderGalleryItem&) const = default;
};

namespace OrderGalleryItems {

// Two neighbouring photos whose numbers differ by this much or more are apart by a mark.
inline constexpr qint64 numberJump = 6;

// Every file of the section once, in order, with a mark between two neighbouring photos (neither a
// video) whose file names both hold a number and whose numbers' values differ by numberJump or more, in
// either direction.
QList<OrderGalleryItem> items(const QList<OrderMedia>& files);
inline QList<OrderGalleryItem> items(const OrderSection& section)
{
    return items(section.files);
}

} // namespace OrderGalleryItems

} // namespace quavel
