#pragma once

#include <QImage>
#include <QString>

// Photo thumbnails decoded from the full image, never from a preview embedded in the file. Thread-safe.
namespace quavel::ImageThumbnail {

// What a damaged file gives.
enum class Damage {
    shown, // what decodes, as every viewer shows it (a gallery's thumbnail)
    refused, // nothing when the decode reports truncation or an error (a printed page)
};

// The photo turned upright by its orientation and scaled down to fit maxPixel × maxPixel (a smaller
// photo keeps its size), in sRGB. JPEG is shrunk while it loads (its DCT scaling), PNG, TIFF and WebP
// while they stream; HEIF loads its primary image (its embedded thumbnail is a preview); camera RAW files
// are developed through LibRaw. A null image when the file cannot be read or decoded, is not a regular
// file (opened without waiting: a FIFO or a device is never waited on), or would decode more pixels than
// PixelBudget allows (a JPEG counts the pixels of its reduced decode, other formats all they declare).
// Its decode holds its memory (DecodeMemory) in the budget of thumbnails and previews: it waits while the
// others hold too much, and a file whose decode alone would pass the budget gives a null image.
QImage fromFile(const QString& path, int maxPixel, Damage damage = Damage::shown);

} // namespace quavel::ImageThumbnail
