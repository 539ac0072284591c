// Carrying a plan out off the window's thread.
#include "sync_wizard/qt/plan_runner.h"

#include <QThread>

namespace parlowen {

PlanRunner::PlanRunner(QObject* parent) : QObject(parent) {}

PlanRunner::~PlanRunner()
{
    if (m_thread) {
        m_stop.request_stop();
        m_thread->wait();
        delete m_thread;
    }
}

void PlanRunner::start(const ResultStore& plan, FileOps& files)
{
    if (m_thread)
        return;
    m_stop = std::stop_source();
    m_latest = CopyProgress{0, plan.size(), 0, 0, {}};
    m_thread = QThread::create([this, &plan, &files] {
        const CarryOutControl control{[this](const CopyProgress& progress) {
                                          const std::lock_guard lock(m_lock);
                                          m_latest = progress;
                                      },
                                      m_stop.get_token()};
        m_result = carryOut(plan, files, control);
    });
    // Queued to this object's thread, the window's.
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        emit finished(m_result);
    });
    m_thread->start();
}

void PlanRunner::stop()
{
    m_stop.request_stop();
}

CopyProgress PlanRunner::latest() const
{
    const std::lock_guard lock(m_lock);
    return m_latest;
}

} // namespace parlowen
