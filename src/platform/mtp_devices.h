// The players that speak MTP attached now. The only place that talks to libmtp; it opens each
// device only long enough to read its names.
#pragma once

#include <string>
#include <vector>

namespace parlowen {

struct MtpDeviceList
{
    std::vector<std::string> addresses; // one per storage: "mtp://HOST/STORAGE"
    std::vector<std::string> problems;  // a device that could not be opened, in plain words
};

MtpDeviceList connectedMtpDevices();

} // namespace parlowen
