#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ReadFailure.h"

#include <QSize>
#include <QString>

#include <optional>

namespace quavel {

// Camera RAW photos: read for thumbnails, previews and printing, never written. ImageIO hands every file
// whose extension is a RAW one here instead of to libvips (whose TIFF reader would take a DNG's or a
// NEF's small preview for the photo).
namespace CameraRaw {

// "raw", "dng", "cr2", "cr3", "nef", "arw", "orf", "rw2", "raf": the RAW extensions among the photo files.
bool isCameraRaw(const QString& path);

// Same contract as ImageIO::decode and ImageIO::orientedPixelSize.
std::optional<FloatImage> decode(
    const QString& path, std::optional<int> maxPixelSize, ReadFailure* failure = nullptr);
std::optional<QSize> orientedPixelSize(const QString& path);

} // namespace CameraRaw

} // namespace quavel
