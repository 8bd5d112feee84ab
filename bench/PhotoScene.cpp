#include "PhotoScene.h"

#include "platform/imaging/Vips.h"
#include "platform/imaging/VipsSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include <unistd.h>

namespace quavel::bench {

namespace {

// A well-mixed 32-bit hash of a lattice point and a channel: the scene's only source of randomness, so
// that any row can be made on any thread and the file is the same every time.
uint32_t hash(uint32_t x, uint32_t y, uint32_t salt)
{
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ salt * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

float unit(uint32_t h)
{
    return float(h >> 8) * (1.0f / 16777216.0f);
}

// Smoothly interpolated lattice noise in [0, 1) with cells of `cell` pixels.
float valueNoise(float x, float y, float cell, uint32_t salt)
{
    const float fx = x / cell;
    const float fy = y / cell;
    const float ix = std::floor(fx);
    const float iy = std::floor(fy);
    float tx = fx - ix;
    float ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const auto cx = uint32_t(int32_t(ix));
    const auto cy = uint32_t(int32_t(iy));
    const float a = unit(hash(cx, cy, salt));
    const float b = unit(hash(cx + 1, cy, salt));
    const float c = unit(hash(cx, cy + 1, salt));
    const float d = unit(hash(cx + 1, cy + 1, salt));
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}

// About a unit normal deviate from the four bytes of one hash (the sum of four uniforms, rescaled).
float grain(uint32_t x, uint32_t y, uint32_t salt)
{
    const uint32_t h = hash(x, y, salt);
    const float sum = float(h & 0xff) + float((h >> 8) & 0xff) + float((h >> 16) & 0xff) + float(h >> 24);
    return (sum / 255.0f - 2.0f) * 1.7320508f;
}

struct Rgb
{
    float r, g, b;
};

Rgb mix(Rgb a, Rgb b, float t)
{
    return { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t };
}

struct Scene
{
    int width;
    int height;
    uint32_t seed;

    // The colour of the scene at a pixel, before sensor noise.
    Rgb at(int px, int py) const
    {
        const float x = float(px);
        const float y = float(py);
        const float u = x / float(width);
        const float v = y / float(height);
        const float side = float(std::max(width, height));

        // Poles of two jumps: red and white stripes between blue stands, hard edges.
        const auto jump
            = [&](float left, float right, float top, float bottom, float standTop) -> const Rgb* {
            static const Rgb red { 190, 30, 35 };
            static const Rgb white { 235, 235, 228 };
            static const Rgb blue { 30, 60, 150 };
            const float standWidth = 0.012f;
            if (v >= standTop && v <= bottom + 0.12f
                && ((u >= left - standWidth && u < left) || (u > right && u <= right + standWidth)))
                return &blue;
            if (u >= left && u <= right && v >= top && v <= bottom)
                return int((u - left) / 0.03f) % 2 ? &white : &red;
            return nullptr;
        };
        if (const Rgb* c = jump(0.18f, 0.62f, 0.60f, 0.615f, 0.50f))
            return *c;
        if (const Rgb* c = jump(0.66f, 0.86f, 0.47f, 0.478f, 0.42f))
            return *c;

        // A horse and its rider: a glossy brown body, a dark jacket and a white shirt.
        const float hx = (u - 0.42f) / 0.13f;
        const float hy = (v - 0.50f) / 0.075f;
        if (hx * hx + hy * hy < 1) {
            const float sheen
                = 0.75f + 0.35f * (1 - hy) * 0.5f + 0.15f * valueNoise(x, y, side / 60, seed + 11);
            return { 105 * sheen, 62 * sheen, 32 * sheen };
        }
        const float rx = (u - 0.43f) / 0.025f;
        const float ry = (v - 0.40f) / 0.06f;
        if (rx * rx + ry * ry < 1)
            return ry < -0.3f ? Rgb { 232, 230, 225 } : Rgb { 25, 28, 38 };

        const float horizon = 0.38f;
        // The tree line's top edge waves along the horizon.
        const float treeTop = horizon - 0.05f - 0.05f * valueNoise(x, 0, side / 40, seed + 3)
            - 0.015f * valueNoise(x, 0, side / 300, seed + 4);
        if (v < treeTop) {
            // Sky: a gradient toward the horizon with soft clouds.
            Rgb sky = mix(Rgb { 62, 112, 196 }, Rgb { 178, 204, 236 }, std::clamp(v / horizon, 0.f, 1.f));
            const float cloud = 0.6f * valueNoise(x, y, side / 8, seed + 5)
                + 0.3f * valueNoise(x, y, side / 24, seed + 6) + 0.1f * valueNoise(x, y, side / 90, seed + 7);
            return mix(sky, Rgb { 245, 245, 248 }, std::clamp((cloud - 0.55f) * 3.0f, 0.f, 1.f));
        }
        if (v < horizon) {
            // Foliage: dark greens with leaf-sized texture.
            const float leaves = 0.5f * valueNoise(x, y, 3, seed + 8) + 0.3f * valueNoise(x, y, 9, seed + 9)
                + 0.2f * valueNoise(x, y, 30, seed + 10);
            const float light = 0.55f + 0.9f * leaves;
            return { 38 * light, 72 * light, 34 * light };
        }
        // The arena: sand, darker toward the front, with grain at several scales and hoof marks.
        const float depth = (v - horizon) / (1 - horizon);
        Rgb sand = mix(Rgb { 205, 178, 138 }, Rgb { 168, 138, 100 }, depth);
        const float texture = 14 * (valueNoise(x, y, 2, seed + 12) - 0.5f)
            + 10 * (valueNoise(x, y, 5, seed + 13) - 0.5f) + 9 * (valueNoise(x, y, 14, seed + 14) - 0.5f)
            + 12 * (valueNoise(x, y, side / 50, seed + 15) - 0.5f);
        const float marks = valueNoise(x, y * 2, 18, seed + 16) > 0.82f ? -18.f : 0.f;
        return { sand.r + texture + marks, sand.g + texture * 0.9f + marks, sand.b + texture * 0.8f + marks };
    }
};

void fillRows(const Scene& scene, std::vector<unsigned char>& pixels, int firstRow, int endRow)
{
    for (int y = firstRow; y < endRow; ++y) {
        unsigned char* row = pixels.data() + size_t(y) * size_t(scene.width) * 3;
        for (int x = 0; x < scene.width; ++x) {
            const Rgb c = scene.at(x, y);
            // Sensor noise: luma of σ 3 levels, chroma of σ 1.5.
            const float luma = 3.0f * grain(uint32_t(x), uint32_t(y), scene.seed + 100);
            const float cr = 1.5f * grain(uint32_t(x), uint32_t(y), scene.seed + 101);
            const float cb = 1.5f * grain(uint32_t(x), uint32_t(y), scene.seed + 102);
            const float values[3] = { c.r + luma + cr, c.g + luma, c.b + luma + cb };
            for (int k = 0; k < 3; ++k)
                row[3 * x + k] = (unsigned char)std::clamp(std::lround(values[k]), 0L, 255L);
        }
    }
}

} // namespace

bool writeScenePhoto(const QString& path, int width, int height, unsigned seed)
{
    VipsSupport::ensureStarted();
    const Scene scene { width, height, seed };
    std::vector<unsigned char> pixels(size_t(width) * size_t(height) * 3);
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(
            [&, t] { fillRows(scene, pixels, height * t / threads, height * (t + 1) / threads); });
    for (std::thread& w : workers)
        w.join();
    try {
        vips::VImage::new_from_memory(pixels.data(), pixels.size(), width, height, 3, VIPS_FORMAT_UCHAR)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
            .jpegsave(QFile::encodeName(path).constData(), vips::VImage::option()->set("Q", 97));
    } catch (const vips::VError& e) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), e.what());
        return false;
    }
    return true;
}

QString cachedScenePhoto(int width, int height, unsigned seed)
{
    const QString folder = qEnvironmentVariableIsEmpty("QUAVEL_BENCH_CACHE")
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/scene-cache")
        : qEnvironmentVariable("QUAVEL_BENCH_CACHE");
    const QString path = folder + QStringLiteral("/scene-%1x%2-%3.jpg").arg(width).arg(height).arg(seed);
    if (QFile::exists(path))
        return path;
    QDir().mkpath(folder);
    const QString partial
        = folder + QStringLiteral("/.partial-%1.jpg").arg(QUuid::createUuid().toString(QUuid::Id128));
    if (!writeScenePhoto(partial, width, height, seed)
        || ::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(partial);
        std::fprintf(stderr, "cannot keep the scene photo %s\n", qPrintable(path));
        return {};
    }
    return path;
}

bool placeScenePhoto(const QString& path, int width, int height, unsigned seed, bool link)
{
    const QString cached = cachedScenePhoto(width, height, seed);
    if (cached.isEmpty())
        return false;
    QFile::remove(path);
    if (link && ::link(QFile::encodeName(cached).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    return QFile::copy(cached, path);
}

} // namespace quavel::bench
