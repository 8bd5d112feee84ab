#pragma once

#include <QtGlobal>

// How many pixels one decode may produce. The most expensive write (the photo decoded whole into float
// planes, retouched into them, cropped and drawn onto its print canvas or marked across its bottom, with
// what its steps keep alive and the float planes' kept blocks) costs kWriteBytesPerPixel bytes of memory
// per pixel of the photo at its peak; one write must stay under kWriteMemory. A step that decodes the
// whole photo refuses one of more pixels; a step that shrinks while it decodes (a JPEG's DCT scaling) is
// bounded by the pixels it decodes; in a format without shrink-on-load those are all the pixels the file
// declares. Checked from the header, before anything is decoded. Beside the pixels, every decode is
// charged with the memory its decoder holds (DecodeMemory): a write's within kWriteMemory, so that a
// progressive JPEG, whose decoder keeps its coefficients beside the float image, is allowed fewer pixels.
namespace quavel::PixelBudget {

// The peak resident size of the most expensive write divided by the photo's pixels, rounded up: a
// validated A4 crop with every retouch stage on and the watermark, of a 150-megapixel JPEG, 2.18 GB
// (14.6 bytes per pixel, the process's fixed share included; about 12.2 per added pixel, the float
// image itself taking 12). bench/photo_memory.cpp measures every full-size write.
inline constexpr double kWriteBytesPerPixel = 15.0;
inline constexpr double kWriteMemory = 3.0e9;
#ifdef QUAVEL_FUZZ_MAX_PIXELS
// The fuzz build's own budget, so that what it decodes stays within the fuzzer's memory and time limits.
inline constexpr qint64 kMaxPixels = QUAVEL_FUZZ_MAX_PIXELS;
#else
inline constexpr qint64 kMaxPixels = qint64(kWriteMemory / kWriteBytesPerPixel);
#endif

inline bool allows(qint64 pixels)
{
    return pixels <= kMaxPixels;
}

} // namespace quavel::PixelBudget
