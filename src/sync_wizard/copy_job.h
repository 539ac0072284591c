// One operation of a plan: the copy into a hidden temporary file, then, once that is on the
// device, the step that puts it in the target's place.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"

#include <functional>
#include <stop_token>
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

    // Writes the copy, telling copied the bytes written so far after every chunk. A large file
    // goes to the device while it is written, so that a stop is never far behind; a stop
    // abandons the copy (the failure's error is operation_canceled).
    StepFailure copy(const std::stop_token& stop,
                     const std::function<void(std::int64_t)>& copied);
    // Gives the copy the source's times; then the copy is ready to be flushed.
    StepFailure stamp();
    const UniqueFd& output() const { return m_out; }
    // Once flushed, puts the copy in the target's place: a "copied to" only where nothing
    // answers to the name, an "overwrites" only over the file Compare saw.
    StepFailure place();

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
