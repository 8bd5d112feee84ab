#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ReadFailure.h"

#include <QSize>
#include <QString>

#include <optional>

namespace quavel {

// Reading and writing photo files, over libvips (camera RAW files go to CameraRaw). Every function is
// safe to call from several threads at once and never throws: an unreadable file gives nothing, a failed
// write gives false. Nothing is cached between calls, so a photo rewritten in place is read anew. Only
// regular files are read, opened without ever waiting (RegularFile): a FIFO or a device under a photo's
// name is an unreadable file.
namespace ImageIO {

enum class Format { Jpeg, Png, Tiff, Heif, WebP };

// The image with its orientation applied (so its pixels are upright, orientation 1) and its ICC profile
// kept. With maxPixelSize, the long side is at most that many pixels (never enlarged), decoded with the
// format's shrink-on-load where it has one. Grey images come back as RGB, 16-bit samples as floats of
// the same range, CMYK converted to sRGB.
// Strict, as the decodes of the writes must be: a file whose decode reports truncation or an error
// gives nothing (mere warnings, which cameras and editors leave in files every viewer shows whole, are
// accepted), and so does a file whose decode would pass PixelBudget (the pixels the file declares, or
// with maxPixelSize those its shrink-on-load decodes), refused from its header. Every decode is charged
// with the memory it holds (DecodeMemory): a whole one against one write's memory (PixelBudget), refused
// past it; one with maxPixelSize (a preview) in the budget the thumbnails and previews share
// (DecodeBudget), waiting its turn there, refused when it alone would pass it. failure, when given, says
// why nothing came.
std::optional<FloatImage> decode(
    const QString& path, std::optional<int> maxPixelSize = std::nullopt, ReadFailure* failure = nullptr);

// The upright pixel size (width and height swapped for the orientations that turn the image a quarter),
// read from the header without decoding the pixels.
std::optional<QSize> orientedPixelSize(const QString& path);

// The memory a whole decode of the file holds at its peak (DecodeMemory), read from its header, as decode
// charges it against one write's memory.
std::optional<qint64> wholeDecodeBytes(const QString& path);

// Writes the image as 8-bit samples in its own colour space, its ICC profile embedded, no EXIF, XMP or
// IPTC (so orientation 1). quality (0 to 1) counts for JPEG, HEIF and WebP. JPEG drops alpha; the others
// keep it. False when the file could not be written (a partial file may then remain: callers write to a
// temporary name and rename).
bool encode(const FloatImage& image, const QString& path, Format format, double quality = 0.97);

// The written format for a file name: "png", "tif"/"tiff", "heic"/"heif", "webp" by their lower-cased
// extension, JPEG for everything else.
Format formatForPath(const QString& path);

} // namespace ImageIO

} // namespace quavel
