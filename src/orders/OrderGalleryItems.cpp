#include "orders/OrderGalleryItem.h"

#include "library/PhotoNumber.h"
#include "orders/OrderPaths.h"

#include <optional>

namespace quavel::OrderGalleryItems {

QList<OrderGalleryItem> items(const QList<OrderMedia>& files)
{
    QList<OrderGalleryItem> result;
    result.reserve(files.size() + files.size() / 8);
    // Each name is parsed once, as the file after its neighbour; it is then kept as the one before.
    std::optional<PhotoNumber> previousNumber;
    const OrderMedia* previous = nullptr;
    for (const OrderMedia& file : files) {
        std::optional<PhotoNumber> number;
        if (!file.isVideo)
            number = PhotoNumber::parse(OrderPaths::lastComponent(file.url));
        if (previous && !previous->isVideo && !file.isVideo && previousNumber && number) {
            const qint64 jump = number->value - previousNumber->value;
            if (jump >= numberJump || -jump >= numberJump)
                result.append({ OrderGalleryItem::Kind::separator, {}, previous->url + u'|' + file.url });
        }
        result.append({ OrderGalleryItem::Kind::media, file, {} });
        previous = &file;
        previousNumber = std::move(number);
    }
    return result;
}

} // namespace quavel::OrderGalleryItems
