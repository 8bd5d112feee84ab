#pragma once

#include <QByteArray>

// Internal to the imaging layer. libvips' WebP writer always adds a minimal EXIF block of its own;
// written photos carry no EXIF at all (their pixels are upright, orientation 1), so the block is cut out
// of the encoded bytes. Anything the function does not understand is left as it is.
namespace quavel::EncodedMetadata {

// Removes the "EXIF" chunk, clears its flag in the "VP8X" header and fixes the RIFF size.
QByteArray withoutWebpExif(const QByteArray& webp);

} // namespace quavel::EncodedMetadata
