// A song's checksum and length from its header.
#include "convert/audio_facts.h"

#include "platform/unique_fd.h"

#include <array>
#include <cstdint>
#include <fcntl.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace parlowen {
namespace {

std::optional<AudioFacts> flacFacts(int fd)
{
    std::array<unsigned char, 4096> head{};
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got < 42)
        return std::nullopt;
    std::size_t at = 0;
    // An ID3v2 tag some taggers put before the stream.
    if (head[0] == 'I' && head[1] == 'D' && head[2] == '3' && got >= 10)
        at = 10 + ((head[6] & 0x7f) << 21 | (head[7] & 0x7f) << 14 | (head[8] & 0x7f) << 7 |
                   (head[9] & 0x7f));
    std::array<unsigned char, 42> info{};
    if (::pread(fd, info.data(), info.size(), static_cast<off_t>(at)) != 42 ||
        std::string_view(reinterpret_cast<const char*>(info.data()), 4) != "fLaC" ||
        (info[4] & 0x7f) != 0)
        return std::nullopt;
    const unsigned char* s = info.data() + 8; // STREAMINFO's own bytes
    const std::uint32_t rate = s[10] << 12 | s[11] << 4 | s[12] >> 4;
    const std::uint64_t samples = std::uint64_t(s[13] & 0x0f) << 32 | std::uint64_t(s[14]) << 24 |
                                  std::uint64_t(s[15]) << 16 | std::uint64_t(s[16]) << 8 | s[17];
    AudioFacts facts;
    static constexpr char kHex[] = "0123456789abcdef";
    bool unset = true;
    for (int i = 18; i < 34; ++i) {
        facts.md5 += kHex[s[i] >> 4];
        facts.md5 += kHex[s[i] & 15];
        unset = unset && s[i] == 0;
    }
    if (unset)
        facts.md5.clear(); // an encoder that did not compute it
    if (rate > 0 && samples > 0)
        facts.seconds = double(samples) / rate;
    return facts;
}

} // namespace

AudioFacts audioFacts(const std::string& path)
{
    if (const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)); fd) {
        if (auto flac = flacFacts(fd.get()))
            return *flac;
    }
    AudioFacts facts;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return facts;
    if (avformat_find_stream_info(format, nullptr) >= 0 && format->duration > 0)
        facts.seconds = double(format->duration) / AV_TIME_BASE;
    avformat_close_input(&format);
    return facts;
}

} // namespace parlowen
