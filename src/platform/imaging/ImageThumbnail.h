#pragma once

#include <QImage>
#include <QString>

// Photo thumbnails decoded from the full image, never from a preview embedded in the file. Thread-safe.
namespace quavel::ImageThumbnail {

// The photo turned upright by its orientation and scaled down to fit maxPixel × maxPixel (a smaller
// photo keeps its size), in sRGB. JPEG, PNG, TIFF and WebP are shrunk while they load; HEIF loads its
// primary image (its embedded thumbnail is a preview); camera RAW files are developed through LibRaw.
// A null image when the file cannot be read or decoded.
QImage fromFile(const QString& path, int maxPixel);

} // namespace quavel::ImageThumbnail
