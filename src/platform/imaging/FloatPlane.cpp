#include "platform/imaging/FloatPlane.h"

#include "platform/imaging/ImagingMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace quavel {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Frees a plane's block, or keeps a photo-sized one for the next plane of its size. A block some of
// whose pages were given back is freed: kept, it would fault them in again when reused while the blocks
// kept beside it stay resident, and keeping would then raise the peak.
struct BlockDeleter
{
    std::size_t bytes = 0;
    bool large = false;
    bool released = false;

    void operator()(float* p) const
    {
        if (!large || released || !ImagingMemory::keepBlock(p, bytes))
            std::free(p);
    }
};

// Photo-sized planes are aligned to, and advised onto, huge pages; their blocks are kept for the next
// plane of their size (ImagingMemory::takeBlock).
std::shared_ptr<float[]> allocate(std::size_t count)
{
    std::size_t bytes = std::max<std::size_t>(count * sizeof(float), 64);
    const bool large = bytes >= 2 * kHugePage;
    const std::size_t alignment = large ? kHugePage : 64;
    bytes = (bytes + alignment - 1) / alignment * alignment;
    void* memory = large ? ImagingMemory::takeBlock(bytes) : nullptr;
    if (!memory) {
        memory = std::aligned_alloc(alignment, bytes);
        if (!memory)
            throw std::bad_alloc();
        if (large)
            madvise(memory, bytes, MADV_HUGEPAGE);
    }
    return std::shared_ptr<float[]>(static_cast<float*>(memory), BlockDeleter { bytes, large });
}

} // namespace

FloatPlane::FloatPlane(int width, int height)
    : m_width(std::max(width, 0))
    , m_height(std::max(height, 0))
{
    if (m_width > 0 && m_height > 0)
        m_data = allocate(std::size_t(m_width) * std::size_t(m_height));
    else
        m_width = m_height = 0;
}

FloatPlane FloatPlane::filled(int width, int height, float value)
{
    FloatPlane plane(width, height);
    if (!plane.isNull())
        std::fill_n(plane.m_data.get(), std::size_t(plane.m_width) * std::size_t(plane.m_height), value);
    return plane;
}

float* FloatPlane::data()
{
    if (m_data && m_data.use_count() > 1) {
        const std::size_t count = std::size_t(m_width) * std::size_t(m_height);
        std::shared_ptr<float[]> copy = allocate(count);
        std::memcpy(copy.get(), m_data.get(), count * sizeof(float));
        m_data = std::move(copy);
    }
    return m_data.get();
}

bool FloatPlane::releaseRows(int y0, int y1)
{
    if (!m_data || m_data.use_count() != 1)
        return false;
    BlockDeleter* deleter = std::get_deleter<BlockDeleter>(m_data);
    if (!deleter || !deleter->large)
        return false;
    y0 = std::clamp(y0, 0, m_height);
    y1 = std::clamp(y1, y0, m_height);
    const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto begin
        = reinterpret_cast<std::uintptr_t>(m_data.get() + std::size_t(y0) * std::size_t(m_width));
    const auto end = reinterpret_cast<std::uintptr_t>(m_data.get() + std::size_t(y1) * std::size_t(m_width));
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = end / page * page;
    if (last <= first)
        return true;
    deleter->released = true;
    return madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) == 0;
}

} // namespace quavel
