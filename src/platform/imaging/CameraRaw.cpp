#include "platform/imaging/CameraRaw.h"

#include <QFileInfo>
#include <QSet>

namespace quavel::CameraRaw {

bool isCameraRaw(const QString& path)
{
    static const QSet<QString> extensions { QStringLiteral("raw"), QStringLiteral("dng"),
        QStringLiteral("cr2"), QStringLiteral("cr3"), QStringLiteral("nef"), QStringLiteral("arw"),
        QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("raf") };
    return extensions.contains(QFileInfo(path).suffix().toLower());
}

// The RAW developer (LibRaw) is not built yet: RAW photos read as unreadable files.
std::optional<FloatImage> decode(const QString&, std::optional<int>)
{
    return std::nullopt;
}

std::optional<QSize> orientedPixelSize(const QString&)
{
    return std::nullopt;
}

} // namespace quavel::CameraRaw
