#include "platform/imaging/FloatPlane.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace quavel {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Photo-sized planes are aligned to, and advised onto, huge pages: a 24-megapixel plane is 96 MB, and
// faulting it in 4 KB pages costs more than the filters that fill it.
std::shared_ptr<float[]> allocate(std::size_t count)
{
    std::size_t bytes = std::max<std::size_t>(count * sizeof(float), 64);
    const std::size_t alignment = bytes >= 2 * kHugePage ? kHugePage : 64;
    bytes = (bytes + alignment - 1) / alignment * alignment;
    void* memory = std::aligned_alloc(alignment, bytes);
    if (!memory)
        throw std::bad_alloc();
    if (alignment == kHugePage)
        madvise(memory, bytes, MADV_HUGEPAGE);
    return std::shared_ptr<float[]>(static_cast<float*>(memory), [](float* p) { std::free(p); });
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

} // namespace quavel
