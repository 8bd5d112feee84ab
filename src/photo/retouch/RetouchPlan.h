#pragma once

#include "photo/retouch/PhotoRetoucher.h"
#include "platform/imaging/ToneCurve.h"

#include <QSize>

#include <array>
#include <optional>

// The retoucher's inner parts, shared by its source files and open to the tests: the numbers a
// rendering uses, the black and white points, and the masked-exposure fallback.
namespace quavel::PhotoRetoucher::detail {

// Every number of a rendering, worked out from the settings and the image's size before any pixel.
struct RetouchPlan
{
    int maxSide = 0;

    bool autoContrast = false;
    float exposure = 0; // EV, 0 when skipped

    bool shadowsHighlights = false;
    float shadowAmount = 0; // s, clamped to [-1, 1]
    float highlightAmount = 0; // h
    float shadowWidth = 0; // sw
    float highlightWidth = 0; // hw
    // Sigma of each mask's blur; none for a map used unblurred. sharedMaps: the highlights take the
    // shadows' map (no blur of their own).
    std::optional<double> shadowSigma;
    std::optional<double> highlightSigma;
    bool sharedMaps = false;

    bool brightness = false;
    float brightnessAmount = 0; // clamped to [-1, 1]

    std::optional<std::array<ToneCurve::Point, 5>> curvePoints;

    bool vibrance = false;
    float vibranceAmount = 0;
    bool saturation = false;
    float saturationFactor = 1;
    bool gamma = false;
    float gammaPower = 1;

    bool sharpen = false;
    bool noiseReduction = false;
    float noiseLevel = 0;
    float noiseSharpness = 0;
    bool unsharp = false; // false when the amount is 0.001 or less: only the noise reduction runs
    double radius = 0; // r, in pixels of this image
    bool discBlur = false;
    double blurSize = 0; // disc radius or gaussian sigma, capped for the quality
    float gain = 0; // k
    float threshold = 0;
};

RetouchPlan plan(const PhotoRetouchSettings& settings, QSize size, Quality quality);

// The mask blur for a radius in pixels of a 3000-pixel long side: none at 0.25 or less.
std::optional<double> maskSigma(double radius, int maxSide, Quality quality);

// The size of the copy on which the black and white points are measured.
QSize measuredSize(QSize imageSize);

// The histogram's black and white points in linear light, none when they are less than 0.04 apart.
struct Ends
{
    float lo;
    float hi;
};
std::optional<Ends> luminanceEnds(const FloatImage& image, QSize* measured = nullptr);

// The bin fraction of a histogram at p, as the retoucher walks it.
float percentile(const std::array<quint32, 256>& bins, double p);

// The exposure of ev blended in through a blurred luma mask of the shadows (or highlights).
FloatImage blendExposure(const FloatImage& image, float ev, bool shadows);

// What a rendering did, for the tests.
struct Report
{
    QSize measured; // histogram size, when automatic contrast ran
    int maskBlurs = 0; // blurs made for the shadow and highlight maps
    bool fallbacks = false; // the stages that stand in for the kernels ran
    int rowsGivenBack = 0; // input rows a rendering of an image handed over gave back to the system
};

struct Options
{
    // False renders as without the custom kernels: every stage that uses one takes its fallback.
    bool kernels = true;
    Report* report = nullptr;
};

std::optional<FloatImage> apply(
    const PhotoRetouchSettings& settings, const FloatImage& image, Quality quality, const Options& options);
// The same written into the image's own planes (PhotoRetoucher::apply of an image handed over).
std::optional<FloatImage> applyInPlace(
    const PhotoRetouchSettings& settings, FloatImage image, Quality quality, const Options& options);

} // namespace quavel::PhotoRetoucher::detail
