// The cache of converted songs.
#include "convert/converted_cache.h"

#include "convert/audio_facts.h"
#include "convert/copy_map.h"
#include "convert/encode.h"
#include "convert/song_tags.h"
#include "platform/state_folder.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace parlowen {
namespace {

std::optional<SongSeen> look(const std::string& path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return SongSeen{path, info.st_size,
                    std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool sameVersion(const SongSeen& a, const SongSeen& b)
{
    return a.size == b.size && a.modifiedNs == b.modifiedNs;
}

std::string errnoText()
{
    return std::strerror(errno);
}

// Flushes the file and puts it under its name in the cache.
std::string settle(const std::string& part, const std::string& name)
{
    const UniqueFd fd(::open(part.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0 || ::rename(part.c_str(), name.c_str()) != 0)
        return "its copy could not be kept: " + errnoText();
    return {};
}

void touch(const std::string& path)
{
    ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0); // the least recently used go first
}

} // namespace

ConvertedCache::ConvertedCache(std::string folder, std::int64_t capBytes)
    : m_folder(std::move(folder)), m_cap(capBytes)
{
}

std::string ConvertedCache::defaultFolder()
{
    return xdgFolder("XDG_CACHE_HOME", ".cache") + "/converted";
}

std::int64_t ConvertedCache::defaultCap()
{
    if (const char* mb = std::getenv("PARLOWEN_CACHE_MB"); mb && *mb)
        return std::max<std::int64_t>(1, std::atoll(mb)) << 20;
    return std::int64_t(4) << 30;
}

void ConvertedCache::clearLeftovers() const
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".part"))
            continue;
        // "<key>.<pid>.part": the process that writes it is alive, or the file is left over.
        const auto end = name.rfind('.');
        const auto start = name.rfind('.', end - 1);
        const int pid = start == std::string::npos
                            ? 0
                            : std::atoi(name.substr(start + 1, end - start - 1).c_str());
        if (pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH))
            std::filesystem::remove(entry.path(), error);
    }
}

ConvertedCopy ConvertedCache::make(const std::string& song, const ConvertRule& rule,
                                   const std::stop_token& stop)
{
    ConvertedCopy made;
    const auto before = look(song);
    if (!before) {
        made.failure = "the song is not there any more";
        return made;
    }
    made.song = *before;
    made.song.md5 = audioFacts(song).md5;
    const std::string recipe = recipeOf(rule);
    const std::string extension = presetFacts(rule.preset).extension;
    const std::string key = nameHash(song + '\n' + std::to_string(before->size) + '\n' +
                                     std::to_string(before->modifiedNs) + '\n' + recipe);
    made.path = m_folder + "/" + key + extension;
    // Another encode of the same audio by the same recipe: only the tags differ.
    const std::string audio = made.song.md5.empty()
                                  ? std::string()
                                  : m_folder + "/" + nameHash(made.song.md5 + '\n' + recipe) +
                                        ".audio" + extension;
    struct stat info{};
    if (::stat(made.path.c_str(), &info) == 0) {
        touch(made.path);
        made.size = info.st_size;
        return made;
    }
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    const std::string part = made.path + "." + std::to_string(::getpid()) + ".part";
    const bool retag = !audio.empty() && std::filesystem::exists(audio, error) &&
                       std::filesystem::copy_file(audio, part,
                                                  std::filesystem::copy_options::overwrite_existing,
                                                  error);
    if (!retag) {
        made.failure = encodeAudio(song, rule.preset, part, stop);
        made.stopped = made.failure == kEncodeStopped;
    }
    if (made.failure.empty())
        made.failure = writeSongTags(part, rule.preset, readSongTags(song), rule.cover);
    if (made.failure.empty() && stop.stop_requested()) {
        made.failure = kEncodeStopped;
        made.stopped = true;
    }
    // The song read from start to end is the one that was looked at: else the copy may mix two.
    const auto after = look(song);
    if (made.failure.empty() && (!after || !sameVersion(*after, *before)))
        made.failure = "the song changed while it was converted, so it was not copied";
    if (made.failure.empty())
        made.failure = settle(part, made.path);
    if (!made.failure.empty()) {
        std::filesystem::remove(part, error);
        made.path.clear();
        return made;
    }
    (retag ? m_retags : m_encodes) += 1;
    if (!audio.empty() && !retag) {
        // Kept as the audio's encode for a later tag edit: a second name for the same file.
        std::filesystem::remove(audio, error);
        std::filesystem::create_hard_link(made.path, audio, error);
    }
    made.size = std::filesystem::file_size(made.path, error);
    return made;
}

void ConvertedCache::trim(const std::set<std::string>& inUse) const
{
    struct Entry
    {
        std::filesystem::path path;
        std::int64_t size;
        std::int64_t used;
        ino_t inode;
    };
    std::vector<Entry> entries;
    std::map<ino_t, std::int64_t> sizes; // a copy and its audio name are one file
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(m_folder, error)) {
        struct stat info{};
        if (item.path().string().ends_with(".part") || ::stat(item.path().c_str(), &info) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        entries.push_back({item.path(), info.st_size,
                           std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                           info.st_ino});
        sizes[info.st_ino] = info.st_size;
    }
    std::int64_t total = 0;
    for (const auto& [inode, size] : sizes)
        total += size;
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.used < b.used; });
    std::map<ino_t, int> names;
    for (const auto& entry : entries)
        ++names[entry.inode];
    for (const auto& entry : entries) {
        if (total <= m_cap)
            break;
        if (inUse.contains(entry.path.string()))
            continue;
        if (std::filesystem::remove(entry.path, error) && --names[entry.inode] == 0)
            total -= entry.size;
    }
}

} // namespace parlowen
