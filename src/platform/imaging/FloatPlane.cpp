#include "platform/imaging/FloatPlane.h"

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

namespace quavel {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

// Photo-sized blocks freed in the last seconds, kept for the next plane of the same size: a render
// frees and takes planes of one size again and again, and a fresh 96 MB block costs more in page faults
// and zeroing than the filter that fills it. A janitor thread lets go of blocks unused for a few seconds.
// (MADV_FREE on kept blocks splits their huge pages: reusing them then costs more than it saves.)
class BlockCache
{
public:
    static BlockCache& instance()
    {
        static BlockCache* cache = new BlockCache; // never destroyed: blocks may be freed at exit
        return *cache;
    }

    void* take(std::size_t bytes)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
            if (it->bytes == bytes) {
                void* memory = it->memory;
                m_total -= bytes;
                m_blocks.erase(it);
                return memory;
            }
        }
        return nullptr;
    }

    // False when the block is not kept: the caller frees it.
    bool keep(void* memory, std::size_t bytes)
    {
        if (bytes > kBudget)
            return false;
        std::lock_guard lock(m_mutex);
        while (m_total + bytes > kBudget && !m_blocks.empty()) {
            std::free(m_blocks.front().memory);
            m_total -= m_blocks.front().bytes;
            m_blocks.pop_front();
        }
        m_blocks.push_back(Block { memory, bytes, std::chrono::steady_clock::now() });
        m_total += bytes;
        if (!m_janitor) {
            m_janitor = true;
            std::thread([this] { sweep(); }).detach();
        }
        m_wake.notify_one();
        return true;
    }

private:
    struct Block
    {
        void* memory;
        std::size_t bytes;
        std::chrono::steady_clock::time_point freed;
    };

    static constexpr std::size_t kBudget = std::size_t(768) << 20;
    static constexpr std::chrono::seconds kLife { 3 };

    void sweep()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_blocks.empty())
                m_wake.wait(lock, [this] { return !m_blocks.empty(); });
            m_wake.wait_until(lock, m_blocks.front().freed + kLife);
            const auto now = std::chrono::steady_clock::now();
            while (!m_blocks.empty() && now - m_blocks.front().freed >= kLife) {
                std::free(m_blocks.front().memory);
                m_total -= m_blocks.front().bytes;
                m_blocks.pop_front();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Block> m_blocks; // oldest first
    std::size_t m_total = 0;
    bool m_janitor = false;
};

// Photo-sized planes are aligned to, and advised onto, huge pages.
std::shared_ptr<float[]> allocate(std::size_t count)
{
    std::size_t bytes = std::max<std::size_t>(count * sizeof(float), 64);
    const bool large = bytes >= 2 * kHugePage;
    const std::size_t alignment = large ? kHugePage : 64;
    bytes = (bytes + alignment - 1) / alignment * alignment;
    void* memory = large ? BlockCache::instance().take(bytes) : nullptr;
    if (!memory) {
        memory = std::aligned_alloc(alignment, bytes);
        if (!memory)
            throw std::bad_alloc();
        if (large)
            madvise(memory, bytes, MADV_HUGEPAGE);
    }
    if (!large)
        return std::shared_ptr<float[]>(static_cast<float*>(memory), [](float* p) { std::free(p); });
    return std::shared_ptr<float[]>(static_cast<float*>(memory), [bytes](float* p) {
        if (!BlockCache::instance().keep(p, bytes))
            std::free(p);
    });
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
