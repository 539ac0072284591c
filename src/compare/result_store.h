// The plan a comparison makes: one operation per file to copy, in plan order.
#pragma once

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
};

inline bool isOverwrite(const PlannedOperation& op)
{
    return op.kind == OperationKind::Overwrite;
}

inline constexpr const char* kOverwrites = "overwrites";
inline constexpr const char* kCopiedTo = "copied to";

// Owned by the application: only a comparison writes it, the wizard only reads it.
using ResultStore = std::vector<PlannedOperation>;

} // namespace parlowen
