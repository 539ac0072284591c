// Names on a player: the hidden temporary name a copy is written under, and the names that a
// FAT or exFAT file system cannot hold.
#pragma once

#include <string>

namespace parlowen {

// The name of the hidden file in the target's folder that a copy is written to before it replaces
// the target: at most 255 bytes, whole UTF-8 characters, and no character that FAT or exFAT refuse
// unless the target's own name has it.
std::string temporaryNameFor(const std::string& targetName);

// Whether a file name is one that temporaryNameFor gives, so a leftover can be recognised.
bool isTemporaryName(const std::string& name);

// Why a FAT or exFAT file system cannot hold the name, in a player owner's words; "" when it
// can.
std::string fatNameProblem(const std::string& name);

// The folder part of a path, ending in "/".
std::string folderOf(const std::string& path);

} // namespace parlowen
