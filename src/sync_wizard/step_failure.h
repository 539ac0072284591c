// Why a step of an operation failed, told in a player owner's words.
#pragma once

#include <string>
#include <system_error>

namespace parlowen {

// The system's error and the step it stopped at, or a reason already in plain words.
struct StepFailure
{
    std::error_code error;
    std::string step;
    std::string plainReason;

    explicit operator bool() const { return error || !plainReason.empty(); }
    // The reason a player owner reads in the failure report.
    std::string reason() const;
};

inline StepFailure failed(const std::error_code& error, std::string step)
{
    return {error, std::move(step), {}};
}

inline StepFailure failedPlainly(std::string reason)
{
    return {{}, {}, std::move(reason)};
}

} // namespace parlowen
