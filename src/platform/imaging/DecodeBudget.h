#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <mutex>

namespace quavel {

// Memory that decodes running at once share: those of the thumbnails, previews and printed pages share
// one budget across all their threads (previews()), so that a gallery of photos that each cost their
// decoder a gigabyte never holds several at once. Each decode holds its charge (DecodeMemory) from
// before its first pixel to its end. A decode whose charge alone passes the budget is refused, as an
// unreadable file is; the others wait their turn while the budget is short: whichever waiting decode
// fits goes first, so that a small photo is never held behind a large one. Thread-safe.
class DecodeBudget
{
public:
    // About 1 GB: the thumbnail pool's decodes together, beside the application's own memory.
    static constexpr qint64 kPreviewBytes = qint64(1) << 30;
    static DecodeBudget& previews();

    explicit DecodeBudget(qint64 capacity);
    DecodeBudget(const DecodeBudget&) = delete;
    DecodeBudget& operator=(const DecodeBudget&) = delete;

    // Bytes of the budget, held until it goes. An empty one (false) holds nothing: the charge was
    // refused.
    class Hold
    {
    public:
        Hold() = default;
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        ~Hold();
        explicit operator bool() const { return m_budget != nullptr; }

    private:
        friend class DecodeBudget;
        Hold(DecodeBudget* budget, qint64 bytes);
        void release();

        DecodeBudget* m_budget = nullptr;
        qint64 m_bytes = 0;
    };

    // Holds bytes once they fit beside what the other holds have, waiting until then (on a job pool's
    // thread, without keeping the pool from its other jobs: JobPool::Waiting). Empty at once when bytes
    // alone pass the capacity, and once the waits are abandoned.
    Hold acquire(qint64 bytes);

    // The end of the process: every wait, now and later, gives up at once with an empty hold, so that
    // no reader is left waiting for memory that a running decode holds.
    void abandonWaits();

    qint64 capacity() const { return m_capacity; }
    qint64 held() const;
    int waiting() const;

private:
    void release(qint64 bytes);

    const qint64 m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_freed;
    qint64 m_held = 0;
    int m_waiting = 0;
    bool m_abandoned = false;
};

} // namespace quavel
