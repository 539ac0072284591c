// Where the files of a run live: a drive's folders or a player's storage. The executor reads
// and writes only through this seam, so each promise of a run (the source checked before and
// after its copy, a copy that is whole under its name or not there at all, a target replaced
// only while it is what Compare saw) is kept once, above it, for drives and players alike.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "sync_wizard/step_failure.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace parlowen {

using BytesTold = std::function<void(std::int64_t)>;

struct FolderFailure
{
    std::string folder;
    std::string reason;
};

// A file being read for a copy, opened once: a drive's file or an object on a player.
class SourceFile
{
public:
    virtual ~SourceFile() = default;
    // What it is as it was opened: size and times (the copy carries the times).
    virtual const FileFacts& facts() const = 0;
    // What Compare judged: the file itself, or the song a converted copy was made from.
    virtual const FileFacts& asCompared() const { return facts(); }
    // Its descriptor where it lies on a drive; -1 where it does not.
    virtual int fd() const = 0;
    // Writes the whole file to out, for a file that has no descriptor of its own.
    virtual StepFailure copyInto(int out, const std::stop_token& stop, const BytesTold& copied) = 0;
    // Fails when it is no longer the version that was opened: the copy would mix two.
    virtual StepFailure unchanged(std::int64_t read) = 0;
};

// A copy being written. Until it is placed, nothing under its name has changed; destroyed
// before then, it leaves nothing behind.
class NewFile
{
public:
    virtual ~NewFile() = default;
    // Writes the source's bytes, telling copied the bytes so far. A stop abandons it (the
    // failure's error is operation_canceled).
    virtual StepFailure write(SourceFile& source, const std::stop_token& stop,
                              const BytesTold& copied) = 0;
    // Gives it the source's times where the place keeps them: then it is ready to settle.
    virtual StepFailure finish() = 0;
    // Once settled, puts it under its name: a copy only where nothing answers to the name, an
    // overwrite only over the file Compare saw.
    virtual StepFailure place() = 0;
    virtual std::int64_t size() const = 0;
    // Once placed: removes the file of that name in its folder (an older converted copy of
    // the same song), only while it has that size.
    virtual StepFailure removeBeside(const std::string& name, std::int64_t size) = 0;
};

// What the room check needs of an operation's target folder, read without writing anything.
struct TargetLook
{
    std::uint64_t device = 0; // the device the folder is on, or will be made on
    std::string where = {};   // that device as people know it
    std::int64_t allocationUnit = 1;
    std::optional<std::int64_t> freeBytes = {};
    std::vector<std::string> toMake = {}; // the folders a copy into it makes
    bool overwritesInPlace = false;  // its overwrites remove the old copy before sending the new
};

// One of the places a run reads from and writes to, named by the plan's own paths.
class Volume
{
public:
    virtual ~Volume() = default;

    // Before the first operation: looks at what the run will write into (a drive opens and
    // locks its target folders ahead), telling how far it is; ends early on a stop.
    virtual void begin(const ResultStore& plan, const std::stop_token& stop,
                       const std::function<void(std::size_t done, std::size_t of)>& told) = 0;
    // The file an operation reads, as it is now.
    virtual StepFailure open(const PlannedOperation& op, std::unique_ptr<SourceFile>& source) = 0;
    // A new file for the operation's target: its folder found (made where the run was asked
    // to) and its name checked; nothing is written yet.
    virtual StepFailure create(const PlannedOperation& op, std::size_t index,
                               std::unique_ptr<NewFile>& file) = 0;
    // What the room check needs of the operation's target folder; none where it cannot be
    // looked at (the run then says why).
    virtual std::optional<TargetLook> look(const PlannedOperation& op) = 0;
    // The run has started its last operation at index: what it held for it may go.
    virtual void passed(std::size_t index) = 0;

    // Whether finished copies wait to be settled together (many small files share one flush)
    // or are whole on the device as soon as they are written.
    virtual bool settlesInBatches() const = 0;
    // Brings finished copies to the device; an error means none of them can be trusted.
    virtual std::error_code settle(const std::vector<NewFile*>& files) = 0;
    // The copies were placed: their folders are brought to the device, now or with the next
    // settle. Each folder that could not be so far, with why.
    virtual std::vector<FolderFailure> settleFolders(const std::vector<NewFile*>& placed) = 0;
    // After the last operation: everything placed is on the device when this returns. Each
    // folder that could not be brought there, with why.
    virtual std::vector<FolderFailure> finish() = 0;
    // Whether a copy that failed so may succeed once the copies waiting are placed (they may
    // free the room of the files they replace).
    virtual bool worthRetry(const StepFailure& failure, const NewFile* file) const = 0;

    // Sentences on what went otherwise than asked without failing, once each.
    virtual std::vector<std::string> takeNotes() = 0;
};

} // namespace parlowen
