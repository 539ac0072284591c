// How a player is known from one day to the next, whatever its mount point or address: a
// drive by its file system's UUID and the compared folder within it, a player that speaks MTP
// by its host name (which holds its serial) and storage.
#pragma once

#include <string>
#include <vector>

namespace parlowen {

struct PlayerIdentity
{
    std::string id;         // "uuid:1234-ABCD:/Music" or "mtp:HOST:STORAGE"; "" where unknown
    std::string namePrefix; // put before a file's relative name to name it within the identity
};

// The identity of a compared folder (a path or an mtp:// address).
PlayerIdentity playerIdentity(const std::string& root);

// The kinds of file (MIME types) the player holding a drive folder plays, as Debian's
// media-player-info says for the model udev knows it as (ID_MEDIA_PLAYER); none where udev
// does not know it.
std::vector<std::string> driveOutputFormats(const std::string& root);
// The same for the block devices numbered "MAJOR:MINOR" (a partition, then its disk), from udev's
// database and the profiles in their folders.
std::vector<std::string> mediaPlayerFormats(const std::vector<std::string>& devices,
                                            const std::string& udevData,
                                            const std::string& profiles);

} // namespace parlowen
