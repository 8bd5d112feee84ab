#include "platform/imaging/DecodeBudget.h"

#include "platform/imaging/JobPool.h"

#include <optional>
#include <utility>

namespace quavel {

DecodeBudget& DecodeBudget::previews()
{
    // Never destroyed: a read abandoned at the exit may still release its hold.
    static DecodeBudget* budget = new DecodeBudget(kPreviewBytes);
    return *budget;
}

DecodeBudget::DecodeBudget(qint64 capacity)
    : m_capacity(capacity)
{ }

DecodeBudget::Hold::Hold(DecodeBudget* budget, qint64 bytes)
    : m_budget(budget)
    , m_bytes(bytes)
{ }

DecodeBudget::Hold::Hold(Hold&& other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr))
    , m_bytes(std::exchange(other.m_bytes, 0))
{ }

DecodeBudget::Hold& DecodeBudget::Hold::operator=(Hold&& other) noexcept
{
    if (this != &other) {
        release();
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

DecodeBudget::Hold::~Hold()
{
    release();
}

void DecodeBudget::Hold::release()
{
    if (m_budget)
        m_budget->release(m_bytes);
    m_budget = nullptr;
    m_bytes = 0;
}

DecodeBudget::Hold DecodeBudget::acquire(qint64 bytes)
{
    bytes = std::max<qint64>(bytes, 0);
    std::unique_lock lock(m_mutex);
    if (bytes > m_capacity || m_abandoned)
        return {};
    if (m_held + bytes > m_capacity) {
        ++m_waiting;
        // Made only for a real wait: it lets the pool start a thread in this one's place.
        std::optional<JobPool::Waiting> waiting;
        lock.unlock();
        waiting.emplace();
        lock.lock();
        m_freed.wait(lock, [&] { return m_abandoned || m_held + bytes <= m_capacity; });
        --m_waiting;
        const bool granted = !m_abandoned;
        if (granted)
            m_held += bytes;
        lock.unlock();
        // The wait is over: the pool's thread is taken back.
        waiting.reset();
        return granted ? Hold(this, bytes) : Hold();
    }
    m_held += bytes;
    return Hold(this, bytes);
}

void DecodeBudget::release(qint64 bytes)
{
    {
        const std::lock_guard lock(m_mutex);
        m_held -= bytes;
    }
    m_freed.notify_all();
}

void DecodeBudget::abandonWaits()
{
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_freed.notify_all();
}

qint64 DecodeBudget::held() const
{
    const std::lock_guard lock(m_mutex);
    return m_held;
}

int DecodeBudget::waiting() const
{
    const std::lock_guard lock(m_mutex);
    return m_waiting;
}

} // namespace quavel
