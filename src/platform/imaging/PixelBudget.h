#pragma once

#include <QtGlobal>

// How many pixels one decode may produce. The most expensive write (the photo decoded whole into float
// planes, retouched, cropped and drawn onto its print canvas, with the planes its steps keep alive and the
// float planes' block cache) costs kWriteBytesPerPixel bytes of memory per pixel of the photo at its
// peak; one write must stay under kWriteMemory. A step that decodes the whole photo refuses one of more
// pixels; a step that shrinks while it decodes (a JPEG's DCT scaling) is bounded by the pixels it
// decodes; in a format without shrink-on-load those are all the pixels the file declares. Checked from
// the header, before anything is decoded.
namespace quavel::PixelBudget {

// The peak resident size of the most expensive write divided by the photo's pixels: a validated crop
// with every retouch stage on and the watermark, of a 96-megapixel photo (3.67 GB; a full-size retouch
// alone takes 2.5 GB). bench/photo_memory.cpp measures it.
inline constexpr double kWriteBytesPerPixel = 38.5;
inline constexpr double kWriteMemory = 3.0e9;
inline constexpr qint64 kMaxPixels = qint64(kWriteMemory / kWriteBytesPerPixel);

inline bool allows(qint64 pixels)
{
    return pixels <= kMaxPixels;
}

} // namespace quavel::PixelBudget
