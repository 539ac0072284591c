// Where Parlowen keeps what it writes for itself.
#include "platform/state_folder.h"

#include <cstdlib>

namespace parlowen {

std::string stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::string base =
        state && *state ? std::string(state) : std::string(home ? home : "") + "/.local/state";
    return base + "/parlowen";
}

} // namespace parlowen
