// SIGINT and SIGTERM as a stop request.
#include "platform/end_signals.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>

namespace parlowen {
namespace {

sigset_t endSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

EndSignals::EndSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    const sigset_t set = endSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_waiter = std::jthread([this, set] {
        for (;;) {
            const int signal = sigwaitinfo(&set, nullptr);
            if (m_ending)
                return;
            if (signal <= 0)
                continue;
            // A second signal is somebody who will not wait: end now. A temporary copy left
            // behind is removed by the next run.
            if (m_caught.exchange(true))
                std::_Exit(130);
            const std::lock_guard lock(m_calling);
            if (!m_quiet)
                m_onSignal();
        }
    });
}

void EndSignals::stopCalling()
{
    const std::lock_guard lock(m_calling);
    m_quiet = true;
}

EndSignals::~EndSignals()
{
    stopCalling();
    // Woken at once by a signal of its own, so the program ends as soon as its work is done.
    m_ending = true;
    pthread_kill(m_waiter.native_handle(), SIGINT);
    m_waiter.join();
}

} // namespace parlowen
