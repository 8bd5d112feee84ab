#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ReadFailure.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QTransform>

#include <optional>

// Renderings that show a photo scaled down without retouching it first (the print canvas of a crop),
// decoded only as far as they need: the full-size float image is never made. A JPEG is decoded at a
// reduced size by its own DCT scaling; other formats are reduced by lanczos3 while they decode.
// Thread-safe.
namespace quavel::ScaledDecode {

// What is to be drawn: the upright photo through imageToCanvas (upright photo pixel coordinates to
// canvas pixel coordinates, top-left origins, pixel centres at half-integers) onto a canvas of
// canvasSize, where region (upright photo pixels) holds every part of the photo the canvas shows and
// scale (below 1) is how much the canvas reduces the photo.
struct Drawing
{
    QTransform imageToCanvas;
    QRect region;
    double scale = 1;
    QSize canvasSize;
};

// The part of the photo the drawing shows, reduced to about the canvas's scale (never below it), with
// the photo's ICC profile, and the map from its pixels to the canvas.
struct Reduced
{
    FloatImage image;
    QTransform toCanvas;
};

// Absent without a failure when the photo is not one this decode takes (not an 8-bit RGB or grey photo,
// a camera RAW file): the caller then decodes the whole photo (ImageIO::decode) instead. Absent with the
// failure set when the photo cannot be read: not a regular file (never waited on), damaged (a strict
// read, as ImageIO::decode: truncation and decoding errors fail it, warnings do not), or more pixels to
// decode than PixelBudget allows (a JPEG counts those of its DCT-scaled decode, other formats all their
// pixels) or more memory to hold than one write's (a progressive JPEG's coefficients at full size;
// DecodeMemory), refused from the header.
std::optional<Reduced> decode(
    const QString& source, const Drawing& drawing, std::optional<ReadFailure>* failure = nullptr);

} // namespace quavel::ScaledDecode
