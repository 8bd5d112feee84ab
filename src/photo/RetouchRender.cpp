#include "photo/RetouchKernels.h"
#include "photo/RetouchMaps.h"
#include "photo/RetouchPasses.h"

#include "platform/imaging/DiscBlur.h"
#include "platform/imaging/GaussianBlur.h"
#include "platform/imaging/NoiseReduction.h"
#include "platform/imaging/PixelMath.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quavel::PhotoRetoucher::detail {

namespace {

struct Maps
{
    LumaMap shadow;
    LumaMap highlight;
};

// Blurs the maps the plan asks for, from one reduced map at the finer of their reductions.
Maps buildMaps(const FloatImage& image, const RetouchPlan& plan, float scale, float offset, Report* report)
{
    Maps maps;
    if (!plan.shadowsHighlights || (!plan.shadowSigma && !plan.highlightSigma))
        return maps;
    int factor = 1 << 30;
    for (const std::optional<double>& sigma : { plan.shadowSigma, plan.highlightSigma })
        if (sigma)
            factor = std::min(factor, mapFactor(*sigma));
    const FloatPlane reduced = reducedLumaMap(image, scale, offset, factor);
    // The reduced maps are small: two are blurred side by side, each on one thread, rather than one
    // after the other on all of them (every parallel step waits for its slowest thread).
    std::vector<std::pair<double, LumaMap*>> blurs;
    if (plan.shadowSigma)
        blurs.emplace_back(*plan.shadowSigma, &maps.shadow);
    if (plan.highlightSigma)
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

// The scratch a thread reuses from tile to tile.
struct TileScratch
{
    std::vector<float> work; // six planes: the chain's output (then the base), the blurred base
    ChainScratch chain;
};

TileScratch& tileScratch()
{
    thread_local TileScratch scratch;
    return scratch;
}

struct Output
{
    float* planes[3];
    int width;
};

void renderRows(const FloatImage& image, const PixelChain& chain, const Output& out)
{
    const int w = image.width();
    RowPool::run(image.height(), [&](int y0, int y1) {
        ChainScratch& scratch = tileScratch().chain;
        for (int y = y0; y < y1; ++y) {
            const std::size_t at = std::size_t(y) * w;
            const RgbRow row { out.planes[0] + at, out.planes[1] + at, out.planes[2] + at, w };
            chain.run(image, y, 0, row, scratch);
            clampRow(row);
        }
    });
}

// Sharpening needs neighbours: the image is cut into tiles, each rendered with a margin wide enough
// for the noise reduction and the blur, so that the useful part is exactly what the whole image
// would give. The margin is recomputed by the neighbouring tiles instead of kept.
void renderTiles(const FloatImage& image, const RetouchPlan& plan, const PixelChain& chain, const Output& out)
{
    const int w = image.width();
    const int h = image.height();
    int margin = plan.noiseReduction ? NoiseReduction::kReach : 0;
    if (plan.unsharp)
        margin += plan.discBlur ? DiscBlur::reach(plan.blurSize) : GaussianBlur::reach(plan.blurSize);
    const int side = std::max(256, (4 * margin + 31) / 32 * 32);
    const int across = (w + side - 1) / side;
    const int down = (h + side - 1) / side;
    RowPool::run(
        across * down,
        [&](int t0, int t1) {
            TileScratch& scratch = tileScratch();
            for (int t = t0; t < t1; ++t) {
                const int x0 = (t % across) * side;
                const int y0 = (t / across) * side;
                const int x1 = std::min(w, x0 + side);
                const int y1 = std::min(h, y0 + side);
                const int rx0 = std::max(0, x0 - margin);
                const int ry0 = std::max(0, y0 - margin);
                const int rw = std::min(w, x1 + margin) - rx0;
                const int rh = std::min(h, y1 + margin) - ry0;
                const std::size_t planeSize = std::size_t(rw) * rh;
                quavel::scratch(scratch.work, 6 * planeSize);
                PlaneView base[3], blurred[3];
                for (int c = 0; c < 3; ++c) {
                    base[c] = PlaneView { scratch.work.data() + c * planeSize, rw, rh, rw };
                    blurred[c] = PlaneView { scratch.work.data() + (3 + c) * planeSize, rw, rh, rw };
                }
                for (int y = 0; y < rh; ++y)
                    chain.run(image, ry0 + y, rx0,
                        RgbRow { base[0].row(y), base[1].row(y), base[2].row(y), rw }, scratch.chain);
                if (plan.noiseReduction)
                    NoiseReduction::apply(base, base, plan.noiseLevel, plan.noiseSharpness, false);
                if (plan.unsharp) {
                    for (int c = 0; c < 3; ++c) {
                        if (plan.discBlur)
                            DiscBlur::blur(base[c], blurred[c], plan.blurSize, false);
                        else
                            GaussianBlur::blur(base[c], blurred[c], plan.blurSize, false);
                    }
                }
                for (int y = y0; y < y1; ++y) {
                    const int ty = y - ry0;
                    const int tx = x0 - rx0;
                    const std::size_t at = std::size_t(y) * out.width + x0;
                    const RgbRow target { out.planes[0] + at, out.planes[1] + at, out.planes[2] + at,
                        x1 - x0 };
                    const RgbRow b { base[0].row(ty) + tx, base[1].row(ty) + tx, base[2].row(ty) + tx,
                        x1 - x0 };
                    if (plan.unsharp) {
                        const RgbRow blur { blurred[0].row(ty) + tx, blurred[1].row(ty) + tx,
                            blurred[2].row(ty) + tx, x1 - x0 };
                        unsharpRow(b, blur, plan.gain, plan.threshold, target);
                    } else {
                        std::memcpy(target.r, b.r, std::size_t(target.n) * sizeof(float));
                        std::memcpy(target.g, b.g, std::size_t(target.n) * sizeof(float));
                        std::memcpy(target.b, b.b, std::size_t(target.n) * sizeof(float));
                        clampRow(target);
                    }
                }
            }
        },
        1);
}

} // namespace

FloatImage renderFused(
    const FloatImage& image, const RetouchPlan& plan, const std::optional<Ends>& ends, Report* report)
{
    float scale = 1;
    float offset = 0;
    if (ends) {
        const float span = std::max(ends->hi - ends->lo, 0.004f);
        scale = 1 / span;
        offset = -ends->lo / span;
    }
    if (plan.exposure != 0) {
        scale *= std::exp2(plan.exposure);
        offset *= std::exp2(plan.exposure);
    }
    const Maps maps = buildMaps(image, plan, scale, offset, report);
    const PixelChain chain(plan, ends, maps.shadow.isNull() ? nullptr : &maps.shadow,
        maps.highlight.isNull() ? nullptr : &maps.highlight);

    const int w = image.width();
    const int h = image.height();
    FloatPlane r(w, h), g(w, h), b(w, h);
    const Output out { { r.data(), g.data(), b.data() }, w };
    if (plan.sharpen)
        renderTiles(image, plan, chain, out);
    else
        renderRows(image, chain, out);
    return FloatImage(r, g, b, image.plane(FloatImage::Alpha), image.iccProfile());
}

FloatPlane blurredLumaMap(const FloatImage& image, float scale, float offset, double sigma)
{
    const int factor = mapFactor(sigma);
    const LumaMap map
        = blurMap(reducedLumaMap(image, scale, offset, factor), factor, sigma, image.width(), image.height());
    FloatPlane out(image.width(), image.height());
    std::vector<float> scratch;
    for (int y = 0; y < image.height(); ++y)
        map.sample(y, 0, image.width(), out.row(y), scratch);
    return out;
}

} // namespace quavel::PhotoRetoucher::detail
