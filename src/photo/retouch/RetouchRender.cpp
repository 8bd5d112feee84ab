#include "photo/retouch/RetouchKernels.h"
#include "photo/retouch/RetouchMaps.h"
#include "photo/retouch/RetouchPasses.h"
#include "photo/retouch/RetouchTiles.h"

#include "platform/imaging/RowPool.h"

#include <algorithm>
#include <vector>

namespace quavel::PhotoRetoucher::detail {

namespace {

struct Maps
{
    LumaMap shadow;
    LumaMap highlight;
    std::optional<double> localShadow;
    std::optional<double> localHighlight;
};

// Blurs the maps the plan asks for: the wide blurs from one reduced map at the finer of their
// reductions, the narrow ones left to the tiles.
Maps buildMaps(const FloatImage& image, const RetouchPlan& plan, float scale, float offset, Report* report)
{
    Maps maps;
    if (!plan.shadowsHighlights)
        return maps;
    auto wide = [&](const std::optional<double>& sigma) {
        return sigma && wholeImageMap(mapFactor(*sigma), image.size());
    };
    if (plan.shadowSigma && !wide(plan.shadowSigma))
        maps.localShadow = plan.shadowSigma;
    if (plan.highlightSigma && !wide(plan.highlightSigma))
        maps.localHighlight = plan.highlightSigma;
    if (report)
        report->maskBlurs += int(maps.localShadow.has_value()) + int(maps.localHighlight.has_value());
    if (!wide(plan.shadowSigma) && !wide(plan.highlightSigma))
        return maps;
    int factor = 1 << 30;
    for (const std::optional<double>& sigma : { plan.shadowSigma, plan.highlightSigma })
        if (wide(sigma))
            factor = std::min(factor, mapFactor(*sigma));
    const FloatPlane reduced = reducedLumaMap(image, scale, offset, factor);
    // The reduced maps are small: two are blurred side by side, each on one thread, rather than one
    // after the other on all of them (every parallel step waits for its slowest thread).
    std::vector<std::pair<double, LumaMap*>> blurs;
    if (wide(plan.shadowSigma))
        blurs.emplace_back(*plan.shadowSigma, &maps.shadow);
    if (wide(plan.highlightSigma))
        blurs.emplace_back(*plan.highlightSigma, &maps.highlight);
    const bool each = blurs.size() == 1;
    RowPool::run(
        int(blurs.size()),
        [&](int b0, int b1) {
            for (int b = b0; b < b1; ++b)
                *blurs[std::size_t(b)].second = blurMap(
                    reduced, factor, blurs[std::size_t(b)].first, image.width(), image.height(), each);
        },
        1);
    if (report)
        report->maskBlurs += int(blurs.size());
    return maps;
}

// What a rendering reads besides its pixels, its whole-image maps made.
Render renderOf(const RetouchPlan& plan, const PixelChain& chain, const Maps& maps)
{
    Render r { plan, chain, {}, maps.localShadow, maps.localHighlight, {} };
    if (!maps.shadow.isNull())
        r.wholeImage.shadow.reduced = &maps.shadow;
    if (!maps.highlight.isNull())
        r.wholeImage.highlight.reduced = &maps.highlight;
    if (maps.localShadow || maps.localHighlight)
        r.linear = linearLoad(chain.scale(), chain.offset());
    return r;
}

void render(const Render& r, const Pixels& pixels)
{
    if (r.needsNeighbours())
        renderTiles(r, pixels);
    else
        renderRows(r, pixels);
}

} // namespace

FloatImage renderFused(
    const FloatImage& image, const RetouchPlan& plan, const std::optional<Ends>& ends, Report* report)
{
    const PixelChain chain(plan, ends);
    const Maps maps = buildMaps(image, plan, chain.scale(), chain.offset(), report);
    const int w = image.width();
    const int h = image.height();
    FloatPlane r(w, h), g(w, h), b(w, h);
    const Pixels pixels { { image.plane(0).constData(), image.plane(1).constData(),
                              image.plane(2).constData() },
        { r.data(), g.data(), b.data() }, w, h, {} };
    render(renderOf(plan, chain, maps), pixels);
    return FloatImage(r, g, b, image.plane(FloatImage::Alpha), image.iccProfile());
}

FloatImage renderFusedInPlace(
    FloatImage image, const RetouchPlan& plan, const std::optional<Ends>& ends, Report* report)
{
    const PixelChain chain(plan, ends);
    const Maps maps = buildMaps(image, plan, chain.scale(), chain.offset(), report);
    const int w = image.width();
    const int h = image.height();
    FloatPlane planes[3] = { image.plane(0), image.plane(1), image.plane(2) };
    const FloatPlane alpha = image.plane(FloatImage::Alpha);
    const QByteArray profile = image.iccProfile();
    // Let go of the image: planes nobody else holds are then the rendering's own.
    image = FloatImage();
    const Render r = renderOf(plan, chain, maps);
    if (!r.needsNeighbours()) {
        // Each pixel from itself only: written over its input (planes shared elsewhere are copied first,
        // so that their other holders keep what they had).
        float* data[3] = { planes[0].data(), planes[1].data(), planes[2].data() };
        renderRows(r, Pixels { { data[0], data[1], data[2] }, { data[0], data[1], data[2] }, w, h, {} });
        return FloatImage(std::move(planes[0]), std::move(planes[1]), std::move(planes[2]), alpha, profile);
    }
    // Tiles read what their neighbours write: new planes, while the input's rows go back to the system as
    // soon as no tile will read them again, so that the two together stay about one image.
    FloatPlane out[3] = { FloatPlane(w, h), FloatPlane(w, h), FloatPlane(w, h) };
    Pixels pixels { { planes[0].constData(), planes[1].constData(), planes[2].constData() },
        { out[0].data(), out[1].data(), out[2].data() }, w, h, {} };
    int given = 0;
    pixels.consumed = [&](int rows) {
        bool all = true;
        for (FloatPlane& p : planes)
            all = p.releaseRows(given, rows) && all;
        given = rows;
        if (report && all)
            report->rowsGivenBack = rows;
    };
    renderTiles(r, pixels);
    return FloatImage(std::move(out[0]), std::move(out[1]), std::move(out[2]), alpha, profile);
}

FloatPlane blurredLumaMap(const FloatImage& image, float scale, float offset, double sigma)
{
    const int factor = mapFactor(sigma);
    if (!wholeImageMap(factor, image.size()))
        return tiledLumaMap(image, scale, offset, sigma);
    const LumaMap map
        = blurMap(reducedLumaMap(image, scale, offset, factor), factor, sigma, image.width(), image.height());
    FloatPlane out(image.width(), image.height());
    std::vector<float> scratch;
    for (int y = 0; y < image.height(); ++y)
        map.sample(y, 0, image.width(), out.row(y), scratch);
    return out;
}

} // namespace quavel::PhotoRetoucher::detail
