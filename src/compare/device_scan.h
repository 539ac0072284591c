// The scan of a folder on a player that speaks MTP: the same rows, in the same order and by the
// same rules as the scan of a drive's folder, listed folder by folder from the device.
#pragma once

#include "compare/folder_scan.h"
#include "platform/mtp_device.h"
#include "platform/upload_journal.h"

#include <memory>
#include <stop_token>
#include <string>

namespace parlowen::Main {

// Where an address leads on its device.
struct DeviceFolder
{
    std::shared_ptr<MtpDevice> device = {};
    std::uint32_t storage = 0;
    std::uint32_t folder = kMtpStorageTop; // the storage's top for "mtp://HOST/STORAGE"
    std::string problem = {};              // why the address cannot be compared, or ""
    // Uploads that were cut short and whose partial files could not be removed yet: never
    // taken for songs.
    std::vector<UploadEntry> unfinished = {};
};

// Opens the address's device and finds its folder. It waits on the device.
DeviceFolder findDeviceFolder(MtpDevices& devices, const std::string& address);

// Scans the tree under the folder found for the address: its own files first, then each
// subfolder's in depth-first pre-order. Hidden names are left out, names that are not UTF-8
// are left out with a "Skip" sentence, and a second object of a name already listed in its
// folder is left out with one too. A stop is honoured at the next folder.
ScanOutcome ScanDeviceTree(const DeviceFolder& where, const std::string& address,
                           std::stop_token stop = {}, GrowingRows* live = nullptr);

} // namespace parlowen::Main
