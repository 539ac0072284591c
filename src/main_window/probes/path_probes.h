// The two path probes every part of the program guards its paths with; neither ever fails.
#pragma once

#include <string>

namespace parlowen::OldMain {

// True when the path names an existing entry exactly; false for a path ending in "/".
bool FileExists(const std::string& path);

// True when the path names an existing folder, with or without a trailing "/".
bool IsFolder(const std::string& path);

// The leading part of the path up to and including its last "/"; "" when it holds none.
std::string FolderPartOf(const std::string& path);

} // namespace parlowen::OldMain
