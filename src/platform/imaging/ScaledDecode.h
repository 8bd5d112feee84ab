#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ImageIO.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTransform>

#include <optional>

// Decoding only what a scaled-down rendering of a photo needs, as the file streams in: the part of the
// upright photo it shows, reduced by lanczos3 as it is decoded, so that the full-size float image is
// never made. Thread-safe.
namespace quavel::ScaledDecode {

// The pixels of region (upright pixel coordinates; clipped to the photo) resampled to size, with the
// photo's ICC profile. Absent when the file cannot be read, or is not an 8-bit RGB or grey photo, or
// is a camera RAW file: the caller then decodes the whole photo (ImageIO::decode) instead.
std::optional<FloatImage> decodeRegion(const QString& path, const QRect& region, const QSize& size);

// An opaque canvas of canvasSize, black where the photo does not reach, with that resampled region drawn
// through regionToCanvas (pixel coordinates of the resampled region to canvas pixel coordinates, both
// top-left origins with pixel centres at half-integers), bilinear, composited over the black; all of
// it while the file streams in. The canvas carries the photo's ICC profile. Absent as decodeRegion.
std::optional<FloatImage> renderOnBlack(const QString& path, const QRect& region, const QSize& size,
    const QTransform& regionToCanvas, const QSize& canvasSize);

enum class Streamed { written, notApplicable, failed };

// The canvas of renderOnBlack with overlay laid over it at overlayAt (its own size, source over with its
// alpha, cut at the canvas's edges), streamed from the decoder straight into the file at path, encoded as
// ImageIO::encode writes (8-bit, the photo's profile and no other metadata), so that decoding, drawing and
// encoding overlap and no whole image is ever held. notApplicable as decodeRegion's absent (nothing
// written); failed when libvips or the file failed (a partial file may remain: write to a temporary name).
Streamed writeCanvas(const QString& source, const QRect& region, const QSize& size,
    const QTransform& regionToCanvas, const QSize& canvasSize, const FloatImage* overlay,
    const QPoint& overlayAt, const QString& path, ImageIO::Format format, double quality);

} // namespace quavel::ScaledDecode
