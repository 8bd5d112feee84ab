#include "platform/imaging/UnloweredCompanion.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include <pthread.h>

namespace quavel::UnloweredCompanion {

namespace {

// One request at a time: only its own thread asks, and that thread waits for each answer.
class Companion
{
public:
    Companion()
        : m_thread([this] { serve(); })
    { }

    ~Companion()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void run(const std::function<void()>& fn)
    {
        std::unique_lock lock(m_mutex);
        m_task = &fn;
        m_error = nullptr;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_task == nullptr; });
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
    }

private:
    void serve()
    {
        pthread_setname_np(pthread_self(), "quavel companion");
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_task || m_stopping; });
            if (!m_task)
                return;
            lock.unlock();
            std::exception_ptr error;
            try {
                (*m_task)();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            m_error = error;
            m_task = nullptr;
            m_wake.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::function<void()>* m_task = nullptr;
    std::exception_ptr m_error;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the rest exists
};

// Destroyed when its thread ends (a pool thread that expires), which stops and joins the companion.
thread_local std::unique_ptr<Companion> t_companion;

} // namespace

void start()
{
    if (!t_companion)
        t_companion = std::make_unique<Companion>();
}

void run(const std::function<void()>& fn)
{
    if (t_companion)
        t_companion->run(fn);
    else
        fn();
}

} // namespace quavel::UnloweredCompanion
