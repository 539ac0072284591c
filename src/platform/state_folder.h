// Where Parlowen keeps what it writes for itself: the Sync log, the record of uploads.
#pragma once

#include <string>

namespace parlowen {

// "$XDG_STATE_HOME/parlowen" (~/.local/state/parlowen).
std::string stateFolder();

} // namespace parlowen
