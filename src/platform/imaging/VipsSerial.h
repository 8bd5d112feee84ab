#pragma once

#include <QByteArray>

namespace vips {
class VImage;
}

// Internal to the imaging layer: libvips pipelines computed on the calling thread alone.
//
// A libvips sink (write_to_memory, copy_memory, a save, and thumbnail's own turning, which copies to
// memory) hands the work to worker threads that libvips starts on demand from the thread that asks and
// keeps for every later pipeline of the process. A thread inherits the nice value of the thread that
// starts it, and an unprivileged process cannot raise it again: a worker started by a lowered thumbnail
// thread would decode the crop editor's photos at that lowered priority for the rest of the process's
// life. Work done on a lowered thread therefore computes its pixels here, with vips_region_prepare on
// the calling thread, strip after strip from the top (which sequential loaders allow), and never starts,
// wakes or borrows a libvips worker. A loader that is neither sequential nor partial decodes the whole
// file through a sink of its own the first time its pixels are asked for: that first request is made
// by a thread at normal priority (UnloweredCompanion).
namespace quavel::VipsSerial {

// Whether loader (a libvips loader's name) decodes the file through a sink of its own: WebP and HEIF in
// libvips 8.14, any file whose loader is neither sequential nor partial.
bool loadsThroughSink(const char* loader, const QByteArray& fileName);

// Makes every loader in image's pipeline decode now, on the calling thread and the libvips workers it
// may start, by computing the top-left pixel. Throws vips::VError when that fails.
void decodeSources(const vips::VImage& image);

// Every pixel of image, row after row without padding (width × bands × sample size bytes a row),
// computed on the calling thread. Throws vips::VError when a step of the pipeline fails, std::bad_alloc
// when the memory cannot be had.
QByteArray pixels(const vips::VImage& image);

} // namespace quavel::VipsSerial
