// Carrying a plan out: each operation copies its source through a temporary file, so a target
// is only ever replaced by a complete, flushed copy, and only a target the comparison saw.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "platform/mtp_device.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/player_names.h"

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace parlowen {

struct FailedOperation
{
    std::string sourcePath;
    std::string targetPath;
    std::string reason; // in a player owner's words, with the step it stopped at
};

// Where a run of the plan is.
struct CopyProgress
{
    std::size_t current = 0; // the operation being copied, counted from 1
    std::size_t total = 0;
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;
    std::string file = {}; // the source being copied
    // Before the first copy: the target folders opened so far, of how many.
    std::size_t foldersOpened = 0;
    std::size_t foldersToOpen = 0;
    std::string target = {};     // where the file being copied is written, under its own name
    std::int64_t fileBytes = 0;  // its size
    std::int64_t fileDone = 0;   // and how much of it is copied
    bool converting = false;     // the file is waited for from its encoder
};

// What a caller may watch and ask of a run. The progress is told on the running thread.
struct CarryOutControl
{
    std::function<void(const CopyProgress&)> progress = {};
    std::stop_token stop = {};
    // Makes the target folders that do not exist, just before the first copy into each.
    bool createFolders = false;
    // The compared folders: nothing is written beneath one that is no longer the folder
    // Compare read (and, when they are known, no folder is made at or above them).
    SyncRoots roots = {};
    // What the reason for a copy into a folder that does not exist tells to do about it.
    std::string missingFolderHint = "choose to create the missing folders to have it made";
    // Told on the running thread as each operation ends: its plan position, and why it failed
    // ("" when it was done). A folder's failure after its copies has no position (npos).
    std::function<void(std::size_t index, const FailedOperation& failure)> ended = {};
    // Told once the copies told done since the last time are on the device (their folders
    // flushed), a batch at a time.
    std::function<void()> settled = {};
    // The players that speak MTP that sources are read from and copies are sent to.
    MtpDevices* devices = nullptr;
};

struct CarryOutResult
{
    std::vector<FailedOperation> failures;
    bool stopped = false;
    std::size_t finished = 0; // operations carried out or failed before the end or the stop
    std::size_t total = 0;
    // What went otherwise than asked without failing, such as a device that keeps no file
    // times: a sentence each, once per device.
    std::vector<std::string> notes = {};
    std::vector<std::size_t> done = {}; // the plan positions carried out, in the order done
    std::string logFile = {};           // where the run is logged, if it is
};

// Runs every operation in plan order; one failure does not stop the others. A stop abandons
// the copies not yet in place (their temporaries removed) and leaves everything else as it is.
// Every copy that was put in place is on the device when this returns. Each target folder is
// locked against other runs from its first copy to its last; one another run holds is left
// untouched.
CarryOutResult carryOut(const ResultStore& plan, FileOps& files, const CarryOutControl& control);

// How many small copies are written ahead of one flush: at most 2,048, fewer where the process
// may open few files.
std::size_t writeAheadFiles();

// The same, without watching: returns the operations that failed.
std::vector<FailedOperation> carryOut(const ResultStore& plan, FileOps& files);

// The "Error" text naming each failed operation: the first 20, then how many more.
std::string failureReport(const std::vector<FailedOperation>& failures);
// The same without its first line: each failed operation on a line of its own.
std::string failureList(const std::vector<FailedOperation>& failures);

} // namespace parlowen
