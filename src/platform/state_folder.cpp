// Where Parlowen keeps what it writes for itself.
#include "platform/state_folder.h"

#include <cstdlib>

namespace parlowen {

std::string xdgFolder(const char* variable, const char* fallback)
{
    const char* set = std::getenv(variable);
    const char* home = std::getenv("HOME");
    const std::string base =
        set && *set ? std::string(set) : std::string(home ? home : "") + "/" + fallback;
    return base + "/parlowen";
}

std::string stateFolder()
{
    return xdgFolder("XDG_STATE_HOME", ".local/state");
}

} // namespace parlowen
