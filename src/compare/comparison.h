// Matching the rows of two scanned trees: statuses, icons and the plan of operations.
#pragma once

#include "compare/folder_scan.h"
#include "compare/result_store.h"
#include "convert/copy_map.h"
#include "platform/file_ops.h"
#include "platform/mtp_device.h"

#include <functional>
#include <memory>
#include <optional>

namespace parlowen {

// What a comparison knows of a side beyond its rows.
// How the songs of the other side are converted on their way to this one (a player's rule
// and its copy map).
struct ConvertSetup
{
    ConvertRule rule;
    std::string mapPath;
    std::string namePrefix; // before a relative name to name it in the map
    CopyMap map;
    bool playlists = false; // the PC's playlists are written for the player
};

struct SideFacts
{
    bool caseInsensitive = false; // FAT, exFAT, MTP: names that differ only in capitals are one
    Place::On on = Place::On::Drive;
    // What could not be read ("Album/" for a folder, "Album/a.mp3" for a file): the other
    // side's files there cannot be judged.
    std::vector<std::string> unreadable = {};
    // The kinds of file a player says it plays (MIME types); none where it says nothing.
    std::vector<std::string> plays = {};
    // Where this side is a player given converted copies of the other side's songs.
    std::shared_ptr<const ConvertSetup> converted = {};
};

struct Comparison
{
    std::vector<ResultRow> left;
    std::vector<ResultRow> right;
    ResultStore plan;
    std::vector<std::string> skipped =
        {}; // the "Skip" sentences: the left side's, then the right's
    bool abandoned = false;
    // Why a side could not be compared at all ("it does not exist"), or "": then nothing is
    // scanned or planned.
    std::string leftProblem = {};
    std::string rightProblem = {};
    // Which folders the roots were as the scans began; none where a root could not be read.
    std::optional<FolderIdentity> leftSeen = {};
    std::optional<FolderIdentity> rightSeen = {};
    SideFacts leftFacts = {};
    SideFacts rightFacts = {};
};

// Whether the name lies under (or is) one of the places a side could not read.
bool underAny(const std::string& name, const std::vector<std::string>& unreadable);

// Marks every row of both sides and plans the operations that make the trees agree: first the
// left rows' overwrites and copies in left order, then the right-only copies in right order.
// The roots are the sides' root texts (no trailing "/" except for "/" itself). Where either side
// does not tell capitals apart, a name left without a namesake is matched to the one name
// without a namesake on the other side that differs only in capitals; an overwrite keeps its
// target's own spelling. A file under what the other side could not read gets no status and
// no operation.
void matchRows(Comparison& comparison, const std::string& leftRoot, const std::string& rightRoot);
void matchRows(std::vector<ResultRow>& left, std::vector<ResultRow>& right, ResultStore& plan,
               const std::string& leftRoot, const std::string& rightRoot,
               const SideFacts& leftFacts = {}, const SideFacts& rightFacts = {},
               std::vector<std::string>* skipped = nullptr);

// Scans both roots at the same time, each on a thread of its own (the two sides are normally
// two devices), and matches them once both are done. A stop request abandons both scans; a
// side that is no folder or cannot be listed ends both, with its problem said.
// Given live rows, each side's rows go there as they are found (and are marked there); the
// comparison's own rows stay empty.
// A root may be a player's address ("mtp://HOST/STORAGE/FOLDER"), reached through devices.
// Where convert gives a setup (asked once both scans are done: a player that hangs holds no
// other side back), the left side is a player given converted copies of the PC's songs.
using ConvertSetupSource = std::function<std::shared_ptr<const ConvertSetup>()>;
Comparison compareFolders(const std::string& leftRoot, const std::string& rightRoot,
                          std::stop_token stop = {}, LiveRows* live = nullptr,
                          MtpDevices* devices = nullptr, const ConvertSetupSource& convert = {});

// The text of the one "Skip" box of a Compare: a sentence a line, the first 20, then how many
// more.
std::string skipReport(const std::vector<std::string>& skipped);

} // namespace parlowen

namespace parlowen {

inline constexpr const char* kInvalidFolders =
    "Please make sure you have two valid folders selected.";

} // namespace parlowen
