// Where Parlowen keeps what it writes for itself: the Sync log, the record of uploads.
#pragma once

#include <string>

namespace parlowen {

// "$XDG_STATE_HOME/parlowen" (~/.local/state/parlowen).
std::string stateFolder();
// Parlowen's folder under the XDG base folder the variable names, else under ~/fallback
// ("XDG_CACHE_HOME", ".cache": ~/.cache/parlowen).
std::string xdgFolder(const char* variable, const char* fallback);

} // namespace parlowen
