#pragma once

#include "platform/imaging/ReadFailure.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

// Internal to the imaging layer: camera RAW photos developed through LibRaw (CameraRaw is the public
// side). Thread-safe: every call has a decoder of its own.
namespace quavel::RawDecoder {

// A developed RAW photo: interleaved RGB rows without padding, sRGB, already turned upright.
struct Image
{
    int width = 0;
    int height = 0;
    int bitsPerSample = 8; // 8 or 16 (native byte order)
    QByteArray pixels;
};

// Develops the whole sensor image (never the preview the camera embedded), with the camera's white
// balance. With maxPixel set (a thumbnail's or a preview's size), the image may be developed at half its
// width and height, much faster, when that still leaves a long side of at least maxPixel. Absent when
// LibRaw cannot read the file (only a regular file is read, opened without waiting), or when the image to
// develop has more pixels than PixelBudget allows or holds more memory than its budget (refused from the
// header); failure then says why. With maxPixel set, the development waits for its memory in the budget
// of thumbnails and previews (DecodeBudget).
std::optional<Image> decode(
    const QString& path, int bitsPerSample = 16, int maxPixel = 0, ReadFailure* failure = nullptr);

// The size decode() gives at full size, upright, from the file's header alone.
std::optional<QSize> orientedSize(const QString& path);

} // namespace quavel::RawDecoder
