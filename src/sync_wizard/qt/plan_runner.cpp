// Carrying a plan out off the window's thread.
#include "sync_wizard/qt/plan_runner.h"

namespace parlowen {

PlanRunner::PlanRunner(QObject* parent) : QObject(parent)
{
    connect(&m_job, &BackgroundJob::finished, this, [this] { emit finished(m_result); });
}

void PlanRunner::start(const ResultStore& plan, FileOps& files)
{
    if (running())
        return;
    m_latest = CopyProgress{0, plan.size(), 0, 0, {}};
    m_job.start([this, &plan, &files](std::stop_token stop) {
        const CarryOutControl control{[this](const CopyProgress& progress) {
                                          const std::lock_guard lock(m_lock);
                                          m_latest = progress;
                                      },
                                      std::move(stop)};
        m_result = carryOut(plan, files, control);
    });
}

CopyProgress PlanRunner::latest() const
{
    const std::lock_guard lock(m_lock);
    return m_latest;
}

} // namespace parlowen
