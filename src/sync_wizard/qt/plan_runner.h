// Carries a plan out off the window's thread, and hands back the latest progress and, at the
// end, the result.
#pragma once

#include "platform/qt/background_job.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/sync_log.h"

#include <QObject>

#include <memory>
#include <mutex>

namespace parlowen {

class PlanRunner final : public QObject
{
    Q_OBJECT
public:
    explicit PlanRunner(QObject* parent = nullptr);

    // The run shares the plan, so the plan lives as long as the run; the file operations must
    // outlive the runner.
    // A copy into a folder that does not exist fails saying missingFolderHint.
    void start(std::shared_ptr<const ResultStore> plan, FileOps& files, MtpDevices* devices,
               const SyncRoots& roots, bool createFolders, const std::string& missingFolderHint,
               const std::string& logPath);
    // Asks the run to stop; it ends at its next chunk.
    void stop()
    {
        m_stopping = m_job.running();
        m_job.stop();
    }
    // A stop was asked for and the run has not ended yet.
    bool stopping() const { return m_stopping && m_job.running(); }
    bool running() const { return m_job.running(); }
    CopyProgress latest() const;

signals:
    // On the window's thread, once the run has ended.
    void finished(const parlowen::CarryOutResult& result);

private:
    mutable std::mutex m_lock;
    CopyProgress m_latest;   // under m_lock
    CarryOutResult m_result; // written by the run, read once it has ended
    bool m_stopping = false;
    BackgroundJob m_job;     // last: stopped and joined before the rest goes
};

} // namespace parlowen
