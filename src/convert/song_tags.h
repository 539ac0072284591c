// A song's tags and front cover, read from the PC's file and written onto its converted copy
// in the form players read for that format: ID3v2.3 with a picture frame for MP3, a Xiph
// comment with a picture block for Opus and Vorbis, MP4 items with "covr" for AAC.
#pragma once

#include "convert/preset.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace parlowen {

struct Cover
{
    std::string mimeType; // "image/jpeg"
    std::string bytes;
    std::string description = {};
};

struct SongTags
{
    // Each field ("TITLE", "ARTIST", ...) with its values, in TagLib's common names.
    std::vector<std::pair<std::string, std::vector<std::string>>> fields;
    std::optional<Cover> front;
};

// The tags and the front cover (else the first picture) of a song of any common format.
SongTags readSongTags(const std::string& path);
// Writes the tags (the cover as the rule says) onto the encoded copy at path. Why it could not
// be done, or "".
std::string writeSongTags(const std::string& path, Preset preset, const SongTags& tags,
                          const CoverRule& cover);

// The cover made at most `pixels` on its longer side, as a JPEG; the cover as it is where it
// is that small already; none where it cannot be decoded.
std::optional<Cover> shrunkCover(const Cover& cover, int pixels);

} // namespace parlowen
