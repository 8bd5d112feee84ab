#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/RgbRow.h"

#include <array>
#include <functional>

namespace quavel::ColorFilters {

// Luma weights of the colour controls and of vibrance.
inline constexpr float kLumaR = 0.2125f, kLumaG = 0.7154f, kLumaB = 0.0721f;

// A new image whose colour planes are the input's, row by row, passed through fn (in place); alpha and
// profile are kept. A null image is returned as it is.
FloatImage mapRgb(const FloatImage& image, const std::function<void(const RgbRow&)>& fn);

// Each filter in its row form (in place) and its image form (a new image, alpha and profile kept, unless
// said otherwise). None clamps: values beyond 0…1 go on to the next filter.

// c · 2^ev on the encoded values.
void exposure(const RgbRow& row, float ev);
FloatImage exposure(const FloatImage& image, double ev);

// sign(c) · |c|^power: values that automatic contrast pushed below zero keep their sign.
void gamma(const RgbRow& row, float power);
FloatImage gamma(const FloatImage& image, double power);

// 1 − c on the colour channels.
void invert(const RgbRow& row);
FloatImage invert(const FloatImage& image);

// Saturation (lerp from the luma to the colour by saturation), then brightness (added), then contrast
// ((c − 0.5) · contrast + 0.5).
void colorControls(const RgbRow& row, float saturation, float brightness, float contrast);
FloatImage colorControls(const FloatImage& image, double saturation, double brightness, double contrast);

// A saturation change of amount (−1 to 1) weighted by 1 − the pixel's own saturation (max − min of its
// channels), so muted colours move most, saturated ones least and greys not at all.
void vibrance(const RgbRow& row, float amount);
FloatImage vibrance(const FloatImage& image, double amount);

// out = (R, G, B, A) · vector + bias for each output channel, the four vectors and the bias in channel
// order; an opaque input has alpha 1. Alpha stays as it was when its vector is (0, 0, 0, 1) without bias.
struct Matrix
{
    std::array<float, 4> red { 1, 0, 0, 0 };
    std::array<float, 4> green { 0, 1, 0, 0 };
    std::array<float, 4> blue { 0, 0, 1, 0 };
    std::array<float, 4> alpha { 0, 0, 0, 1 };
    std::array<float, 4> bias { 0, 0, 0, 0 };
};
FloatImage colorMatrix(const FloatImage& image, const Matrix& matrix);

// input where the mask is 1, background where it is 0, the lerp between (alpha too). The mask is one
// channel of the images' size; input and background have one size.
FloatImage blendWithMask(const FloatImage& input, const FloatImage& background, const FloatPlane& mask);

} // namespace quavel::ColorFilters
