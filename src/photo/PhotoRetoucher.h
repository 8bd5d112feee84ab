#pragma once

#include "photo/PhotoRetouchSettings.h"
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

} // namespace quavel::PhotoRetoucher
