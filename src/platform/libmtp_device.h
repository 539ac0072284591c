// One player opened through libmtp. Only the libmtp layer includes this.
#pragma once

#include "platform/mtp_device.h"

#include <libmtp.h>
#include <memory>
#include <string>

namespace parlowen {

class OwnerThread;

// The device opened at raw, named host. Every call runs on the owner thread, and the device is
// released there once its last holder lets it go.
std::shared_ptr<MtpDevice> libmtpDevice(std::shared_ptr<OwnerThread> owner,
                                        LIBMTP_mtpdevice_t* device, std::string host,
                                        const LIBMTP_raw_device_t& raw);

// Whether a device so opened was found pulled out (on the owner thread).
bool libmtpDeviceBroken(const MtpDevice& device);

// Whether it is the device at that place on the bus (on the owner thread).
bool libmtpDeviceAt(const MtpDevice& device, const LIBMTP_raw_device_t& raw);

} // namespace parlowen
