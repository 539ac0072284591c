// Long work (a scan, a copy) on a thread of its own, so the window stays usable; the work is
// told when to stop and the window hears when it has ended, also when the work threw.
#pragma once

#include <QObject>

#include <functional>
#include <stop_token>
#include <string>

class QThread;

namespace parlowen {

class BackgroundJob final : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundJob(QObject* parent = nullptr);
    ~BackgroundJob() override; // asks the work to stop and waits for it

    // Runs the work on a new thread; finished() follows on this object's thread. Does nothing
    // while a work runs.
    void start(std::function<void(std::stop_token)> work);
    void stop();
    bool running() const { return m_thread != nullptr; }
    // Waits up to the time for the work to end; whether it has. A work stuck on a device that
    // does not answer may never end.
    bool waitFor(int milliseconds);
    // The last work was asked to stop (it may have ended before it heard).
    bool stopRequested() const { return m_stop.stop_requested(); }
    // Why the last work ended early by throwing, or "" when it did not; read after finished().
    const std::string& failure() const { return m_failure; }

signals:
    void finished();

private:
    QThread* m_thread = nullptr;
    std::stop_source m_stop;
    std::string m_failure; // written by the work's thread, read once it has ended
};

} // namespace parlowen
