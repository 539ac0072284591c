// What Compare and the size estimate need of a song without decoding it.
#pragma once

#include <optional>
#include <string>

namespace parlowen {

struct AudioFacts
{
    std::string md5 = {}; // a FLAC's checksum of its decoded audio in hex; "" where none
    std::optional<double> seconds = {}; // how long it plays
};

// Reads a FLAC's STREAMINFO (a few dozen bytes); other songs are asked of FFmpeg's demuxers.
AudioFacts audioFacts(const std::string& path);

} // namespace parlowen
