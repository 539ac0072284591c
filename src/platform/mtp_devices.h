// The players that speak MTP through libmtp: the only place that talks to it. Every libmtp call
// runs on one thread, which owns every connection; scans and copies send it their requests.
#pragma once

#include "platform/mtp_device.h"

#include <map>
#include <memory>

namespace parlowen {

class OwnerThread;

class LibmtpDevices final : public MtpDevices
{
public:
    LibmtpDevices();
    ~LibmtpDevices() override;

    MtpDeviceList list() override;
    Outcome<std::shared_ptr<MtpDevice>> open(const std::string& host) override;

private:
    // The device this process has open at that place on the bus, if any (on the owner thread).
    std::shared_ptr<MtpDevice> heldHere(const void* rawDevice) const;

    std::shared_ptr<OwnerThread> m_owner;
    // By host; used on m_owner only. A device is held only while a scan, a look or a run uses
    // it: between them the file manager may take it, and one plugged in again is found anew.
    std::map<std::string, std::weak_ptr<MtpDevice>> m_open;
};

} // namespace parlowen
