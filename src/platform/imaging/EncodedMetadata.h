#pragma once

#include <QByteArray>

// Internal to the imaging layer. libvips' JPEG and WebP writers always add a minimal EXIF block of
// their own; written photos carry no EXIF at all (their pixels are upright, orientation 1), so the block
// is cut out of the encoded bytes. Anything the functions do not understand is left as it is.
namespace quavel::EncodedMetadata {

// Removes every APP1 "Exif" segment before the first scan.
QByteArray withoutJpegExif(const QByteArray& jpeg);
// Removes the "EXIF" chunk, clears its flag in the "VP8X" header and fixes the RIFF size.
QByteArray withoutWebpExif(const QByteArray& webp);

} // namespace quavel::EncodedMetadata
