// SIGINT and SIGTERM as a stop request.
#include "platform/end_signals.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
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
    m_waiter = std::jthread([this, set](std::stop_token stop) {
        // Woken now and then to see whether it is still wanted.
        const struct timespec wait = {0, 100'000'000};
        while (!stop.stop_requested()) {
            if (sigtimedwait(&set, nullptr, &wait) <= 0)
                continue;
            // A second signal is somebody who will not wait: end now. A temporary copy left
            // behind is removed by the next run.
            if (m_caught.exchange(true))
                std::_Exit(130);
            m_onSignal();
        }
    });
}

EndSignals::~EndSignals()
{
    m_waiter.request_stop();
    m_waiter.join();
}

} // namespace parlowen
