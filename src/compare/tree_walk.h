// The one scan of a side, a drive's folder or a player's: its rules for names (hidden ones,
// names that are not UTF-8, a name a folder holds twice), its order (a folder's own files, then
// each subfolder's in depth-first pre-order), the rows shown while it goes, what could not be
// read, and a stop. What lists a folder is a FolderLister: one for drives, one for players.
#pragma once

#include "compare/folder_scan.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace parlowen::Main {

// What a lister tells the walk of one folder's entries, in the order it reads them.
class FolderEntries
{
public:
    virtual ~FolderEntries() = default;
    // Whether the walk wants the entry of that name (not hidden, UTF-8, not there twice); it
    // says why where it must. A lister asks before it looks any further at the entry.
    virtual bool take(std::string_view name) = 0;
    virtual void folder(std::string_view name) = 0;
    virtual void file(std::string_view name, std::optional<std::int64_t> size,
                      std::int64_t modified, std::uint32_t object = 0,
                      std::uint32_t nanoseconds = 0) = 0;
    // An entry whose facts could not be read, with why ("permission denied").
    virtual void unreadable(std::string_view name, const std::string& reason) = 0;
    // A sentence of the lister's own for the "Skip" box.
    virtual void skipped(std::string sentence) = 0;
};

// Lists the folders of one tree as the walk goes down it.
class FolderLister
{
public:
    virtual ~FolderLister() = default;
    // Whether a folder may hold two entries of one name (a player's may).
    virtual bool namesMayRepeat() const { return false; }
    // Lists the subfolder of that name of the folder entered last ("" for the root), whose path
    // is shown as folder ("/media/ann/PLAYER/Music/"). Why it could not be read, or "". A
    // folder that must not be walked (already on the walk's own path) lists as empty.
    virtual std::string enter(const std::string& name, const std::string& folder,
                              FolderEntries& entries) = 0;
    // Back to the folder above, once the entered one's subfolders are walked (or it could not
    // be read).
    virtual void leave() = 0;
};

// Walks the whole tree under root (its shown path, ending in "/").
ScanOutcome walkTree(FolderLister& lister, const std::string& root, std::stop_token stop,
                     GrowingRows* live);

} // namespace parlowen::Main
