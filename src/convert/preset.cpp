// The encoder presets and a player's rule.
#include "convert/preset.h"

#include <array>
#include <charconv>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#include <taglib/mp4file.h>
#include <taglib/taglib.h>

namespace parlowen {
namespace {

constexpr std::array kPresets{
    PresetFacts{"mp3-v2", ".mp3", "MP3", 190},
    PresetFacts{"opus-128", ".opus", "Opus", 128},
    PresetFacts{"vorbis-q5", ".ogg", "Vorbis", 160},
    PresetFacts{"aac-192", ".m4a", "AAC", 192},
};

std::string_view extensionOf(std::string_view name)
{
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash) ||
        dot == 0 || (slash != std::string_view::npos && dot == slash + 1))
        return {};
    return name.substr(dot);
}

} // namespace

const PresetFacts& presetFacts(Preset preset)
{
    return kPresets[static_cast<std::size_t>(preset)];
}

std::optional<Preset> presetNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kPresets.size(); ++i) {
        if (name == kPresets[i].name)
            return static_cast<Preset>(i);
    }
    return std::nullopt;
}

std::optional<CoverRule> coverNamed(std::string_view text)
{
    if (text == "keep")
        return CoverRule{};
    if (text == "drop")
        return CoverRule{.mode = CoverRule::Mode::Drop};
    int pixels = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pixels);
    if (error != std::errc() || end != text.data() + text.size() || pixels < 16 || pixels > 10000)
        return std::nullopt;
    return CoverRule{.mode = CoverRule::Mode::Shrink, .pixels = pixels};
}

std::string coverName(const CoverRule& cover)
{
    switch (cover.mode) {
    case CoverRule::Mode::Keep:
        return "keep";
    case CoverRule::Mode::Drop:
        return "drop";
    case CoverRule::Mode::Shrink:
        break;
    }
    return std::to_string(cover.pixels);
}

bool convertsByName(const ConvertRule& rule, std::string_view name)
{
    if (!rule.on)
        return false;
    std::string extension(extensionOf(name));
    for (char& c : extension)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return extension == ".flac" || extension == ".wav" || extension == ".aif" ||
           extension == ".aiff";
}

bool isAlac(const std::string& path)
{
    TagLib::MP4::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
    return file.isValid() && file.audioProperties() &&
           file.audioProperties()->codec() == TagLib::MP4::Properties::ALAC;
}

std::string playerNameOf(std::string_view name, Preset preset)
{
    const std::string_view extension = extensionOf(name);
    return std::string(name.substr(0, name.size() - extension.size())) +
           presetFacts(preset).extension;
}

std::string recipeOf(const ConvertRule& rule)
{
    return std::string(presetFacts(rule.preset).name) + "/cover-" + coverName(rule.cover) +
           "/lavc" + std::to_string(avcodec_version()) + "-lavf" +
           std::to_string(avformat_version()) + "-taglib" + std::to_string(TAGLIB_MAJOR_VERSION) +
           "." + std::to_string(TAGLIB_MINOR_VERSION) + "-p1";
}

} // namespace parlowen
