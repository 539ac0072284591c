// A thread that runs the calls given to it one after another, for a library that must only
// ever be used from one thread (libmtp). A caller waits for its own call's result.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace parlowen {

class OwnerThread
{
public:
    OwnerThread() : m_thread([this](std::stop_token stop) { serve(stop); }) {}
    ~OwnerThread() = default; // the thread is stopped and joined first
    OwnerThread(const OwnerThread&) = delete;
    OwnerThread& operator=(const OwnerThread&) = delete;

    // Whether this is the owner thread (where call would wait for itself).
    bool here() const { return std::this_thread::get_id() == m_thread.get_id(); }

    // Runs work on the owner thread and returns its result (or rethrows what it threw).
    template <class Work> auto call(Work work) -> decltype(work())
    {
        if (here())
            return work();
        std::packaged_task<decltype(work())()> task(std::move(work));
        auto result = task.get_future();
        {
            const std::lock_guard lock(m_mutex);
            m_tasks.emplace_back([&task] { task(); });
        }
        m_wake.notify_one();
        return result.get();
    }

private:
    void serve(const std::stop_token& stop)
    {
        std::unique_lock lock(m_mutex);
        while (m_wake.wait(lock, stop, [this] { return !m_tasks.empty(); })) {
            auto task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::deque<std::function<void()>> m_tasks;
    std::jthread m_thread; // last: it starts once the queue exists, and is joined first
};

} // namespace parlowen
