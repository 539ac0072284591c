// Long work on a thread of its own.
#include "platform/qt/background_job.h"

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
    m_thread = QThread::create([work = std::move(work), stop = m_stop.get_token()] { work(stop); });
    // Queued to this object's thread, the window's.
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        emit finished();
    });
    m_thread->start();
}

void BackgroundJob::stop()
{
    m_stop.request_stop();
}

} // namespace parlowen
