#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/imaging/FloatImage.h"

#include <optional>

namespace quavel::PhotoRetoucher {

// preview is the crop editor's live preview only; full is every rendering written to a file. Quality
// changes only the caps on blur sizes and the sharpening gain.
enum class Quality { Preview, Full };

// Renders the settings onto the image: automatic contrast, exposure, shadows and highlights,
// brightness, the contrast curve, vibrance, saturation, gamma and sharpening, in that order, each
// skipped at its neutral value. Neutral settings give back the input image itself (the same planes,
// nothing rendered); an empty image gives nothing. The result keeps the input's size, alpha and ICC
// profile, its colour values clamped to [0, 1] as an 8-bit rendering would. Safe to call from several
// threads at once; the rows of one call run on the RowPool.
std::optional<FloatImage> apply(
    const PhotoRetouchSettings& settings, const FloatImage& image, Quality quality);

// The same rendering of an image handed over, for a caller that has no further use for the input (a
// write): it never holds much more than one full-size image. Each pixel is written over itself where the
// stages read no neighbours; otherwise the rendering goes to new planes while the input's rows are given
// back to the system as soon as they are read for the last time. Planes the image shares with another
// holder are neither written nor given back, so that holder keeps what it had. Gives the same pixels as
// the rendering above; when it gives nothing, the image handed over is lost.
std::optional<FloatImage> apply(const PhotoRetouchSettings& settings, FloatImage&& image, Quality quality);

} // namespace quavel::PhotoRetoucher
