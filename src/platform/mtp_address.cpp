// The addresses of players that speak MTP.
#include "platform/mtp_address.h"

#include <algorithm>

namespace parlowen {

std::string mtpHostName(const std::string& manufacturer, const std::string& model,
                        const std::string& serial)
{
    std::string host;
    for (const std::string* part : {&manufacturer, &model, &serial}) {
        if (part->empty())
            continue;
        host += (host.empty() ? "" : "_") + *part;
    }
    std::replace(host.begin(), host.end(), ' ', '_');
    return host;
}

std::string mtpAddress(const std::string& host, const std::string& storage)
{
    return "mtp://" + host + "/" + storage;
}

std::optional<MtpPlace> parseMtpAddress(const std::string& text)
{
    if (!isMtpAddress(text))
        return std::nullopt;
    const std::string rest = text.substr(6);
    const auto hostEnd = rest.find('/');
    if (hostEnd == 0 || hostEnd == std::string::npos || hostEnd + 1 == rest.size())
        return std::nullopt;
    const auto storageEnd = rest.find('/', hostEnd + 1);
    MtpPlace place{rest.substr(0, hostEnd), rest.substr(hostEnd + 1, storageEnd - hostEnd - 1), ""};
    if (storageEnd != std::string::npos)
        place.folder = rest.substr(storageEnd + 1);
    while (place.folder.ends_with('/'))
        place.folder.pop_back();
    if (place.storage.empty() || place.folder.find("//") != std::string::npos)
        return std::nullopt;
    return place;
}

std::string addressOrPath(const std::string& text)
{
    return mtpAddressOfFileManagerPath(text).value_or(text);
}

std::optional<std::string> mtpAddressOfFileManagerPath(const std::string& path)
{
    // /run/user/UID/gvfs/mtp:host=HOST[/...]
    constexpr std::string_view kRun = "/run/user/";
    constexpr std::string_view kMtp = "/gvfs/mtp:host=";
    if (!path.starts_with(kRun))
        return std::nullopt;
    const auto uidEnd = path.find('/', kRun.size());
    if (uidEnd == std::string::npos || uidEnd == kRun.size() ||
        path.compare(uidEnd, kMtp.size(), kMtp) != 0)
        return std::nullopt;
    const std::string rest = path.substr(uidEnd + kMtp.size());
    if (rest.empty() || rest.front() == '/')
        return std::nullopt;
    return "mtp://" + rest;
}

} // namespace parlowen
