#include "photo/retouch/RetouchTiles.h"

#include "photo/retouch/RetouchMaps.h"

#include "platform/imaging/DiscBlur.h"
#include "platform/imaging/GaussianBlur.h"
#include "platform/imaging/NoiseReduction.h"
#include "platform/imaging/RowPool.h"
#include "platform/imaging/Scratch.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace quavel::PhotoRetoucher::detail {

namespace {

// The scratch a thread reuses from row to row and tile to tile.
struct TileScratch
{
    std::vector<float> work; // six planes: the chain's output (then the base), the blurred base
    std::vector<float> maps; // three planes: the tile's luma map, its shadow and highlight blurs
    std::vector<float> row; // an input row copied aside
    ChainScratch chain;
};

TileScratch& tileScratch()
{
    thread_local TileScratch scratch;
    return scratch;
}

// The input rows a tile reads.
struct RowSource
{
    const float* planes[3] = {};
    int width = 0;

    const float* row(int c, int y) const { return planes[c] + std::size_t(y) * std::size_t(width); }
};

// Where a tile's results go.
struct Output
{
    float* planes[3] = {};
    int width = 0;

    float* row(int c, int y) const { return planes[c] + std::size_t(y) * std::size_t(width); }
};

struct Geometry
{
    int sharpenMargin = 0; // around the useful part: what the noise reduction and the blur read
    int mapMargin = 0; // around that: what the tile's own maps read
    int side = 0;
    int across = 0;
    int down = 0;

    Geometry(const RetouchPlan& plan, std::optional<double> shadowSigma, std::optional<double> highlightSigma,
        int width, int height)
    {
        if (plan.sharpen) {
            sharpenMargin = plan.noiseReduction ? NoiseReduction::kReach : 0;
            if (plan.unsharp)
                sharpenMargin
                    += plan.discBlur ? DiscBlur::reach(plan.blurSize) : GaussianBlur::reach(plan.blurSize);
        }
        for (const std::optional<double>& sigma : { shadowSigma, highlightSigma })
            if (sigma)
                mapMargin = std::max(mapMargin, GaussianBlur::reach(*sigma));
        side = std::max(256, (4 * margin() + 31) / 32 * 32);
        across = (width + side - 1) / side;
        down = (height + side - 1) / side;
    }

    // How far above and below its useful part a tile reads the input.
    int margin() const { return sharpenMargin + mapMargin; }
};

// What a tile's own maps are made from.
struct LocalMaps
{
    const SampledFunction& linear;
    float scale;
    float offset;
    std::optional<double> shadowSigma;
    std::optional<double> highlightSigma;
};

// The tile's own full-resolution maps over the area [x0, x1) × [y0, y1) its chain runs on, blurred from
// the luma of the input around it.
void localMaps(const LocalMaps& r, const RowSource& in, int width, int height, int x0, int y0, int x1, int y1,
    int margin, TileScratch& scratch, ChainMaps& maps)
{
    const int mx0 = std::max(0, x0 - margin);
    const int my0 = std::max(0, y0 - margin);
    const int mw = std::min(width, x1 + margin) - mx0;
    const int mh = std::min(height, y1 + margin) - my0;
    const std::size_t planeSize = std::size_t(mw) * std::size_t(mh);
    float* memory = quavel::scratch(scratch.maps, 3 * planeSize);
    const PlaneView luma { memory, mw, mh, mw };
    float* work = quavel::scratch(scratch.row, std::size_t(mw));
    const float scale = r.scale;
    const float offset = r.offset;
    for (int y = 0; y < mh; ++y) {
        const float* row[3]
            = { in.row(0, my0 + y) + mx0, in.row(1, my0 + y) + mx0, in.row(2, my0 + y) + mx0 };
        lumaRow(row, mw, r.linear, scale, offset, luma.row(y), work);
    }
    int next = 1;
    auto blurred = [&](double sigma) {
        const PlaneView view { memory + std::size_t(next++) * planeSize, mw, mh, mw };
        GaussianBlur::blur(luma, view, sigma, false);
        return MapSource { nullptr, view, mx0, my0 };
    };
    if (r.shadowSigma)
        maps.shadow = blurred(*r.shadowSigma);
    if (r.highlightSigma)
        maps.highlight = blurred(*r.highlightSigma);
}

// Renders the useful part [x0, x1) × [y0, y1) of one tile into out.
void renderTile(const Render& r, const Geometry& g, const RowSource& in, int width, int height, int x0,
    int y0, int x1, int y1, const Output& out, TileScratch& scratch)
{
    const RetouchPlan& plan = r.plan;
    const int margin = g.sharpenMargin;
    const int rx0 = std::max(0, x0 - margin);
    const int ry0 = std::max(0, y0 - margin);
    const int rw = std::min(width, x1 + margin) - rx0;
    const int rh = std::min(height, y1 + margin) - ry0;
    ChainMaps maps = r.wholeImage;
    if (r.localShadowSigma || r.localHighlightSigma)
        localMaps({ r.linear, r.chain.scale(), r.chain.offset(), r.localShadowSigma, r.localHighlightSigma },
            in, width, height, rx0, ry0, rx0 + rw, ry0 + rh, g.mapMargin, scratch, maps);

    const std::size_t planeSize = std::size_t(rw) * rh;
    quavel::scratch(scratch.work, 6 * planeSize);
    PlaneView base[3], blurred[3];
    for (int c = 0; c < 3; ++c) {
        base[c] = PlaneView { scratch.work.data() + c * planeSize, rw, rh, rw };
        blurred[c] = PlaneView { scratch.work.data() + (3 + c) * planeSize, rw, rh, rw };
    }
    for (int y = 0; y < rh; ++y) {
        const float* row[3]
            = { in.row(0, ry0 + y) + rx0, in.row(1, ry0 + y) + rx0, in.row(2, ry0 + y) + rx0 };
        r.chain.run(row, ry0 + y, rx0, RgbRow { base[0].row(y), base[1].row(y), base[2].row(y), rw },
            scratch.chain, maps);
    }
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
        const RgbRow target { out.row(0, y) + x0, out.row(1, y) + x0, out.row(2, y) + x0, x1 - x0 };
        const RgbRow b { base[0].row(ty) + tx, base[1].row(ty) + tx, base[2].row(ty) + tx, x1 - x0 };
        if (plan.unsharp) {
            const RgbRow blur { blurred[0].row(ty) + tx, blurred[1].row(ty) + tx, blurred[2].row(ty) + tx,
                x1 - x0 };
            unsharpRow(b, blur, plan.gain, plan.threshold, target);
        } else {
            std::memcpy(target.r, b.r, std::size_t(target.n) * sizeof(float));
            std::memcpy(target.g, b.g, std::size_t(target.n) * sizeof(float));
            std::memcpy(target.b, b.b, std::size_t(target.n) * sizeof(float));
            clampRow(target);
        }
    }
}

} // namespace

void renderRows(const Render& r, const Pixels& px)
{
    const int w = px.width;
    RowPool::run(px.height, [&](int y0, int y1) {
        TileScratch& scratch = tileScratch();
        for (int y = y0; y < y1; ++y) {
            const std::size_t at = std::size_t(y) * w;
            const float* in[3] = { px.in[0] + at, px.in[1] + at, px.in[2] + at };
            if (px.inPlace()) {
                float* copy = quavel::scratch(scratch.row, 3 * std::size_t(w));
                for (int c = 0; c < 3; ++c) {
                    std::memcpy(copy + std::size_t(c) * w, in[c], std::size_t(w) * sizeof(float));
                    in[c] = copy + std::size_t(c) * w;
                }
            }
            const RgbRow row { px.out[0] + at, px.out[1] + at, px.out[2] + at, w };
            r.chain.run(in, y, 0, row, scratch.chain, r.wholeImage);
            clampRow(row);
        }
    });
}

void renderTiles(const Render& r, const Pixels& px)
{
    const int w = px.width;
    const int h = px.height;
    const Geometry g(r.plan, r.localShadowSigma, r.localHighlightSigma, w, h);
    RowSource source;
    source.width = w;
    std::copy_n(px.in, 3, source.planes);
    const Output out { { px.out[0], px.out[1], px.out[2] }, w };
    // Tiles are claimed in order, a row of tiles after the other. Once every row of tiles down to one is
    // done, no tile left reads the input above that row's margin: those rows are handed to consumed.
    std::vector<int> remaining(std::size_t(g.down), g.across);
    int frontier = 0; // rows of tiles all done from the top
    int given = 0; // input rows handed to consumed
    std::mutex mutex;
    RowPool::run(
        g.across * g.down,
        [&](int t0, int t1) {
            for (int t = t0; t < t1; ++t) {
                const int x0 = (t % g.across) * g.side;
                const int y0 = (t / g.across) * g.side;
                renderTile(r, g, source, w, h, x0, y0, std::min(w, x0 + g.side), std::min(h, y0 + g.side),
                    out, tileScratch());
                if (!px.consumed)
                    continue;
                std::lock_guard lock(mutex);
                if (--remaining[std::size_t(t / g.across)] > 0)
                    continue;
                while (frontier < g.down && remaining[std::size_t(frontier)] == 0)
                    ++frontier;
                const int rows = frontier == g.down ? h : std::max(0, frontier * g.side - g.margin());
                if (rows > given) {
                    px.consumed(rows);
                    given = rows;
                }
            }
        },
        1);
}

FloatPlane tiledLumaMap(const FloatImage& image, float scale, float offset, double sigma)
{
    const int w = image.width();
    const int h = image.height();
    const Geometry g(RetouchPlan(), sigma, std::nullopt, w, h);
    const SampledFunction linear = linearLoad(scale, offset);
    RowSource source;
    source.width = w;
    for (int c = 0; c < 3; ++c)
        source.planes[c] = image.plane(c).constData();
    FloatPlane out(w, h);
    RowPool::run(
        g.across * g.down,
        [&](int t0, int t1) {
            for (int t = t0; t < t1; ++t) {
                const int x0 = (t % g.across) * g.side;
                const int y0 = (t / g.across) * g.side;
                const int x1 = std::min(w, x0 + g.side);
                const int y1 = std::min(h, y0 + g.side);
                ChainMaps maps;
                localMaps({ linear, scale, offset, sigma, std::nullopt }, source, w, h, x0, y0, x1, y1,
                    g.mapMargin, tileScratch(), maps);
                for (int y = y0; y < y1; ++y)
                    std::memcpy(out.row(y) + x0,
                        maps.shadow.local.row(y - maps.shadow.top) + (x0 - maps.shadow.left),
                        std::size_t(x1 - x0) * sizeof(float));
            }
        },
        1);
    return out;
}

} // namespace quavel::PhotoRetoucher::detail
