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
    std::string name;
    std::int64_t size = 0; // the whole file's; a partial one is smaller
    bool operator==(const UploadEntry&) const = default;
};

// One file of entries, shared by every Parlowen process: each change rewrites it whole under
// a lock and is on the disk before it returns.
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
// folder, smaller than the whole file) and forgets them; a sentence for each one removed.
// Entries the device cannot be asked about now are kept.
std::vector<std::string> clearUnfinishedUploads(MtpDevice& device, UploadJournal& journal);

} // namespace parlowen
