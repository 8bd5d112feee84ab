#pragma once

#include <QString>

namespace quavel::bench {

// Writes a JPEG at quality 97 of a synthetic show-jumping scene with the make-up of a real photo, so
// that decoding and encoding it cost what a camera's file costs: a sky gradient with soft clouds, a tree
// line and an arena of fine texture, hard-edged poles and shapes, and per-pixel sensor noise (luma and
// chroma). At 6000 × 4000 it weighs about as much as a camera's 24-megapixel JPEG (10–20 MB). The same
// size and seed give the same file. Textures and noise are per pixel and the shapes follow the image's
// size, so a smaller photo of the scene is the same picture with the same detail per pixel. Starts
// libvips when needed. False when the file cannot be written.
bool writeScenePhoto(const QString& path, int width, int height, unsigned seed = 1);

// The scene of that size and seed as a file made once and kept for later runs: under
// $QUAVEL_BENCH_CACHE, else the "scene-cache" folder beside the benchmark program (in the build
// folder). Made under a temporary name and renamed, so a run killed while making it leaves no partial
// photo under the kept name. Empty when it cannot be made.
QString cachedScenePhoto(int width, int height, unsigned seed = 1);

// Gives `path` the bytes of the cached scene photo: a copy, or with `link` a hard link where the file
// system allows one (for photos that are only read: a link costs no disk). False on failure.
bool placeScenePhoto(const QString& path, int width, int height, unsigned seed = 1, bool link = false);

} // namespace quavel::bench
