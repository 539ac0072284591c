// The addresses of players that speak MTP: "mtp://HOST/STORAGE/FOLDER...", HOST named as the
// file manager names the device, STORAGE the storage's own description.
#pragma once

#include <optional>
#include <string>

namespace parlowen {

// The device's name in an address: manufacturer, model and serial joined by "_", spaces as "_"
// ("Parlowen_Test_Player_0001"); parts the device does not give are left out.
std::string mtpHostName(const std::string& manufacturer, const std::string& model,
                        const std::string& serial);

// The parts of an address: "mtp://HOST/STORAGE/Music/ABBA" is the folder "Music/ABBA" of that
// storage; the storage itself has the folder "".
struct MtpPlace
{
    std::string host;
    std::string storage;
    std::string folder;
};

inline bool isMtpAddress(const std::string& text)
{
    return text.starts_with("mtp://");
}

// None for a text that is no address or names no host and storage.
std::optional<MtpPlace> parseMtpAddress(const std::string& text);

// A folder box's text as Compare reads it: the file manager's path of a device as its address,
// anything else as it is.
std::string addressOrPath(const std::string& text);

// "mtp://HOST/STORAGE".
std::string mtpAddress(const std::string& host, const std::string& storage);

// The address a file manager's path stands for ("/run/user/1000/gvfs/mtp:host=HOST/STORAGE/A"
// is "mtp://HOST/STORAGE/A"); none for any other path.
std::optional<std::string> mtpAddressOfFileManagerPath(const std::string& path);

} // namespace parlowen
