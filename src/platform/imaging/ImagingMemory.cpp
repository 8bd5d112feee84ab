#include "platform/imaging/ImagingMemory.h"

#include <malloc.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace quavel::ImagingMemory {

void configure()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
        mallopt(M_ARENA_MAX, kArenas);
    });
}

namespace {

// A janitor thread lets go of blocks unused for a few seconds. (MADV_FREE on kept blocks splits their
// huge pages: reusing them then costs more than it saves.)
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
        // A miss: the caller allocates afresh, and nothing kept stays resident beside it.
        while (!m_blocks.empty())
            dropOldest();
        return nullptr;
    }

    bool keep(void* memory, std::size_t bytes)
    {
        if (bytes > kKeptBudget)
            return false;
        std::lock_guard lock(m_mutex);
        while (m_total + bytes > kKeptBudget && !m_blocks.empty())
            dropOldest();
        m_blocks.push_back(Block { memory, bytes, std::chrono::steady_clock::now() });
        m_total += bytes;
        if (!m_janitor) {
            m_janitor = true;
            std::thread([this] { sweep(); }).detach();
        }
        m_wake.notify_one();
        return true;
    }

    std::size_t total()
    {
        std::lock_guard lock(m_mutex);
        return m_total;
    }

private:
    struct Block
    {
        void* memory;
        std::size_t bytes;
        std::chrono::steady_clock::time_point freed;
    };

    static constexpr std::chrono::seconds kLife { 3 };

    // With the mutex held.
    void dropOldest()
    {
        std::free(m_blocks.front().memory);
        m_total -= m_blocks.front().bytes;
        m_blocks.pop_front();
    }

    void sweep()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_blocks.empty())
                m_wake.wait(lock, [this] { return !m_blocks.empty(); });
            m_wake.wait_until(lock, m_blocks.front().freed + kLife);
            const auto now = std::chrono::steady_clock::now();
            while (!m_blocks.empty() && now - m_blocks.front().freed >= kLife)
                dropOldest();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Block> m_blocks; // oldest first
    std::size_t m_total = 0;
    bool m_janitor = false;
};

} // namespace

void* takeBlock(std::size_t bytes)
{
    return BlockCache::instance().take(bytes);
}

bool keepBlock(void* block, std::size_t bytes)
{
    return BlockCache::instance().keep(block, bytes);
}

std::size_t keptBytes()
{
    return BlockCache::instance().total();
}

} // namespace quavel::ImagingMemory
