// Real songs for the converting tests: a FLAC made by the `flac` tool from a sine wave, with
// tags and a JPEG front cover written by TagLib.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/tpropertymap.h>
#include <taglib/xiphcomment.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace parlowen::testing {

inline bool haveFlacTool()
{
    return std::system("command -v flac >/dev/null 2>&1") == 0;
}

// A 16-bit stereo WAV of a sine at frequency Hz.
inline void writeWav(const std::string& path, double seconds, double frequency, int rate = 44100)
{
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t bytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * frequency * i / rate));
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v));
    }
}

// A JPEG of width x height in one grey.
inline std::string makeJpeg(int width, int height)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUVJ420P;
    c->time_base = {1, 25};
    avcodec_open2(c, codec, nullptr);
    AVFrame* frame = av_frame_alloc();
    frame->width = width;
    frame->height = height;
    frame->format = c->pix_fmt;
    av_frame_get_buffer(frame, 0);
    for (int plane = 0; plane < 3; ++plane)
        for (int y = 0; y < (plane ? height / 2 : height); ++y)
            std::fill_n(frame->data[plane] + y * frame->linesize[plane],
                        plane ? width / 2 : width, plane ? 128 : 90 + y % 50);
    AVPacket* packet = av_packet_alloc();
    avcodec_send_frame(c, frame);
    avcodec_receive_packet(c, packet);
    std::string jpeg(reinterpret_cast<const char*>(packet->data), packet->size);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&c);
    return jpeg;
}

// Writes the tags (field to value) and, where given, a front cover onto a FLAC.
inline void tagFlac(const std::string& path, const std::map<std::string, std::string>& tags,
                    const std::string& jpeg = {})
{
    TagLib::FLAC::File file(path.c_str());
    auto* comment = file.xiphComment(true);
    for (const auto& [field, value] : tags)
        comment->addField(field, TagLib::String(value, TagLib::String::UTF8), true);
    if (!jpeg.empty()) {
        file.removePictures();
        auto* picture = new TagLib::FLAC::Picture;
        picture->setType(TagLib::FLAC::Picture::FrontCover);
        picture->setMimeType("image/jpeg");
        picture->setData(TagLib::ByteVector(jpeg.data(), static_cast<unsigned>(jpeg.size())));
        file.addPicture(picture);
    }
    file.save();
}

// A FLAC of a sine at path, tagged; false where the flac tool is missing or failed.
inline bool makeFlac(const std::string& path, double seconds, double frequency,
                     const std::map<std::string, std::string>& tags = {},
                     const std::string& jpeg = {})
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string wav = path + ".wav";
    writeWav(wav, seconds, frequency);
    const bool made =
        std::system(("flac --silent --force -o '" + path + "' '" + wav + "'").c_str()) == 0;
    std::remove(wav.c_str());
    if (made)
        tagFlac(path, tags, jpeg);
    return made;
}

} // namespace parlowen::testing
