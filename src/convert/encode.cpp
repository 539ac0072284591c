// The decoder, resampler and encoder of one song.
#include "convert/encode.h"

#include <algorithm>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace parlowen {
namespace {

std::string errorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

struct Closer
{
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(SwrContext* c) const { swr_free(&c); }
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
template <class T> using Owned = std::unique_ptr<T, Closer>;

struct OutputCloser
{
    void operator()(AVFormatContext* c) const
    {
        if (c->pb)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};

struct Recipe
{
    const char* encoder;
    const char* muxer;
    int bitRate;      // 0 for a quality
    int quality;      // in the encoder's own scale, where there is no bit rate
    int fixedRate;    // the only sample rate it takes; 0 for the source's
};

Recipe recipeFor(Preset preset)
{
    switch (preset) {
    case Preset::Mp3V2:
        return {"libmp3lame", "mp3", 0, 2, 0};
    case Preset::Opus128:
        return {"libopus", "opus", 128000, 0, 48000};
    case Preset::VorbisQ5:
        return {"libvorbis", "ogg", 0, 5, 0};
    case Preset::Aac192:
        return {"aac", "ipod", 192000, 0, 0};
    }
    return {"libmp3lame", "mp3", 0, 2, 0};
}

// The encoder's rate nearest the source's, not below it where one is above.
int sampleRateFor(const AVCodec* codec, int source, int fixed)
{
    if (fixed)
        return fixed;
    const int* rates = codec->supported_samplerates;
    if (!rates)
        return source;
    int above = 0;
    int largest = 0;
    for (; *rates; ++rates) {
        if (*rates == source)
            return source;
        largest = std::max(largest, *rates);
        if (*rates > source && (above == 0 || *rates < above))
            above = *rates;
    }
    return above ? above : largest ? largest : 44100;
}

class Encoder
{
public:
    Encoder(const std::string& source, Preset preset, const std::string& out,
            const std::stop_token& stop)
        : m_source(source), m_preset(preset), m_out(out), m_stop(stop)
    {
    }

    std::string run()
    {
        if (auto failure = openInput(); !failure.empty())
            return failure;
        if (auto failure = openOutput(); !failure.empty())
            return failure;
        return transcode();
    }

private:
    std::string openInput()
    {
        AVFormatContext* in = nullptr;
        if (int e = avformat_open_input(&in, m_source.c_str(), nullptr, nullptr); e < 0)
            return "it could not be read as a song: " + errorText(e);
        m_in.reset(in);
        if (int e = avformat_find_stream_info(in, nullptr); e < 0)
            return "it could not be decoded: " + errorText(e);
        const AVCodec* decoder = nullptr;
        m_stream = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (m_stream < 0 || !decoder)
            return "it holds no sound that can be decoded";
        m_decoder.reset(avcodec_alloc_context3(decoder));
        avcodec_parameters_to_context(m_decoder.get(), in->streams[m_stream]->codecpar);
        if (int e = avcodec_open2(m_decoder.get(), decoder, nullptr); e < 0)
            return "it could not be decoded: " + errorText(e);
        if (m_decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&m_decoder->ch_layout, m_decoder->ch_layout.nb_channels);
        return {};
    }

    std::string openOutput()
    {
        const Recipe recipe = recipeFor(m_preset);
        const AVCodec* codec = avcodec_find_encoder_by_name(recipe.encoder);
        if (!codec)
            return std::string("this computer's FFmpeg has no ") + recipe.encoder + " encoder";
        m_encoder.reset(avcodec_alloc_context3(codec));
        AVCodecContext& enc = *m_encoder;
        enc.sample_rate = sampleRateFor(codec, m_decoder->sample_rate, recipe.fixedRate);
        av_channel_layout_default(&enc.ch_layout,
                                  std::min(m_decoder->ch_layout.nb_channels, 2));
        enc.sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        enc.time_base = {1, enc.sample_rate};
        if (recipe.bitRate) {
            enc.bit_rate = recipe.bitRate;
        } else {
            enc.flags |= AV_CODEC_FLAG_QSCALE;
            enc.global_quality = FF_QP2LAMBDA * recipe.quality;
        }
        AVFormatContext* out = nullptr;
        if (int e = avformat_alloc_output_context2(&out, nullptr, recipe.muxer, m_out.c_str());
            e < 0)
            return "its copy could not be begun: " + errorText(e);
        m_output.reset(out);
        if (out->oformat->flags & AVFMT_GLOBALHEADER)
            enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (int e = avcodec_open2(&enc, codec, nullptr); e < 0)
            return "the encoder refused it: " + errorText(e);
        AVStream* stream = avformat_new_stream(out, nullptr);
        avcodec_parameters_from_context(stream->codecpar, &enc);
        stream->time_base = enc.time_base;
        if (int e = avio_open(&out->pb, m_out.c_str(), AVIO_FLAG_WRITE); e < 0)
            return "its copy could not be written: " + errorText(e);
        AVDictionary* options = nullptr;
        // Tags and the cover are written afterwards, as the player wants them.
        if (m_preset == Preset::Mp3V2)
            av_dict_set(&options, "id3v2_version", "0", 0);
        const int e = avformat_write_header(out, &options);
        av_dict_free(&options);
        if (e < 0)
            return "its copy could not be written: " + errorText(e);
        SwrContext* swr = nullptr;
        if (swr_alloc_set_opts2(&swr, &enc.ch_layout, enc.sample_fmt, enc.sample_rate,
                                &m_decoder->ch_layout, m_decoder->sample_fmt,
                                m_decoder->sample_rate, 0, nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            return "its sound could not be resampled";
        }
        m_resampler.reset(swr);
        m_fifo.reset(av_audio_fifo_alloc(enc.sample_fmt, enc.ch_layout.nb_channels, 4096));
        return {};
    }

    std::string transcode()
    {
        Owned<AVPacket> packet(av_packet_alloc());
        Owned<AVFrame> frame(av_frame_alloc());
        for (;;) {
            if (m_stop.stop_requested())
                return kEncodeStopped;
            const int read = av_read_frame(m_in.get(), packet.get());
            if (read == AVERROR_EOF)
                break;
            if (read < 0)
                return "it could not be read to its end: " + errorText(read);
            if (packet->stream_index == m_stream) {
                const int sent = avcodec_send_packet(m_decoder.get(), packet.get());
                av_packet_unref(packet.get());
                if (sent < 0)
                    return "it could not be decoded: " + errorText(sent);
                if (auto failure = drainDecoder(frame.get()); !failure.empty())
                    return failure;
            } else {
                av_packet_unref(packet.get());
            }
        }
        avcodec_send_packet(m_decoder.get(), nullptr);
        if (auto failure = drainDecoder(frame.get()); !failure.empty())
            return failure;
        if (auto failure = resample(nullptr); !failure.empty())
            return failure;
        if (auto failure = encodeFifo(true); !failure.empty())
            return failure;
        if (auto failure = encode(nullptr); !failure.empty())
            return failure;
        if (int e = av_write_trailer(m_output.get()); e < 0)
            return "its copy could not be written: " + errorText(e);
        if (int e = avio_closep(&m_output->pb); e < 0)
            return "its copy could not be written: " + errorText(e);
        return {};
    }

    std::string drainDecoder(AVFrame* frame)
    {
        for (;;) {
            const int got = avcodec_receive_frame(m_decoder.get(), frame);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return {};
            if (got < 0)
                return "it could not be decoded: " + errorText(got);
            auto failure = resample(frame);
            av_frame_unref(frame);
            if (!failure.empty())
                return failure;
            if (failure = encodeFifo(false); !failure.empty())
                return failure;
        }
    }

    // Resamples the frame (none: what the resampler still holds) into the queue of samples.
    std::string resample(const AVFrame* frame)
    {
        AVCodecContext& enc = *m_encoder;
        const int in = frame ? frame->nb_samples : 0;
        const int room = swr_get_out_samples(m_resampler.get(), in);
        if (room <= 0)
            return {};
        uint8_t** planes = nullptr;
        if (av_samples_alloc_array_and_samples(&planes, nullptr, enc.ch_layout.nb_channels, room,
                                               enc.sample_fmt, 0) < 0)
            return "there was not enough memory to convert it";
        const int made = swr_convert(m_resampler.get(), planes, room,
                                     frame ? const_cast<const uint8_t**>(frame->extended_data)
                                           : nullptr,
                                     in);
        if (made > 0)
            av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes), made);
        av_freep(&planes[0]);
        av_freep(&planes);
        return made < 0 ? "its sound could not be resampled: " + errorText(made) : std::string();
    }

    // Encodes the queued samples a frame at a time; at the end also the last short frame.
    std::string encodeFifo(bool last)
    {
        AVCodecContext& enc = *m_encoder;
        const int frameSize = enc.frame_size > 0 ? enc.frame_size : 1152;
        while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
               (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
            const int samples = std::min(av_audio_fifo_size(m_fifo.get()), frameSize);
            Owned<AVFrame> frame(av_frame_alloc());
            frame->nb_samples = samples;
            frame->format = enc.sample_fmt;
            frame->sample_rate = enc.sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &enc.ch_layout);
            if (av_frame_get_buffer(frame.get(), 0) < 0)
                return "there was not enough memory to convert it";
            av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->data), samples);
            frame->pts = m_samples;
            m_samples += samples;
            if (auto failure = encode(frame.get()); !failure.empty())
                return failure;
        }
        return {};
    }

    std::string encode(const AVFrame* frame)
    {
        if (int e = avcodec_send_frame(m_encoder.get(), frame); e < 0)
            return "the encoder refused it: " + errorText(e);
        Owned<AVPacket> packet(av_packet_alloc());
        for (;;) {
            const int got = avcodec_receive_packet(m_encoder.get(), packet.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return {};
            if (got < 0)
                return "the encoder failed: " + errorText(got);
            packet->stream_index = 0;
            av_packet_rescale_ts(packet.get(), m_encoder->time_base,
                                 m_output->streams[0]->time_base);
            if (int e = av_interleaved_write_frame(m_output.get(), packet.get()); e < 0)
                return "its copy could not be written: " + errorText(e);
        }
    }

    const std::string& m_source;
    Preset m_preset;
    const std::string& m_out;
    const std::stop_token& m_stop;
    Owned<AVFormatContext> m_in;
    int m_stream = -1;
    Owned<AVCodecContext> m_decoder;
    Owned<AVCodecContext> m_encoder;
    std::unique_ptr<AVFormatContext, OutputCloser> m_output;
    Owned<SwrContext> m_resampler;
    Owned<AVAudioFifo> m_fifo;
    std::int64_t m_samples = 0;
};

} // namespace

std::string encodeAudio(const std::string& source, Preset preset, const std::string& out,
                        const std::stop_token& stop)
{
    // FFmpeg's log level is one setting for all its users, set once before any encoder runs.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
    return Encoder(source, preset, out, stop).run();
}

} // namespace parlowen
