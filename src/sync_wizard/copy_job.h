// One operation of a plan: the copy into a hidden temporary file in the target's folder, then,
// once that is on the device, the step that puts it in the target's place.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "platform/mtp_device.h"
#include "sync_wizard/step_failure.h"
#include "sync_wizard/target_folders.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <string>

namespace parlowen {

class CopyJob
{
public:
    // The folder must be entered and not refused.
    // A source on a player that speaks MTP is read through devices.
    CopyJob(FileOps& files, const PlannedOperation& op, std::size_t index,
            std::shared_ptr<TargetFolder> folder, MtpDevices* devices = nullptr);
    ~CopyJob(); // removes the temporary file unless it became the target
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    std::size_t index() const { return m_index; }
    std::int64_t size() const { return m_source.facts.size; }
    const TargetFolder& folder() const { return *m_folder; }

    // Writes the copy, telling copied the bytes written so far after every chunk. A large file
    // goes to the device while it is written, so that a stop is never far behind; a stop
    // abandons the copy (the failure's error is operation_canceled). A source that changes
    // while it is read abandons the copy too.
    StepFailure copy(const std::stop_token& stop, const std::function<void(std::int64_t)>& copied);
    // Gives the copy the source's times where the device keeps them; then the copy is ready
    // to be flushed.
    StepFailure stamp();
    // The device refused the times this time (the copy is kept without them).
    bool timesRefused() const { return m_timesRefused; }
    const UniqueFd& output() const { return m_out; }
    // Once flushed, puts the copy in the target's place: a "copied to" only where nothing
    // answers to the name, an "overwrites" only over the file Compare saw, and either only
    // while the folder's path still leads to the folder opened.
    StepFailure place();

private:
    StepFailure folderStillThere();
    StepFailure createTemporary();
    StepFailure download(const std::stop_token& stop,
                         const std::function<void(std::int64_t)>& copied);
    StepFailure sourceAsCompared() const;
    StepFailure sourceUnchanged(std::int64_t written);
    StepFailure placeNew();
    StepFailure targetStillAsSeen();

    FileOps& m_files;
    MtpDevices* m_devices;
    const PlannedOperation& m_op;
    std::size_t m_index;
    std::shared_ptr<TargetFolder> m_folder;
    std::string m_targetName;
    OpenedSource m_source;
    UniqueFd m_out;
    std::string m_temporary; // its name in the folder; removed unless it became the target
    bool m_timesRefused = false;
};

} // namespace parlowen
