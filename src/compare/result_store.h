// The plan a comparison makes: one operation per file to copy, in plan order.
#pragma once

#include "convert/preset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parlowen {

enum class OperationKind : std::uint8_t
{
    Copy,     // into a place where nothing of that name is
    Overwrite // over the file Compare saw there
};

// What a path of the plan names: a file or folder of a drive, or an object on a player that
// speaks MTP ("mtp://HOST/STORAGE/..."), which is reached by its handle, not its path.
struct Place
{
    enum class On : std::uint8_t
    {
        Drive,
        Device
    } on = On::Drive;
    std::uint32_t object = 0; // on a device: the object Compare saw there; 0 for none
};

// A copy that is converted on its way to the player.
struct Conversion
{
    ConvertRule rule = {};
    std::string mapPath = {}; // the player's copy map
    std::string mapName = {}; // the copy's name in it
    std::string songName = {}; // the song's, relative to the compared PC folder
    std::int64_t estimatedSize = 0; // until the copy exists
    std::string why = {};     // why a copy already there is made again; "" for a new one
    // An older copy of the song in another format in the same folder (the rule's format
    // changed): removed once the new copy is whole, while it has the size the map recorded.
    std::string replacesName = {};
    std::int64_t replacesSize = 0;
    std::string replacesMapName = {};
};

// A file written for the player rather than copied: a PC playlist in the player's version.
struct WrittenFile
{
    std::string content;
    std::vector<std::string> missing = {}; // entries whose songs will not be on the player
    std::vector<std::string> songs = {};   // the songs it names, as the plan's source paths
};

struct PlannedOperation
{
    std::string OpSource = {};       // the file shown as the operation's source
    std::string OpDestination = {};  // the replaced file, or the target root folder ending in "/"
    std::string OpSourcePath = {};   // the file that is read
    std::string OpTargetPath = {};   // the path that is written
    std::string OpReplacedPath = {}; // the file an overwrite replaces; empty for a copy
    std::string OpAction = {};       // "overwrites" or "copied to"
    // What Compare saw of an overwrite's target: it is replaced only while it still looks so.
    std::optional<std::int64_t> seenTargetSize = {};
    std::optional<std::int64_t> seenTargetModified = {}; // seconds since the epoch
    // The source's size as Compare saw it, for the room check and the progress.
    std::optional<std::int64_t> sourceSize = {};
    // The source's time as Compare saw it: a source put back in an older version since is not
    // copied over a newer target.
    std::optional<std::int64_t> seenSourceModified = {};
    OperationKind kind = OperationKind::Copy;
    Place source = {};
    Place target = {}; // for an overwrite, the object replaced
    std::optional<Conversion> conversion = {}; // none for a copy of the file as it is
    std::optional<WrittenFile> written = {};   // none for a copy of the file as it is
};

// The bytes the operation writes: the estimate of a converted copy, else the source's size.
inline std::int64_t bytesWritten(const PlannedOperation& op)
{
    if (op.written)
        return static_cast<std::int64_t>(op.written->content.size());
    return op.conversion ? op.conversion->estimatedSize : op.sourceSize.value_or(0);
}

inline bool isOverwrite(const PlannedOperation& op)
{
    return op.kind == OperationKind::Overwrite;
}

inline constexpr const char* kOverwrites = "overwrites";
inline constexpr const char* kCopiedTo = "copied to";

// Owned by the application: only a comparison writes it, the wizard only reads it.
using ResultStore = std::vector<PlannedOperation>;

} // namespace parlowen
