// Making a cover smaller: decoded and scaled with FFmpeg, written again as a JPEG.
#include "convert/song_tags.h"

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace parlowen {
namespace {

struct Freer
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
template <class T> using Owned = std::unique_ptr<T, Freer>;

Owned<AVFrame> decodePicture(const Cover& cover)
{
    const bool png = cover.bytes.starts_with("\x89PNG");
    const AVCodec* codec = avcodec_find_decoder(png ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG);
    Owned<AVCodecContext> decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!decoder || avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return nullptr;
    Owned<AVPacket> packet(av_packet_alloc());
    if (av_new_packet(packet.get(), static_cast<int>(cover.bytes.size())) < 0)
        return nullptr;
    std::copy(cover.bytes.begin(), cover.bytes.end(), packet->data);
    Owned<AVFrame> frame(av_frame_alloc());
    if (avcodec_send_packet(decoder.get(), packet.get()) < 0)
        return nullptr;
    avcodec_send_packet(decoder.get(), nullptr);
    if (avcodec_receive_frame(decoder.get(), frame.get()) < 0)
        return nullptr;
    return frame;
}

} // namespace

std::optional<Cover> shrunkCover(const Cover& cover, int pixels)
{
    const Owned<AVFrame> picture = decodePicture(cover);
    if (!picture)
        return std::nullopt;
    const int longer = std::max(picture->width, picture->height);
    if (longer <= pixels)
        return cover;
    const int width = std::max(1, picture->width * pixels / longer);
    const int height = std::max(1, picture->height * pixels / longer);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    Owned<AVCodecContext> encoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!encoder)
        return std::nullopt;
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
    encoder->time_base = {1, 25};
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = FF_QP2LAMBDA * 3;
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0)
        return std::nullopt;
    Owned<AVFrame> scaled(av_frame_alloc());
    scaled->width = width;
    scaled->height = height;
    scaled->format = AV_PIX_FMT_YUVJ420P;
    Owned<SwsContext> scaler(sws_getContext(picture->width, picture->height,
                                            static_cast<AVPixelFormat>(picture->format), width,
                                            height, AV_PIX_FMT_YUVJ420P, SWS_AREA, nullptr,
                                            nullptr, nullptr));
    if (!scaler || av_frame_get_buffer(scaled.get(), 0) < 0)
        return std::nullopt;
    sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, scaled->data,
              scaled->linesize);
    scaled->quality = encoder->global_quality;
    Owned<AVPacket> packet(av_packet_alloc());
    if (avcodec_send_frame(encoder.get(), scaled.get()) < 0 ||
        avcodec_receive_packet(encoder.get(), packet.get()) < 0)
        return std::nullopt;
    return Cover{"image/jpeg",
                 std::string(reinterpret_cast<const char*>(packet->data),
                             static_cast<std::size_t>(packet->size)),
                 cover.description};
}

} // namespace parlowen
