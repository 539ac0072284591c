// Carries a plan out on a thread of its own, so the window stays usable, and hands back the
// latest progress and, at the end, the result.
#pragma once

#include "sync_wizard/executor.h"

#include <QObject>

#include <mutex>
#include <stop_token>

class QThread;

namespace parlowen {

class PlanRunner final : public QObject
{
    Q_OBJECT
public:
    explicit PlanRunner(QObject* parent = nullptr);
    ~PlanRunner() override; // stops a run and waits for it

    // The plan and the file operations must outlive the run.
    void start(const ResultStore& plan, FileOps& files);
    // Asks the run to stop; it ends at its next chunk.
    void stop();
    bool running() const { return m_thread != nullptr; }
    CopyProgress latest() const;

signals:
    // On the window's thread, once the run has ended.
    void finished(const parlowen::CarryOutResult& result);

private:
    QThread* m_thread = nullptr;
    std::stop_source m_stop;
    mutable std::mutex m_lock;
    CopyProgress m_latest; // under m_lock
    CarryOutResult m_result;
};

} // namespace parlowen
