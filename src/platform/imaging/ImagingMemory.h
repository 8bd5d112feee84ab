#pragma once

// How the process allocates the buffers of image work.
namespace quavel::ImagingMemory {

// Photo work allocates and frees blocks of several megabytes all the time (libvips' tiles and
// buffers, rows, float planes). glibc gives blocks above its mapping threshold fresh mappings, which the
// kernel zeroes page by page on first touch and whose creation and removal serialise all threads of the
// process on its memory map; kept in the heap instead, the block freed by one photo serves the next.
// Raises the threshold to its maximum (32 MB) and lets up to 256 MB of freed heap wait before it is
// returned to the system. Once per process; later calls do nothing. Thread-safe.
void configure();

} // namespace quavel::ImagingMemory
