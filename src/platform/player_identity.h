// How a player is known from one day to the next, whatever its mount point or address: a
// drive by its file system's UUID and the compared folder within it, a player that speaks MTP
// by its host name (which holds its serial) and storage.
#pragma once

#include <string>

namespace parlowen {

struct PlayerIdentity
{
    std::string id;         // "uuid:1234-ABCD:/Music" or "mtp:HOST:STORAGE"; "" where unknown
    std::string namePrefix; // put before a file's relative name to name it within the identity
};

// The identity of a compared folder (a path or an mtp:// address).
PlayerIdentity playerIdentity(const std::string& root);

} // namespace parlowen
