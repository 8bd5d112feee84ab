#pragma once

#include "platform/imaging/FloatImage.h"

#include <QByteArray>

#include <optional>

// Internal to the imaging layer: the JPEG writer of ImageIO::encode.
namespace quavel::JpegWriter {

// A baseline JPEG of the image's colour (alpha dropped), 8-bit, its ICC profile embedded, no EXIF; chroma
// subsampled 4:2:0 below quality 90 and kept whole from 90 up, as libvips does. The image is cut into
// horizontal strips on MCU boundaries that are compressed side by side on the RowPool and joined by
// restart markers: every strip starts its entropy coding afresh, as a restart interval does, so the file
// decodes exactly as one compressed in one piece would. quality 1 to 100. None when the image is too
// large for the format or the library fails.
std::optional<QByteArray> encode(const FloatImage& image, int quality);

// The same file written to fd as it is made: each strip goes out once it and those before it are
// compressed, so that the file is never held whole in memory. False when the image cannot be written
// or a write fails (part of the file may then have been written).
bool write(const FloatImage& image, int quality, int fd);

} // namespace quavel::JpegWriter
