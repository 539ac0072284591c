// Why a step failed, in plain words.
#include "sync_wizard/step_failure.h"

#include <cerrno>

namespace parlowen {
namespace {

const char* plainWords(const std::error_code& error)
{
    if (error == std::errc::no_space_on_device)
        return "the device is full";
    if (error.value() == EDQUOT && error.category() == std::generic_category())
        return "the device is full (your quota on it is used up)";
    if (error == std::errc::read_only_file_system)
        return "the device is read-only";
    return nullptr;
}

} // namespace

std::string StepFailure::reason() const
{
    if (!plainReason.empty())
        return plainReason;
    const char* words = plainWords(error);
    return (words ? std::string(words) : error.message()) + " (" + step + ")";
}

} // namespace parlowen
