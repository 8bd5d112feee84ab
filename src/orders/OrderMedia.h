#pragma once

#include <QString>

namespace quavel {

// One photo or video of a section. `url` is the file's absolute path, as listed; `isVideo` tells the
// video extensions from the photo ones.
struct OrderMedia
{
    QString url;
    bool isVideo = false;

    const QString& id() const { return url; }
    bool operator==(const OrderMedia&) const = default;
};

} // namespace quavel
