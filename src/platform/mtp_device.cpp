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

} // namespace parlowen
