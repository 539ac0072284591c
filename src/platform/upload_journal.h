// The record of uploads in flight to players that speak MTP. An upload is recorded, on disk,
// before it starts and forgotten once the device holds the whole file; whatever a stop, a
// pulled cable or a killed process leaves behind is found through the record and removed.
#pragma once

#include "platform/mtp_device.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace parlowen {

// Named by paths, not handles: a device may number its objects anew when it is plugged in again.
struct UploadEntry
{
    std::string host;
    std::string folder; // its address, ending in "/": "mtp://HOST/STORAGE/Music/"
    std::string name;      // what it is sent as: a hidden temporary name, or the song's own
    std::int64_t size = 0; // the whole file's; a partial one is smaller
    std::string song = {}; // the name it is meant to have, as messages name it
    bool operator==(const UploadEntry&) const = default;
    bool underTemporaryName() const { return !song.empty() && song != name; }
};

// One file of entries, shared by every Parlowen process: each change writes it anew beside the
// old one under a lock, flushes it and renames it over the old, so a crash leaves one or the
// other whole.
class UploadJournal
{
public:
    explicit UploadJournal(std::string path) : m_path(std::move(path)) {}

    std::error_code add(const UploadEntry& entry);
    std::error_code forget(const UploadEntry& entry);
    std::vector<UploadEntry> entriesFor(const std::string& host) const;

private:
    template <class Change> std::error_code change(Change change);
    std::string m_path;
};

// "$XDG_STATE_HOME/parlowen/uploads" (~/.local/state/parlowen/uploads).
std::string uploadJournalPath();

// Removes what the uploads recorded for this device left (the object of that name in that
// folder: under a temporary name any size up to the whole, under the song's own name only a
// smaller one) and forgets them; a sentence for each one removed. Entries the device cannot
// be asked about now (unplugged, its storage card out) are kept.
std::vector<std::string> clearUnfinishedUploads(MtpDevice& device, UploadJournal& journal);

} // namespace parlowen
