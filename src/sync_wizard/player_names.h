// Names on a player: the hidden temporary name a copy is written under, and the names that a
// FAT or exFAT file system cannot hold.
#pragma once

#include <string>

namespace parlowen {

// The mark of this run in the names of its temporaries: its process and its machine.
std::string runMark();

// The name of the hidden file in the target's folder that a copy is written to before it replaces
// the target: at most 255 bytes, whole UTF-8 characters, no character that FAT or exFAT refuse
// unless the target's own name has it, and this run's mark.
std::string temporaryNameFor(const std::string& targetName);
// The same with the run's mark worked out once (a run makes thousands).
std::string temporaryNameFor(const std::string& targetName, const std::string& mark);

// Whether a file name is one that temporaryNameFor gives, so a leftover can be recognised.
bool isTemporaryName(const std::string& name);

// The run mark in a temporary's name, or "" for one that carries none.
std::string runMarkOf(const std::string& temporaryName);

// Whether the run of the mark has certainly ended: it ran on this machine and its process is
// gone. A run of another machine is never taken for ended.
bool markedRunGone(const std::string& mark);

// Why a FAT or exFAT file system cannot hold the name, in a player owner's words; "" when it
// can.
std::string fatNameProblem(const std::string& name);

// The folder part of a path, ending in "/".
std::string folderOf(const std::string& path);

} // namespace parlowen
