// The copy map of a player.
#include "convert/copy_map.h"

#include "platform/state_folder.h"
#include "platform/whole_file.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace parlowen {
namespace {

constexpr std::size_t kFields = 7;

std::unordered_map<std::string, MapLine> parse(const std::string& text)
{
    std::unordered_map<std::string, MapLine> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto f = splitFields(line);
        if (f.size() != kFields)
            continue; // not a line this program wrote
        try {
            MapLine parsed{.playerName = f[0],
                           .sourcePath = f[1],
                           .sourceSize = std::stoll(f[2]),
                           .sourceModifiedNs = std::stoll(f[3]),
                           .audioMd5 = f[4],
                           .recipe = f[5],
                           .copySize = std::stoll(f[6])};
            lines.insert_or_assign(parsed.playerName, std::move(parsed));
        } catch (const std::exception&) {
        }
    }
    return lines;
}

std::string format(const std::unordered_map<std::string, MapLine>& lines)
{
    std::string text;
    for (const auto& [name, l] : lines)
        text += escapedField(l.playerName) + '\t' + escapedField(l.sourcePath) + '\t' +
                std::to_string(l.sourceSize) + '\t' + std::to_string(l.sourceModifiedNs) + '\t' +
                escapedField(l.audioMd5) + '\t' + escapedField(l.recipe) + '\t' +
                std::to_string(l.copySize) + '\n';
    return text;
}

} // namespace

CopyMap CopyMap::load(const std::string& path)
{
    CopyMap map;
    map.m_path = path;
    map.m_lines = parse(readWhole(path));
    return map;
}

const MapLine* CopyMap::find(const std::string& playerName) const
{
    const auto at = m_lines.find(playerName);
    return at == m_lines.end() ? nullptr : &at->second;
}

void CopyMap::put(MapLine line)
{
    m_changes.emplace_back(line.playerName, line);
    std::string name = line.playerName;
    m_lines.insert_or_assign(std::move(name), std::move(line));
}

void CopyMap::remove(const std::string& playerName)
{
    m_changes.emplace_back(playerName, std::nullopt);
    m_lines.erase(playerName);
}

std::error_code CopyMap::save()
{
    if (m_changes.empty())
        return {};
    std::error_code error;
    const UniqueFd lock = lockFor(m_path, error);
    if (error)
        return error;
    auto lines = parse(readWhole(m_path));
    for (const auto& [name, line] : m_changes) {
        if (line)
            lines.insert_or_assign(name, *line);
        else
            lines.erase(name);
    }
    if ((error = writeWhole(m_path, format(lines))))
        return error;
    m_changes.clear();
    m_lines = std::move(lines);
    return {};
}

std::string nameHash(std::string_view text)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (const unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ULL;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

std::string copyMapPath(const std::string& playerIdentity)
{
    // A file name that is readable where the identity is, and tells two identities apart
    // where they differ only in characters left out of it.
    std::string name;
    for (const unsigned char c : playerIdentity) {
        if (name.size() < 60)
            name += std::isalnum(c) || c == '-' || c == '_' ? char(c) : '_';
    }
    return stateFolder() + "/maps/" + name + "-" + nameHash(playerIdentity);
}

} // namespace parlowen
