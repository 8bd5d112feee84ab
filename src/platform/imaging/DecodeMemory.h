#pragma once

#include "platform/imaging/JpegFrame.h"

#include <QtGlobal>

#include "platform/imaging/Vips.h"

#include <optional>

// Internal to the imaging layer: the memory one decode holds at its peak, known from the file's
// structure and header before anything is decoded, so that every decode is charged with what it really
// holds rather than with the pixels it hands on. A JPEG of several scans (a progressive one) is the
// case in point: libjpeg keeps every coefficient of the photo until its last scan, whatever the size it
// then decodes at, so that a 200-megapixel progressive JPEG of one megabyte holds 1.2 GB for a thumbnail
// of 480 pixels. The one place these charges are computed; thread-safe.
namespace quavel::DecodeMemory {

// The float image a whole decode fills: three planes of floats.
inline constexpr qint64 kFloatBytesPerPixel = 12;

// libjpeg's coefficients of a JPEG read in several scans: every 8 × 8 block of every component (whole
// MCUs), two bytes a coefficient; 0 for a JPEG of one scan, decoded a row of blocks at a time. width and
// height stand for the frame's when its structural check could not read them.
qint64 jpegCoefficients(const JpegFrame& frame, int width, int height);

// What a read that shrinks (a thumbnail, a preview, a printed page) holds: the coefficients, and the
// samples decoded at the reduced scale it decodes at (a JPEG's DCT scaling; all the pixels the header
// declares in a format without shrink-on-load, whose decoders mostly hold the whole image).
qint64 shrinkingRead(const JpegFrame& frame, const vips::VImage& header, std::optional<int> maxSide);

// What a write holds at its peak when it decodes that many pixels of the file: the float image and what
// its steps keep (PixelBudget::kWriteBytesPerPixel a pixel), or, while the photo is decoded, the float
// image beside the decoder's coefficients, whichever is more.
qint64 write(const JpegFrame& frame, qint64 pixels, int width, int height);

// What reading a BMP of that many pixels holds: Qt's image, its 8-bit copy and libvips' own.
qint64 bmp(qint64 pixels);

// What LibRaw holds to develop a camera RAW photo: the sensor's samples (16 bits each), its 16-bit
// four-channel working image of the developed pixels, and the developed image it hands over and our
// copy of it, at bytesPerSample.
qint64 raw(qint64 sensorPixels, qint64 developedPixels, int bytesPerSample);

} // namespace quavel::DecodeMemory
