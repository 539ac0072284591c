// Long work on a thread of its own.
#include "platform/qt/background_job.h"

#include <exception>

#include <QDeadlineTimer>
#include <QThread>

namespace parlowen {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob()
{
    if (m_thread) {
        m_stop.request_stop();
        m_thread->wait();
        delete m_thread;
    }
}

void BackgroundJob::start(std::function<void(std::stop_token)> work)
{
    if (m_thread)
        return;
    m_stop = std::stop_source();
    m_failure.clear();
    // An exception must not end the program on a thread nobody catches it on: it becomes a
    // failure the window reports.
    m_thread = QThread::create([this, work = std::move(work), stop = m_stop.get_token()] {
        try {
            work(stop);
        } catch (const std::exception& e) {
            m_failure = e.what();
        } catch (...) {
            m_failure = "an unknown error";
        }
    });
    // Queued to this object's thread, the window's.
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        emit finished();
    });
    m_thread->start();
}

bool BackgroundJob::waitFor(int milliseconds)
{
    return !m_thread || m_thread->wait(QDeadlineTimer(milliseconds));
}

void BackgroundJob::stop()
{
    m_stop.request_stop();
}

} // namespace parlowen
