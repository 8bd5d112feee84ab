#pragma once

#include <QByteArray>
#include <QString>

namespace vips {
class VImage;
}

// Internal to the imaging layer: libvips set-up shared by the readers and writers.
namespace quavel::VipsSupport {

// Starts libvips once per process, with its operation cache off: a photo rewritten in place must never
// be answered from a cached decode of its former content.
void ensureStarted();

// The file name in the form libvips opens.
QByteArray fileName(const QString& path);

// The ICC profile the image carries; empty when it has none.
QByteArray iccProfile(const vips::VImage& image);

} // namespace quavel::VipsSupport
