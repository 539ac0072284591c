// What the wizard says of the operations chosen: how many, and what they need on each side
// against its room, counted as the room check counts (whole allocation units).
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/room_check.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parlowen {

// A side's folder as the summary names it, and its device's room.
struct SideRoom
{
    std::string folder;
    std::int64_t allocationUnit = 1;
    std::optional<std::int64_t> freeBytes = {}; // none when it could not be read
};

struct SideLine
{
    std::string text;    // "needs 12.4 GB of room on /media/ann/PLAYER (3.1 GB free)"
    bool short_ = false; // does not fit
};

struct ChoiceSummary
{
    std::string chosen;          // "Chosen 1,204 of 4,974"
    std::vector<SideLine> sides; // only the sides something is written to
    std::string missingFolders;  // "26 into folders that do not exist", or ""
};

// The room of the device a side's folder lies on, read once when the wizard opens.
SideRoom sideRoom(FileOps& files, const std::string& folder);

// The summary of the chosen operations; missing marks the operations whose target folder does
// not exist.
ChoiceSummary summarize(const ResultStore& plan, const std::vector<bool>& chosen,
                        const std::vector<bool>& missing, const SyncRoots& roots,
                        const std::array<SideRoom, 2>& rooms);

// What the wizard reads of the devices once, when it opens: the room check's facts, and each
// side's room (a player's is its storage's, as the room check read it). It may wait on a slow
// device.
struct WizardLook
{
    RoomFacts room;
    std::array<SideRoom, 2> rooms;
    std::vector<bool> missing; // by plan position: its target folder does not exist
};
WizardLook lookForWizard(const ResultStore& plan, FileOps& files, const SyncRoots& roots,
                         MtpDevices* devices);

// What OK asks when chosen copies go into folders that do not exist, with its three answers
// (make them, leave those copies out, go back); an empty text when none does.
struct MissingFoldersQuestion
{
    std::string text;
    std::vector<std::string> answers;
};
MissingFoldersQuestion missingFoldersQuestion(const ResultStore& plan,
                                              const std::vector<bool>& chosen,
                                              const std::vector<bool>& missing,
                                              const RoomFacts& facts);

} // namespace parlowen
