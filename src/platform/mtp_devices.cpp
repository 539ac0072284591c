// The players that speak MTP attached now.
#include "platform/mtp_devices.h"

#include "platform/mtp_address.h"

#include <cstdio>
#include <cstdlib>
#include <libmtp.h>

namespace parlowen {
namespace {

// A string libmtp hands over, freed after it is copied.
std::string taken(char* text)
{
    std::string copy = text ? text : "";
    std::free(text);
    return copy;
}

std::string describe(const LIBMTP_raw_device_t& raw)
{
    char where[96];
    std::snprintf(where, sizeof where, "%04x:%04x on USB bus %u, device %u",
                  raw.device_entry.vendor_id, raw.device_entry.product_id, raw.bus_location,
                  static_cast<unsigned>(raw.devnum));
    const char* vendor = raw.device_entry.vendor;
    const char* product = raw.device_entry.product;
    return vendor && product ? std::string(vendor) + " " + product + " (" + where + ")" : where;
}

} // namespace

MtpDeviceList connectedMtpDevices()
{
    MtpDeviceList list;
    LIBMTP_Init();
    LIBMTP_raw_device_t* raw = nullptr;
    int count = 0;
    if (LIBMTP_Detect_Raw_Devices(&raw, &count) != LIBMTP_ERROR_NONE || !raw)
        return list; // none attached, or none that can be looked at
    for (int i = 0; i < count; ++i) {
        LIBMTP_mtpdevice_t* device = LIBMTP_Open_Raw_Device_Uncached(&raw[i]);
        if (!device) {
            // Not forced: the program that holds it (a file manager, mostly) must let it go.
            list.problems.push_back("The device " + describe(raw[i]) +
                                    " could not be opened: another program holds it. If your "
                                    "file manager shows it, eject it there and try again.");
            continue;
        }
        const std::string host = mtpHostName(taken(LIBMTP_Get_Manufacturername(device)),
                                             taken(LIBMTP_Get_Modelname(device)),
                                             taken(LIBMTP_Get_Serialnumber(device)));
        if (LIBMTP_Get_Storage(device, LIBMTP_STORAGE_SORTBY_NOTSORTED) == 0) {
            for (auto* storage = device->storage; storage; storage = storage->next) {
                const char* name = storage->StorageDescription;
                list.addresses.push_back(mtpAddress(host, name ? name : "Storage"));
            }
        }
        LIBMTP_Release_Device(device);
    }
    std::free(raw);
    return list;
}

} // namespace parlowen
