// The folder where songs are converted before they are copied: each encode is written to a
// ".part", flushed and renamed, so a file under its own name there is always whole. A copy is
// found again by the song it came from as it is now; a song whose tags alone changed (its
// audio checksum is the same) is given its old encode with the new tags.
#pragma once

#include "convert/preset.h"

#include <atomic>
#include <cstdint>
#include <set>
#include <stop_token>
#include <string>

namespace parlowen {

// The song a copy is made from, as it was when its conversion began.
struct SongSeen
{
    std::string path;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::string md5 = {}; // a FLAC's audio checksum
};

struct ConvertedCopy
{
    std::string path;       // the whole copy in the cache
    std::int64_t size = 0;
    SongSeen song = {};     // the song it was made from, unchanged while it was made
    std::string failure = {}; // why there is none, in a player owner's words ("" when made)
    bool stopped = false;
};

class ConvertedCache
{
public:
    // capBytes: what the folder may hold before the least recently used copies go.
    ConvertedCache(std::string folder, std::int64_t capBytes);

    // "$XDG_CACHE_HOME/parlowen/converted" (~/.cache/parlowen/converted).
    static std::string defaultFolder();
    // The cap from PARLOWEN_CACHE_MB, else 4 GiB.
    static std::int64_t defaultCap();

    // Removes the ".part"s that processes no longer running left (a kill, a power cut).
    void clearLeftovers() const;

    // The copy of the song made by the rule: found in the cache, retagged from an encode of
    // the same audio, or encoded. A stop abandons it and removes its ".part".
    ConvertedCopy make(const std::string& song, const ConvertRule& rule,
                       const std::stop_token& stop);

    // Removes the least recently used copies until the folder holds no more than the cap,
    // sparing those named.
    void trim(const std::set<std::string>& inUse) const;

    // How many songs this cache encoded and retagged since it was made.
    std::size_t encodes() const { return m_encodes; }
    std::size_t retags() const { return m_retags; }

private:
    std::string m_folder;
    std::int64_t m_cap;
    std::atomic<std::size_t> m_encodes = 0;
    std::atomic<std::size_t> m_retags = 0;
};

} // namespace parlowen
