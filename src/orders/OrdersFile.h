#pragma once

#include "orders/OrderWatermark.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {

// The content of the orders settings file. Every key is optional: a missing key and a null read as no
// value, unknown keys are ignored, and a value of the wrong type (or a watermark entry lacking one of
// its three keys, or retouch settings that do not decode) makes the whole file unreadable. A field
// without a value is left out when written; keys stand sorted in the file.
//
// "watermarkBookmark" and "watermarkName" are the older single-watermark form: read only to migrate a
// file without a watermark list, and written as a mirror of the selected (else first) watermark.
struct OrdersFile
{
    std::optional<QByteArray> rootBookmark;
    std::optional<QString> rootName;
    std::optional<QString> selectedFolderPath;
    std::optional<QByteArray> watermarkBookmark;
    std::optional<QString> watermarkName;
    std::optional<QList<OrderWatermark>> watermarks;
    std::optional<QString> selectedWatermarkID;
    std::optional<PhotoRetouchSettings> retouch;
    std::optional<QMap<QString, QString>> openWithApps;
    std::optional<QStringList> deliveredPaths;

    // Throws QuavelJSON::DecodingError for a file that does not read (malformed, too deeply nested,
    // wrong types).
    static OrdersFile decode(const QByteArray& bytes);
    QByteArray encode() const;

    // The paths ordered by the code points of their canonically composed forms (not by locale).
    static QStringList sortedPaths(const QSet<QString>& paths);

    bool operator==(const OrdersFile&) const = default;
};

} // namespace quavel
