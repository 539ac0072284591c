// A player that speaks MTP, in a player owner's words.
#include "platform/mtp_device.h"

namespace parlowen {

std::string mtpProblem(const std::string& host, const std::error_code& error)
{
    const std::string player = "the player " + host;
    if (error == std::errc::no_such_device)
        return player + " is not connected";
    if (error == std::errc::device_or_resource_busy)
        return player + " could not be opened: another program holds it. If your file manager "
                        "shows it, eject it there and try again";
    if (error == std::errc::no_such_file_or_directory)
        return "it is no longer on " + player;
    return player + " did not answer as expected (" + error.message() + ")";
}

std::error_code removeChecked(MtpDevice& device, const ExpectedObject& expected)
{
    if (expected.handle == 0 || expected.handle == kMtpStorageTop)
        return std::make_error_code(std::errc::operation_not_permitted);
    const auto now = device.object(expected.handle);
    if (now.error)
        return now.error;
    const bool sizeFits = expected.below ? now.value.size < expected.size
                                               : now.value.size == expected.size;
    if (now.value.folder || now.value.parent != expected.parent ||
        now.value.name != expected.name || !sizeFits)
        return std::make_error_code(std::errc::operation_not_permitted);
    return device.remove(expected.handle);
}

} // namespace parlowen
