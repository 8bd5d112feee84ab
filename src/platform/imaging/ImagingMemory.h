#pragma once

#include <cstddef>

// How the process allocates the buffers of image work.
namespace quavel::ImagingMemory {

// Photo work allocates and frees blocks of several megabytes all the time (libvips' tiles and
// buffers, rows, float planes). glibc gives blocks above its mapping threshold fresh mappings, which the
// kernel zeroes page by page on first touch and whose creation and removal serialise all threads of the
// process on its memory map; kept in the heap instead, the block freed by one photo serves the next.
// Raises the threshold to its maximum (32 MB) and lets up to 256 MB of freed heap wait before it is
// returned to the system. Once per process; later calls do nothing. Thread-safe.
// The heap is also shared by all threads in kArenas arenas rather than one per thread or so: a block
// freed into one thread's arena serves only the threads of that arena, and with eight or more of them
// what each keeps (up to the trim threshold) stays resident while another grows, so that a write's
// peak depended on which threads its libvips and JPEG buffers fell to (from run to run, tens of
// megabytes at 48 megapixels; about 40 MB more than with two arenas). Its allocations are few and large
// enough that two arenas cost no measurable processor time.
inline constexpr int kArenas = 2;
void configure();

// The kept blocks of photo-sized planes (FloatPlane's own allocator). A plane freed is kept for a few
// seconds (kKeptBudget at most) and handed to the next plane of exactly its size: a batch frees and takes
// planes of one size photo after photo, and a fresh block costs more in page faults and zeroing than the
// filter that fills it. A request of another size is a miss, and a miss first lets go of every kept
// block: the memory kept is then never resident beside a fresh block, so keeping blocks never raises the
// peak of the work above what its live planes reach. Thread-safe.
inline constexpr std::size_t kKeptBudget = std::size_t(768) << 20;

// A kept block of exactly bytes, or null (a miss, after which nothing is kept).
void* takeBlock(std::size_t bytes);
// Keeps a block of bytes allocated with std::aligned_alloc; false when it is not kept (larger than the
// budget): the caller frees it.
bool keepBlock(void* block, std::size_t bytes);
// The bytes kept now.
std::size_t keptBytes();

} // namespace quavel::ImagingMemory
