// SIGINT and SIGTERM (Ctrl+C, logging out) turned into a stop request instead of an abrupt end,
// so a copy in progress can stop cleanly before the program ends.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace parlowen {

class EndSignals
{
public:
    // Blocks both signals in this thread and every thread it starts from now on (so call it
    // first thing in main) and waits for them on a thread of its own, which calls onSignal on
    // the first; a second one ends the program at once with status 130.
    explicit EndSignals(std::function<void()> onSignal);
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    bool caught() const { return m_caught; }
    // From now on a signal calls nothing: what onSignal would reach is about to go. A signal
    // being handled is waited for.
    void stopCalling();

private:
    std::function<void()> m_onSignal;
    std::atomic<bool> m_caught = false;
    std::atomic<bool> m_ending = false;
    std::mutex m_calling; // held while onSignal runs
    bool m_quiet = false; // under m_calling
    std::jthread m_waiter;
};

} // namespace parlowen
