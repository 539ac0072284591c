// The players that speak MTP through libmtp.
#include "platform/mtp_devices.h"

#include "platform/libmtp_device.h"
#include "platform/mtp_address.h"
#include "platform/owner_thread.h"

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <libmtp.h>
#include <unistd.h>

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

std::string heldMessage(const LIBMTP_raw_device_t& raw)
{
    // Not forced: the program that holds it (a file manager, mostly) must let it go.
    return "The device " + describe(raw) +
           " could not be opened: another program holds it. If your file manager shows it, "
           "eject it there and try again.";
}

std::string hostOf(LIBMTP_mtpdevice_t* device)
{
    return mtpHostName(taken(LIBMTP_Get_Manufacturername(device)),
                       taken(LIBMTP_Get_Modelname(device)),
                       taken(LIBMTP_Get_Serialnumber(device)));
}

// libmtp tells what it finds on standard output and standard error ("Device 0 (VID=...) is
// UNKNOWN", "libusb_claim_interface() reports device is busy"), where the headless tool writes
// its records and messages: that goes nowhere while a device is looked for or opened; Parlowen
// says what matters in its own words. Only the owner thread calls into libmtp, and nothing
// else writes meanwhile.
class QuietOutput
{
public:
    QuietOutput()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            m_saved[fd] = ::dup(fd);
            if (m_saved[fd] >= 0 && nowhere >= 0)
                ::dup2(nowhere, fd);
        }
        if (nowhere >= 0)
            ::close(nowhere);
    }
    ~QuietOutput()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            if (m_saved[fd] >= 0) {
                ::dup2(m_saved[fd], fd);
                ::close(m_saved[fd]);
            }
        }
    }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    int m_saved[3] = {-1, -1, -1};
};

LIBMTP_mtpdevice_t* openQuietly(LIBMTP_raw_device_t& raw)
{
    const QuietOutput quiet;
    return LIBMTP_Open_Raw_Device_Uncached(&raw);
}

struct RawDevices
{
    LIBMTP_raw_device_t* raw = nullptr;
    int count = 0;
    RawDevices()
    {
        const QuietOutput quiet;
        LIBMTP_Init();
        if (LIBMTP_Detect_Raw_Devices(&raw, &count) != LIBMTP_ERROR_NONE || !raw)
            count = 0;
    }
    ~RawDevices() { std::free(raw); }
    RawDevices(const RawDevices&) = delete;
    RawDevices& operator=(const RawDevices&) = delete;
};

// The kind of file a player files a song under, by its name's ending.

std::vector<std::string> addressesOf(MtpDevice& device)
{
    std::vector<std::string> addresses;
    for (const auto& storage : device.storages().value)
        addresses.push_back(mtpAddress(device.host(), storage.description));
    return addresses;
}

} // namespace

LibmtpDevices::LibmtpDevices() : m_owner(std::make_shared<OwnerThread>()) {}

LibmtpDevices::~LibmtpDevices()
{
    m_open.clear();
}

MtpDeviceList LibmtpDevices::list()
{
    return m_owner->call([this] {
        MtpDeviceList list;
        const RawDevices found;
        for (int i = 0; i < found.count; ++i) {
            std::vector<std::string> addresses;
            if (const auto held = heldHere(&found.raw[i])) {
                addresses = addressesOf(*held);
            } else if (LIBMTP_mtpdevice_t* device = openQuietly(found.raw[i])) {
                // Looked at and let go: a device is only held while Parlowen works with it.
                addresses = addressesOf(*libmtpDevice(m_owner, device, hostOf(device), found.raw[i]));
            } else {
                list.problems.push_back(heldMessage(found.raw[i]));
            }
            list.addresses.insert(list.addresses.end(), addresses.begin(), addresses.end());
        }
        return list;
    });
}

Outcome<std::shared_ptr<MtpDevice>> LibmtpDevices::open(const std::string& host)
{
    return m_owner->call([&] {
        Outcome<std::shared_ptr<MtpDevice>> outcome;
        if (auto at = m_open.find(host); at != m_open.end()) {
            auto held = at->second.lock();
            if (held && !libmtpDeviceBroken(*held)) {
                outcome.value = std::move(held);
                return outcome;
            }
            m_open.erase(at); // let go, or pulled out since: it may be back on another port
        }
        const RawDevices found;
        bool held = false;
        for (int i = 0; i < found.count && !outcome.value; ++i) {
            if (heldHere(&found.raw[i]))
                continue;
            LIBMTP_mtpdevice_t* device = openQuietly(found.raw[i]);
            if (!device) {
                held = true;
                continue;
            }
            auto opened = libmtpDevice(m_owner, device, hostOf(device), found.raw[i]);
            if (opened->host() == host) {
                m_open[host] = opened;
                outcome.value = opened;
            }
        }
        if (!outcome.value)
            outcome.error = std::make_error_code(held ? std::errc::device_or_resource_busy
                                                      : std::errc::no_such_device);
        return outcome;
    });
}

std::shared_ptr<MtpDevice> LibmtpDevices::heldHere(const void* rawDevice) const
{
    const auto& raw = *static_cast<const LIBMTP_raw_device_t*>(rawDevice);
    for (const auto& [host, weak] : m_open) {
        auto device = weak.lock();
        if (!device)
            continue;
        if (!libmtpDeviceBroken(*device) && libmtpDeviceAt(*device, raw))
            return device;
    }
    return nullptr;
}

} // namespace parlowen