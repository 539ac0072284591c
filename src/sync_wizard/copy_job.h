// One operation of a plan: the copy into a hidden temporary file, then, once that is on the
// device, the step that puts it in the target's place.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"

#include <string>
#include <system_error>

namespace parlowen {

// Why a step failed: the system's error and the step, or a reason already in plain words.
struct StepFailure
{
    std::error_code error;
    std::string step;
    std::string plainReason;

    explicit operator bool() const { return error || !plainReason.empty(); }
    // The reason a player owner reads in the failure report.
    std::string reason() const;
};

class CopyJob
{
public:
    CopyJob(FileOps& files, const PlannedOperation& op, std::size_t index);
    ~CopyJob(); // removes the temporary file unless it became the target
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    std::size_t index() const { return m_index; }
    std::int64_t size() const { return m_source.facts.size; }

    // Writes the copy and starts its way to the device.
    StepFailure copy();
    // Waits until the copy is on the device, then puts it in the target's place: a "copied to"
    // only where nothing answers to the name, an "overwrites" only over the file Compare saw.
    StepFailure commit();

private:
    StepFailure targetStillAsSeen();

    FileOps& m_files;
    const PlannedOperation& m_op;
    std::size_t m_index;
    OpenedSource m_source;
    UniqueFd m_out;
    std::string m_temporary; // removed unless it became the target
};

} // namespace parlowen
