// Carrying a plan out off the window's thread.
#include "sync_wizard/qt/plan_runner.h"

namespace parlowen {

PlanRunner::PlanRunner(QObject* parent) : QObject(parent)
{
    connect(&m_job, &BackgroundJob::finished, this, [this] {
        if (!m_job.failure().empty())
            m_result.failures.push_back(
                {"", "",
                 "the copying ended unexpectedly (" + m_job.failure() +
                     "); the copies put in place before stay, any other is as it was"});
        emit finished(m_result);
    });
}

void PlanRunner::start(std::shared_ptr<const ResultStore> plan, FileOps& files,
                       MtpDevices* devices, const SyncRoots& roots, bool createFolders,
                       const std::string& missingFolderHint, const std::string& logPath)
{
    if (running())
        return;
    m_latest = CopyProgress{.current = 0, .total = plan->size()};
    m_result = CarryOutResult{};
    m_job.start([this, plan = std::move(plan), &files, devices, roots, createFolders, missingFolderHint,
                 logPath](std::stop_token stop) {
        const CarryOutControl control{.progress =
                                          [this](const CopyProgress& progress) {
                                              const std::lock_guard lock(m_lock);
                                              m_latest = progress;
                                          },
                                      .stop = std::move(stop),
                                      .createFolders = createFolders,
                                      .roots = roots,
                                      .missingFolderHint = missingFolderHint,
                                      .devices = devices};
        m_result = carryOutAndLog(*plan, files, control, {roots.left, roots.right}, logPath);
    });
}

CopyProgress PlanRunner::latest() const
{
    const std::lock_guard lock(m_lock);
    return m_latest;
}

} // namespace parlowen
