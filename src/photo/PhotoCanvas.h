#pragma once

#include "platform/imaging/FloatImage.h"

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QTransform>

// The drawing steps of the composer on float images, row-parallel: a photo drawn through an affine map
// onto a black canvas, and a watermark laid over an image. Pure functions, callable from any thread.
namespace quavel::PhotoCanvas {

// The pixels of image inside region (clipped to the image), sharing nothing with it (Resample::lanczos3
// reads a region without this copy).
FloatImage cropped(const FloatImage& image, const QRect& region);

// An opaque canvas of canvasSize, black where the photo does not cover it, with the photo drawn through
// imageToCanvas (photo pixel coordinates to canvas pixel coordinates, top-left origins), bilinear and
// composited over the black (the photo's alpha darkens towards black). The canvas keeps the photo's ICC
// profile: its values are the photo's own.
FloatImage drawOnBlack(const FloatImage& image, const QTransform& imageToCanvas, const QSize& canvasSize);

// image with overlay drawn into target (canvas coordinates, top-left origin) without interpolation
// (overlay's pixels stretched to the rectangle by the nearest one), clipped to the image, source over
// with the overlay's own alpha. The result keeps image's alpha (or opacity) and profile. An image handed
// over by move is drawn on in place (its planes are not copied unless shared elsewhere).
FloatImage drawOver(FloatImage image, const FloatImage& overlay, const QRectF& target);

// drawOver(image, Resample::lanczos3(overlay, size), target), the resampled overlay made and drawn band
// after band instead of whole: a watermark scaled to a photo's width would cost a good part of the photo.
FloatImage drawOverResampled(
    FloatImage image, const FloatImage& overlay, const QSize& size, const QRectF& target);

} // namespace quavel::PhotoCanvas
