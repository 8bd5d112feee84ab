#include "photo/retouch/PhotoRetoucher.h"

#include "photo/retouch/RetouchPasses.h"
#include "photo/retouch/RetouchPlan.h"

#include <new>

namespace quavel::PhotoRetoucher {

std::optional<FloatImage> apply(
    const PhotoRetouchSettings& settings, const FloatImage& image, Quality quality)
{
    return detail::apply(settings, image, quality, detail::Options());
}

std::optional<FloatImage> apply(const PhotoRetouchSettings& settings, FloatImage&& image, Quality quality)
{
    return detail::applyInPlace(settings, std::move(image), quality, detail::Options());
}

namespace detail {

namespace {

std::optional<FloatImage> rendered(const PhotoRetouchSettings& settings, FloatImage image, bool inPlace,
    Quality quality, const Options& options)
{
    if (settings.isNeutral())
        return image;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return std::nullopt;
    const RetouchPlan p = plan(settings, image.size(), quality);
    try {
        if (!options.kernels) {
            if (options.report)
                options.report->fallbacks = true;
            return renderWithFallbacks(image, p);
        }
        std::optional<Ends> ends;
        if (p.autoContrast) {
            QSize measured;
            ends = luminanceEnds(image, &measured);
            if (options.report)
                options.report->measured = measured;
        }
        if (inPlace)
            return renderFusedInPlace(std::move(image), p, ends, options.report);
        return renderFused(image, p, ends, options.report);
    } catch (const std::bad_alloc&) {
        // The rendering could not be made: as a failed render, nothing.
        return std::nullopt;
    }
}

} // namespace

std::optional<FloatImage> apply(
    const PhotoRetouchSettings& settings, const FloatImage& image, Quality quality, const Options& options)
{
    return rendered(settings, image, false, quality, options);
}

std::optional<FloatImage> applyInPlace(
    const PhotoRetouchSettings& settings, FloatImage image, Quality quality, const Options& options)
{
    return rendered(settings, std::move(image), true, quality, options);
}

} // namespace detail

} // namespace quavel::PhotoRetoucher
