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

} // namespace quavel::bench
