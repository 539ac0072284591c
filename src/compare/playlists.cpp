// Reading the PC's playlists and writing them for the player.
#include "compare/playlists.h"

#include "compare/utf8.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace parlowen {
namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return out;
}

std::string extensionOf(std::string_view name)
{
    const auto dot = name.rfind('.');
    const auto slash = name.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return lower(name.substr(dot));
}

// The bytes as UTF-8: without a byte-order mark, and from Latin-1 where they are not UTF-8.
std::string asUtf8(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (isValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    for (const unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string trimmed(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    std::size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    return line.substr(start);
}

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "a/./b/../c" is "a/c"; none where ".." climbs out of the tree. One pass: a Compare reads
// every entry of every playlist.
std::optional<std::string> normalised(std::string_view whole)
{
    std::string out;
    out.reserve(whole.size());
    for (std::size_t start = 0; start <= whole.size();) {
        const std::size_t slash = std::min(whole.find('/', start), whole.size());
        const std::string_view part = whole.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (out.empty())
                return std::nullopt;
            const auto last = out.rfind('/');
            out.erase(last == std::string::npos ? 0 : last);
            continue;
        }
        if (!out.empty())
            out += '/';
        out += part;
    }
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b);
           });
}

} // namespace

bool isPlaylistName(std::string_view name)
{
    const std::string extension = extensionOf(name);
    return extension == ".m3u" || extension == ".m3u8" || extension == ".pls";
}

std::vector<PlaylistEntry> readPlaylist(std::string_view name, std::string_view bytes)
{
    const std::string text = asUtf8(bytes);
    std::istringstream lines(text);
    std::vector<PlaylistEntry> entries;
    if (extensionOf(name) == ".pls") {
        // FileN=, TitleN=, LengthN= in any order.
        std::unordered_map<int, PlaylistEntry> byNumber;
        std::vector<int> order;
        for (std::string line; std::getline(lines, line);) {
            line = trimmed(line);
            const auto equals = line.find('=');
            if (equals == std::string::npos)
                continue;
            const std::string key = lower(line.substr(0, equals));
            const std::string value = line.substr(equals + 1);
            for (const char* field : {"file", "title", "length"}) {
                const std::string prefix = field;
                if (!key.starts_with(prefix) || key.size() == prefix.size())
                    continue;
                int number = 0;
                try {
                    number = std::stoi(key.substr(prefix.size()));
                } catch (const std::exception&) {
                    continue;
                }
                if (!byNumber.contains(number))
                    order.push_back(number);
                auto& entry = byNumber[number];
                if (prefix == "file")
                    entry.path = value;
                else if (prefix == "title")
                    entry.title = value;
                else
                    entry.seconds = std::atoi(value.c_str());
            }
        }
        std::sort(order.begin(), order.end());
        for (const int number : order) {
            if (!byNumber[number].path.empty())
                entries.push_back(byNumber[number]);
        }
        return entries;
    }
    PlaylistEntry next;
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (line.empty())
            continue;
        if (line.starts_with("#EXTINF:")) {
            const auto comma = line.find(',');
            next.seconds = std::atoi(line.substr(8, comma - 8).c_str());
            next.title = comma == std::string::npos ? std::string() : line.substr(comma + 1);
            continue;
        }
        if (line.starts_with('#'))
            continue;
        next.path = line;
        entries.push_back(std::move(next));
        next = {};
    }
    return entries;
}

SongNames::SongNames(std::vector<std::string_view> relativeNames)
    : m_names(std::move(relativeNames))
{
    m_exact.reserve(m_names.size());
    for (std::size_t i = 0; i < m_names.size(); ++i)
        m_exact.emplace(m_names[i], i);
}

std::optional<std::size_t> SongNames::named(std::string_view relative, bool fold) const
{
    if (const auto at = m_exact.find(relative); at != m_exact.end())
        return at->second;
    if (!fold)
        return std::nullopt;
    if (!m_folded) {
        m_folded.emplace();
        m_folded->reserve(m_names.size());
        for (std::size_t i = 0; i < m_names.size(); ++i)
            m_folded->emplace(foldCase(m_names[i]), i);
    }
    if (const auto at = m_folded->find(foldCase(relative)); at != m_folded->end())
        return at->second;
    return std::nullopt;
}

std::optional<std::size_t> SongNames::songOf(const std::string& entryPath,
                                             const std::string& playlistName,
                                             const std::string& pcRoot) const
{
    std::string path = entryPath;
    if (startsWithNoCase(path, "file://")) {
        path = percentDecoded(path.substr(7));
        if (!path.starts_with('/')) // file://host/path
            path = path.substr(std::min(path.find('/'), path.size()));
    }
    bool windows = path.find('\\') != std::string::npos;
    for (char& c : path)
        c = c == '\\' ? '/' : c;
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        path = path.substr(2); // a drive letter
        windows = true;
    }
    if (path.starts_with("/") && path.size() > 2 && path[1] == '/' && path[2] == '/')
        path = path.substr(2); // "///music/a.mp3"
    if (!path.starts_with('/')) {
        // Relative to the playlist's own folder.
        path.insert(0, playlistName, 0, playlistName.rfind('/') + 1);
        if (const auto joined = normalised(path))
            if (auto song = named(*joined))
                return song;
        if (!windows)
            return std::nullopt;
        path.erase(0, playlistName.rfind('/') + 1);
    }
    const std::string_view root =
        std::string_view(pcRoot).substr(0, pcRoot.size() - (pcRoot.ends_with('/') ? 1 : 0));
    if (path.starts_with(root) && path.size() > root.size() && path[root.size()] == '/') {
        if (const auto inside = normalised(std::string_view(path).substr(root.size() + 1)))
            if (auto song = named(*inside))
                return song;
    }
    // Another computer's path: its longest tail that names a song here, as it is written, else
    // in other capitals.
    const auto whole = normalised(path);
    if (!whole)
        return std::nullopt;
    for (const bool fold : {false, true}) {
        for (std::size_t from = 0; from != std::string::npos;) {
            if (auto song = named(std::string_view(*whole).substr(from), fold))
                return song;
            const auto slash = whole->find('/', from);
            from = slash == std::string::npos ? slash : slash + 1;
        }
    }
    return std::nullopt;
}

std::string relativeTo(const std::string& folder, const std::string& name)
{
    std::size_t common = 0;
    for (std::size_t i = 0; i < folder.size() && i < name.size() && folder[i] == name[i]; ++i) {
        if (folder[i] == '/')
            common = i + 1;
    }
    std::string out;
    for (std::size_t i = common; i < folder.size(); ++i) {
        if (folder[i] == '/')
            out += "../";
    }
    return out + name.substr(common);
}

std::string playerPlaylist(const std::string& playerName,
                           const std::vector<std::pair<PlaylistEntry, std::string>>& songs)
{
    const std::string folder = playerName.substr(0, playerName.rfind('/') + 1);
    std::string text = extensionOf(playerName) == ".m3u" ? "\xEF\xBB\xBF" : "";
    text += "#EXTM3U\n";
    for (const auto& [entry, song] : songs) {
        text += "#EXTINF:";
        text += std::to_string(entry.seconds);
        text += ',';
        if (entry.title.empty()) {
            const std::string_view file = std::string_view(song).substr(song.rfind('/') + 1);
            text += file.substr(0, file.rfind('.'));
        } else {
            text += entry.title;
        }
        text += '\n';
        text += relativeTo(folder, song);
        text += '\n';
    }
    return text;
}

std::string playerPlaylistName(const std::string& pcName, bool inPlaylistsFolder)
{
    std::string name = extensionOf(pcName) == ".pls"
                           ? pcName.substr(0, pcName.rfind('.')) + ".m3u8"
                           : pcName;
    if (!inPlaylistsFolder)
        return name;
    constexpr std::string_view kFolder = "Playlists/";
    if (name.starts_with(kFolder))
        name.erase(0, kFolder.size());
    for (std::size_t slash; (slash = name.find('/')) != std::string::npos;)
        name.replace(slash, 1, " - ");
    return std::string(kFolder) + name;
}

PlayerVersion playlistForPlayer(
    const std::string& playlistName, const std::string& playerName, std::string_view bytes,
    const SongNames& songs, const std::string& pcRoot,
    const std::function<std::optional<std::string>(std::size_t song)>& onPlayer)
{
    PlayerVersion version;
    version.name = playerName;
    std::vector<std::pair<PlaylistEntry, std::string>> found;
    for (auto& entry : readPlaylist(playlistName, bytes)) {
        const auto song = songs.songOf(entry.path, playlistName, pcRoot);
        const auto there = song ? onPlayer(*song) : std::nullopt;
        if (there)
            found.emplace_back(std::move(entry), *there);
        else
            version.missing.push_back(entry.path);
    }
    version.text = playerPlaylist(version.name, found);
    return version;
}

} // namespace parlowen
